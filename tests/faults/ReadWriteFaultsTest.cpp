// Faults while reading and writing unit values over an open connection:
// replies lost, refused with 0xF0, the connection broken after every reply,
// and the unit gone and back. A failed read ends its dialog with the reading
// problem, a failed write keeps the dialog open with what was typed; the
// connection stays, and the next request finds the unit when it is there.

#include "faults/FaultRig.h"

#include "status/gps/GPSStatus.h"
#include "status/gps/GPSStatusView.h"

#include <QLineEdit>
#include <QPushButton>

namespace faults {
namespace {

const QString kNewName = QStringLiteral("Fault suite");

class ReadWriteFaults : public FaultRig {
protected:
    [[nodiscard]] QString ReadingProblem() const { return LoadResString(StringId::ReadingProblem); }
    [[nodiscard]] QString SendingProblem() const { return LoadResString(61236); }

    // "User Information": waits for the unit's values, types a new name and
    // presses OK. Returns whether the dialog closed by itself (written).
    bool WriteUserName(const QString& name)
    {
        bool closed = false;
        const bool filled = RunReadingDialog(
            ID_USER_INFORMATION,
            [](QDialog& dialog) {
                auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"));
                return edit && edit->isEnabled();
            },
            [&](QDialog& dialog) {
                const std::size_t before = prompts.shown.size();
                PumpFor(50); // the engineer types a moment after the values show
                dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->setText(name);
                dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
                PumpUntil([&] { return !dialog.isVisible() || prompts.shown.size() > before; }, 8000);
                closed = !dialog.isVisible();
                if (!closed) {
                    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->isEnabled())
                        << "ready to try again";
                    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text(), name);
                    dialog.reject();
                }
            });
        EXPECT_TRUE(filled);
        return closed;
    }
    // The name the unit gives when "User Information" opens.
    QString ReadUserName()
    {
        QString name;
        RunReadingDialog(
            ID_USER_INFORMATION,
            [](QDialog& dialog) {
                auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"));
                return edit && edit->isEnabled();
            },
            [&](QDialog& dialog) {
                name = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text();
                dialog.reject();
            });
        return name;
    }
    void ShowGpsStatus() { frame->RunCommand(ID_GPS_STATUS); }
    [[nodiscard]] QString GpsLatitude() const { return app.StatusWindows()->GpsStatus().View().LatitudeText(); }
    // What the unit keeps across restarts.
    [[nodiscard]] QByteArray StoredState() const { return FileBytes(StatePath()); }
};

TEST_F(ReadWriteFaults, ALostReplyFailsOneReadAndTheNextRequestIsAnswered)
{
    // Every second TRANSFER is lost: the probe goes through, the dialog's first read does not.
    StartUnit({QStringLiteral("--drop-every"), QStringLiteral("2")});
    StartProgram();
    ASSERT_TRUE(ConnectRemotely(300));
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_FALSE(ReadVersion());
    EXPECT_EQ(Messages(), QStringList{ReadingProblem()});
    EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Error);
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission) << "a lost reply does not end the connection";
    EXPECT_EQ(Menus(), kMenusCommissionMode);

    // The third request (the status window's) is answered.
    ShowGpsStatus();
    EXPECT_TRUE(PumpUntil([&] { return GpsLatitude().startsWith(QStringLiteral("N 59")); }, 5000));
}

TEST_F(ReadWriteFaults, RefusedReadsEndTheDialogWhileStatusQueriesGoOn)
{
    StartUnit({QStringLiteral("--nak-opcode"), QStringLiteral("0x54")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    ShowGpsStatus();
    EXPECT_FALSE(ReadVersion());
    EXPECT_EQ(Messages(), QStringList{ReadingProblem()});
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission);
    EXPECT_TRUE(PumpUntil([&] { return GpsLatitude().startsWith(QStringLiteral("N 59")); }, 5000));
    PumpFor(300); // a few refreshes: a refused read does not arm the watchdog
    EXPECT_FALSE(frame->Controller().IsWatchdogRunning());
    EXPECT_EQ(State(), ConnectionState::Commission);
}

TEST_F(ReadWriteFaults, AFailedGpsReadEndsVersionInformationWithoutItsValues)
{
    // Version Information reads the GPS group before the versions; the GPS
    // group's read of 0xC001 never gets through, the versions' read does.
    StartUnit({QStringLiteral("--fail-request"), QStringLiteral("53540100c001")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_FALSE(ReadVersion()) << "no values shown from a read that failed in part";
    EXPECT_EQ(Messages(), QStringList{ReadingProblem()});
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission);
}

TEST_F(ReadWriteFaults, ARefusedWriteKeepsTheDialogOpenAndTheUnitUnchanged)
{
    StartUnit({QStringLiteral("--nak-opcode"), QStringLiteral("0x53")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    const QString before = ReadUserName();
    EXPECT_FALSE(WriteUserName(kNewName));
    EXPECT_EQ(Messages(), QStringList{SendingProblem()});
    EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Error);
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_FALSE(StoredState().contains(kNewName.toLatin1().toHex())) << "nothing written";
    EXPECT_EQ(ReadUserName(), before);
    EXPECT_EQ(State(), ConnectionState::Commission);
}

TEST_F(ReadWriteFaults, AConnectionBrokenBetweenReadAndWriteIsOpenedAgainAndTheWriteArrives)
{
    // Five replies per connection: the probe and the dialog's four reads use
    // up the first, so the write goes out after a break, over a new one.
    StartUnit({QStringLiteral("--break-after"), QStringLiteral("5")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_TRUE(WriteUserName(kNewName));
    EXPECT_TRUE(prompts.shown.empty()) << Messages().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(StoredState().contains(kNewName.toLatin1().toHex())) << "the unit keeps the write";
    EXPECT_EQ(ReadUserName(), kNewName);
    EXPECT_TRUE(ReadVersion()); // after the second break
    EXPECT_TRUE(prompts.shown.empty());
    std::vector<int> repliesPerConnection;
    for (const QJsonObject& line : TraceLines(TracePath())) {
        if (line.value(QStringLiteral("kind")).toString() == QStringLiteral("open"))
            repliesPerConnection.push_back(0);
        else if (!repliesPerConnection.empty())
            ++repliesPerConnection.back();
    }
    // Probe and four reads; the write and four reads; Version Information's three reads.
    EXPECT_EQ(repliesPerConnection, (std::vector<int>{5, 5, 3}));
    EXPECT_EQ(State(), ConnectionState::Commission);
}

TEST_F(ReadWriteFaults, TheUnitGoneFailsAReadAndBackOnItsPortAnswersTheNext)
{
    StartUnit({});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    StopUnit();
    EXPECT_FALSE(ReadVersion());
    EXPECT_EQ(Messages(), QStringList{ReadingProblem()});
    EXPECT_EQ(OpenDialogs(), QStringList{});
    EXPECT_EQ(State(), ConnectionState::Commission) << "no status window polls, so no watchdog";

    RestartUnitWithout();
    EXPECT_TRUE(ReadVersion());
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(ReadWriteFaults, TheUnitGoneWhileStatusWindowsPollIsDisconnectedByTheWatchdog)
{
    StartUnit({});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    ShowGpsStatus();
    ASSERT_TRUE(PumpUntil([&] { return GpsLatitude().startsWith(QStringLiteral("N 59")); }, 5000));
    StopUnit();
    // Six unanswered refreshes arm the watchdog, which fires 200 ms later.
    ASSERT_TRUE(PumpUntil([&] { return State() == ConnectionState::Disconnected; }, 8000));
    PumpFor(300);
    EXPECT_EQ(Messages(), QStringList{kCannotConnect});
    EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Error);
    EXPECT_EQ(HandlerState(), ConnectionState::Disconnected);
    EXPECT_FALSE(app.StatusWindows()->AnyVisible());
    EXPECT_FALSE(frame->Controller().IsWatchdogRunning());
    EXPECT_EQ(frame->windowTitle(), kBareTitle);
    EXPECT_EQ(Menus(), kMenusDisconnected);
    EXPECT_EQ(OpenDialogs(), QStringList{});

    RestartUnitWithout();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_TRUE(ReadVersion());
    EXPECT_EQ(prompts.shown.size(), 1u);
}

} // namespace
} // namespace faults
