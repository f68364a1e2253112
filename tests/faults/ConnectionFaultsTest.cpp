// Faults while the connection opens: the unit refuses it, is not there,
// answers too late or not at all, or is not a QORA unit. Each ends in one
// message, the bare title, the connection commands on offer again, no
// dialog left open, and a later connection that works.

#include "faults/FaultRig.h"

namespace faults {
namespace {

class ConnectionFaults : public FaultRig {
protected:
    // What every failed connection leaves behind.
    void ExpectFailedConnection()
    {
        EXPECT_EQ(Messages(), QStringList{kCannotConnect});
        EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Error);
        EXPECT_EQ(State(), ConnectionState::Failed);
        EXPECT_EQ(HandlerState(), ConnectionState::Disconnected);
        EXPECT_EQ(frame->windowTitle(), kBareTitle);
        EXPECT_TRUE(frame->Controller().FullControl());
        EXPECT_EQ(Menus(), kMenusDisconnected);
        EXPECT_EQ(OpenDialogs(), QStringList{}) << "the connecting dialog closes";
    }
};

TEST_F(ConnectionFaults, RefusedOpenFailsOnceAndTheUnitBackOnItsPortConnects)
{
    StartUnit({QStringLiteral("--refuse-open")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally(ConnectionState::Failed));
    PumpFor(100);
    ExpectFailedConnection();
    // The unit was asked once and never reached: no TRANSFER.
    const std::vector<QJsonObject> lines = TraceLines(TracePath());
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].value(QStringLiteral("kind")).toString(), QStringLiteral("open"));
    EXPECT_EQ(lines[0].value(QStringLiteral("result")).toInt(), 1);

    RestartUnitWithout();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_EQ(Menus(), kMenusCommissionMode);
    EXPECT_EQ(frame->windowTitle(), kBareTitle + QStringLiteral(" - Local (192.168.255.120)"));
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(ConnectionFaults, NoUnitListeningFailsTheConnection)
{
    StartUnit({});
    StartProgram();
    StopUnit();
    ASSERT_TRUE(ConnectLocally(ConnectionState::Failed));
    PumpFor(100);
    ExpectFailedConnection();

    RestartUnitWithout();
    EXPECT_TRUE(ConnectLocally());
}

TEST_F(ConnectionFaults, RepliesLaterThanTheTimeoutFailTheConnection)
{
    StartUnit({QStringLiteral("--delay-ms"), QStringLiteral("1500")});
    StartProgram();
    ASSERT_TRUE(ConnectRemotely(300, ConnectionState::Failed));
    PumpFor(100);
    ExpectFailedConnection();
    EXPECT_TRUE(frame->Controller().RemoteNodeName().isEmpty());
    EXPECT_TRUE(frame->Controller().ConnectionDescription().isEmpty());

    // The same slow unit is reachable with a timeout that waits for it.
    ASSERT_TRUE(ConnectRemotely(4000, ConnectionState::Connected));
    EXPECT_EQ(frame->windowTitle(), kBareTitle + QStringLiteral(" - Remote (QORA-131)"));
    EXPECT_EQ(prompts.shown.size(), 1u);
}

TEST_F(ConnectionFaults, RepliesLateWithinTheTimeoutOnlySlowTheToolDown)
{
    StartUnit({QStringLiteral("--delay-ms"), QStringLiteral("150")});
    StartProgram();
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    EXPECT_TRUE(ReadVersion());
    EXPECT_TRUE(prompts.shown.empty()) << Messages().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(State(), ConnectionState::Commission);
}

TEST_F(ConnectionFaults, EveryProbeLostFailsTheConnection)
{
    StartUnit({QStringLiteral("--drop-probability"), QStringLiteral("1"), QStringLiteral("--seed"),
               QStringLiteral("7")});
    StartProgram();
    ASSERT_TRUE(ConnectRemotely(300, ConnectionState::Failed));
    PumpFor(100);
    ExpectFailedConnection();
    EXPECT_EQ(frame->Controller().UnitBusAddress(), 131) << "kept for the next attempt";
}

TEST_F(ConnectionFaults, AnotherKindOfUnitIsRefusedAndTheProgramCloses)
{
    StartUnit({QStringLiteral("--identity"), QStringLiteral("QORHW1")});
    StartProgram();
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
    frame->RunCommand(ID_LOCAL_CONNECTION);
    ASSERT_TRUE(PumpUntil([&] { return !frame->isVisible(); }, 8000));
    EXPECT_EQ(Messages(), QStringList{QStringLiteral(
                              "The connected QOR unit is not compatible with the used QORA Manager software.\n\n"
                              "Switch to the correct QOR Manager software and try again.")});
    EXPECT_EQ(prompts.shown.at(0).icon, MsgIcon::Error);
    EXPECT_EQ(State(), ConnectionState::Disconnected);
    EXPECT_EQ(HandlerState(), ConnectionState::Disconnected);
    EXPECT_EQ(OpenDialogs(), QStringList{});
    // The probe was the only request: nothing was asked of the wrong unit.
    int transfers = 0;
    for (const QJsonObject& line : TraceLines(TracePath()))
        transfers += line.value(QStringLiteral("kind")).toString() == QStringLiteral("transfer");
    EXPECT_EQ(transfers, 1);
    EXPECT_TRUE(sandbox.Raw(QStringLiteral("Settings/Coordinates"))->contains(QStringLiteral("MainFrm x1")))
        << "closed as on exit, placement saved";
}

} // namespace
} // namespace faults
