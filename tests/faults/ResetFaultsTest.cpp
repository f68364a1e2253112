// A reset while the status windows poll: the unit reboots (and answers
// nothing meanwhile), the status windows stop polling while the tool tries
// the unit every few seconds, silently, until the retry time is up. Back in
// time, the unit is found and the visible windows go on; still rebooting at
// the end of the wait, the tool says so once and hides them.

#include "faults/FaultRig.h"

#include "status/gps/GPSStatus.h"
#include "status/gps/GPSStatusView.h"

namespace faults {
namespace {

const QString kResetQuestion = QStringLiteral("The QORA unit will be reset.\n\nAre you sure? Click Yes to continue.");
// While the tool waits for the unit to restart: the engineer may give up
// (Disconnect) or connect anew; the old connection is no connection to work on.
const QString kMenusWaiting = QStringLiteral("Local Remote Disconnect Reset GpsParameters");

class ResetFaults : public FaultRig {
protected:
    // Connected in commission mode with the GPS status window showing the unit.
    void StartPolling(const QStringList& faults, int retrySeconds)
    {
        sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("Retry_conn_Time"), retrySeconds);
        StartUnit(faults);
        StartProgram();
        ASSERT_TRUE(ConnectLocally());
        ASSERT_TRUE(EnterCommissionMode());
        frame->RunCommand(ID_GPS_STATUS);
        ASSERT_TRUE(PumpUntil([&] { return Latitude().startsWith(QStringLiteral("N 59")); }, 5000));
    }
    [[nodiscard]] int Opens() const
    {
        int opens = 0;
        for (const QJsonObject& line : TraceLines(TracePath()))
            opens += line.value(QStringLiteral("kind")).toString() == QStringLiteral("open");
        return opens;
    }
    [[nodiscard]] QString Latitude() const { return app.StatusWindows()->GpsStatus().View().LatitudeText(); }
    // The unit's answers with result 2 (rebooting) to the status windows and
    // other groups, those to the reconnection's identity probes, and the
    // requests after the reset.
    void CountAfterReset(int& rebootingAnswers, int& requestsAfterReset, int* rebootingProbes = nullptr) const
    {
        rebootingAnswers = requestsAfterReset = 0;
        if (rebootingProbes)
            *rebootingProbes = 0;
        bool reset = false;
        for (const QJsonObject& line : TraceLines(TracePath())) {
            if (line.value(QStringLiteral("kind")).toString() != QStringLiteral("transfer"))
                continue;
            if (reset)
                ++requestsAfterReset;
            const QString request = line.value(QStringLiteral("req")).toString();
            reset = reset || request == QStringLiteral("53770000");
            const bool rebooting = line.value(QStringLiteral("result")).toInt() == 2;
            if (request == QStringLiteral("03")) {
                if (rebootingProbes)
                    *rebootingProbes += rebooting;
            } else {
                rebootingAnswers += rebooting;
            }
        }
    }
};

TEST_F(ResetFaults, AUnitBackBeforeTheRetryTimeIsFoundAgainAndPollingGoesOn)
{
    // Reboot 300 ms; the tool waits 30 s scaled to 600 ms.
    StartPolling({QStringLiteral("--reboot-ms"), QStringLiteral("300")}, 30);
    frame->RunCommand(ID_RESET_QORA);
    EXPECT_EQ(Messages(), QStringList{kResetQuestion});
    EXPECT_TRUE(frame->Controller().ResetPending());
    EXPECT_EQ(Menus(), kMenusWaiting);
    // The whole reconnection can pass between two looks at the state, so
    // wait for its traces instead: the wait ended, and a second OPEN.
    ASSERT_TRUE(PumpUntil([&] { return !frame->Controller().ResetPending(); }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return Opens() >= 2 && State() == ConnectionState::Commission; }, 8000));
    EXPECT_TRUE(frame->Controller().SilentReconnection());
    EXPECT_TRUE(app.StatusWindows()->AnyVisible());
    ASSERT_TRUE(PumpUntil([&] { return Latitude().startsWith(QStringLiteral("N 59")); }, 5000));
    EXPECT_EQ(prompts.shown.size(), 1u) << "no message about the restart";
    EXPECT_EQ(OpenDialogs(), QStringList{}) << "the reconnection is silent";
    EXPECT_EQ(Menus(), kMenusCommissionMode);
    int rebooting = 0, after = 0;
    CountAfterReset(rebooting, after);
    EXPECT_EQ(rebooting, 0) << "no poll reached the rebooting unit";
    EXPECT_GT(after, 1);
}

TEST_F(ResetFaults, AUnitStillRebootingWhenTheToolComesBackFailsOnceAndIsReachableLater)
{
    // Reboot 1.5 s; the tool gives up after 10 s scaled to 200 ms.
    StartPolling({QStringLiteral("--reboot-ms"), QStringLiteral("1500")}, 10);
    frame->RunCommand(ID_RESET_QORA);
    ASSERT_TRUE(PumpUntil([&] { return State() == ConnectionState::Failed; }, 5000));
    PumpFor(200);
    EXPECT_EQ(Messages(), (QStringList{kResetQuestion, kCannotConnect}));
    EXPECT_EQ(prompts.shown.at(1).icon, MsgIcon::Error);
    EXPECT_FALSE(app.StatusWindows()->AnyVisible());
    EXPECT_FALSE(frame->Controller().SilentReconnection());
    EXPECT_FALSE(frame->Controller().ResetPending());
    EXPECT_EQ(HandlerState(), ConnectionState::Disconnected);
    EXPECT_EQ(frame->windowTitle(), kBareTitle);
    EXPECT_EQ(Menus(), kMenusDisconnected);
    EXPECT_EQ(OpenDialogs(), QStringList{});
    int rebooting = 0, after = 0, probes = 0;
    CountAfterReset(rebooting, after, &probes);
    EXPECT_EQ(rebooting, 0) << "only the reconnection's probes met the rebooting unit";
    EXPECT_GE(probes, 2) << "tried during the wait, not only at its end";

    PumpFor(1500); // the reboot's end
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_TRUE(ReadVersion());
    EXPECT_EQ(prompts.shown.size(), 2u);
}

TEST_F(ResetFaults, AUnitThatRestartsLateIsReconnectedOnlyAfterItsRestart)
{
    // Answers with its old setup for 300 ms after the reset, then reboots for
    // 150 ms; the tool waits 30 s scaled to 600 ms and tries every 60 ms.
    StartPolling({QStringLiteral("--restart-delay-ms"), QStringLiteral("300"), QStringLiteral("--reboot-ms"),
                  QStringLiteral("150")},
                 30);
    frame->RunCommand(ID_RESET_QORA);
    ASSERT_TRUE(PumpUntil([&] { return !frame->Controller().ResetPending(); }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return State() == ConnectionState::Commission; }, 8000));
    ASSERT_TRUE(PumpUntil([&] { return Latitude().startsWith(QStringLiteral("N 59")); }, 5000));
    EXPECT_EQ(prompts.shown.size(), 1u) << "no message about the restart";
    // After the reset: probes that the unit still answered, then refused
    // ones, and nothing but probes until it was back.
    int answeredBefore = 0, refused = 0, othersBeforeBack = 0;
    bool reset = false, back = false;
    for (const QJsonObject& line : TraceLines(TracePath())) {
        if (line.value(QStringLiteral("kind")).toString() != QStringLiteral("transfer"))
            continue;
        const QString request = line.value(QStringLiteral("req")).toString();
        if (!reset) {
            reset = request == QStringLiteral("53770000");
            continue;
        }
        const bool answered = line.value(QStringLiteral("result")).toInt() == 0;
        if (request != QStringLiteral("03")) {
            othersBeforeBack += back ? 0 : 1;
            continue;
        }
        if (!answered)
            ++refused;
        else if (refused == 0)
            ++answeredBefore;
        else
            back = true;
    }
    EXPECT_GE(answeredBefore, 1) << "tried while it still answered with its old setup";
    EXPECT_GE(refused, 1);
    EXPECT_TRUE(back);
    EXPECT_EQ(othersBeforeBack, 0) << "commission mode only with the restarted unit";
}

} // namespace
} // namespace faults
