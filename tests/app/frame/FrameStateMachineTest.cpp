// The main frame's workflow transitions on their own, notice by notice, with
// what each asks the frame to do.

#include "app/frame/FrameStateMachine.h"

#include <gtest/gtest.h>

namespace {

using A = FrameAction;
using E = FrameEvent;
using S = ConnectionState;

// A machine brought to commission mode on a local connection.
CFrameStateMachine CommissionedMachine(bool startupSwitch = false)
{
    CFrameStateMachine machine(startupSwitch);
    machine.Transition(E::LocalConnectStarted);
    machine.Transition(E::Connecting);
    machine.Transition(E::Connected);
    machine.Transition(E::CommissionCommand);
    machine.Transition(E::CommissionAcknowledged);
    machine.Transition(E::CommissionMode);
    return machine;
}

} // namespace

TEST(FrameStateMachine, ResetReconnectsSilentlyAndRestartsOnlyTheVisibleWindows)
{
    CFrameStateMachine machine = CommissionedMachine();
    EXPECT_EQ(machine.Transition(E::ReconnectTimer, true), A::Reconnect);
    EXPECT_EQ(machine.Phase(), FramePhase::Reconnecting);
    machine.Transition(E::LocalConnectStarted);
    EXPECT_EQ(machine.Phase(), FramePhase::Reconnecting) << "the repeated command keeps the reconnection";
    machine.Transition(E::Connecting);
    // Commission mode again without being asked.
    EXPECT_EQ(machine.Transition(E::Connected), A::EnterCommissionMode);
    EXPECT_EQ(machine.Connection(), S::EnteringCommission);
    EXPECT_EQ(machine.Transition(E::CommissionAcknowledged), A::StatusWindowsDue);
    EXPECT_EQ(machine.Transition(E::StatusWindowsDue), A::RestartVisibleStatusWindows);
    machine.Transition(E::CommissionMode);
    EXPECT_EQ(machine.Connection(), S::Commission);

    // The user's disconnection ends it; the windows go with commission mode.
    machine.Transition(E::DisconnectCommand);
    EXPECT_EQ(machine.Phase(), FramePhase::Idle);
    EXPECT_EQ(machine.Transition(E::Disconnected), A::HideStatusWindows);
}

TEST(FrameStateMachine, AReconnectionThatFailsIsReportedOnceAndHidesTheWindows)
{
    CFrameStateMachine machine = CommissionedMachine();
    machine.Transition(E::ReconnectTimer, true);
    machine.Transition(E::LocalConnectStarted);
    machine.Transition(E::Connecting);
    EXPECT_EQ(machine.Transition(E::ConnectFailed),
              A::ForgetConnection | A::ShowCannotConnect | A::HideStatusWindows);
    EXPECT_EQ(machine.Connection(), S::Failed);
    EXPECT_EQ(machine.Phase(), FramePhase::Idle);

    // Nothing to reconnect: without a unit, or while commission mode is still asked for.
    CFrameStateMachine idle;
    EXPECT_EQ(idle.Transition(E::ReconnectTimer, false), A::None);
    CFrameStateMachine entering = CommissionedMachine();
    entering.Transition(E::CommissionRequested);
    EXPECT_EQ(entering.Transition(E::ReconnectTimer, true), A::None);
    EXPECT_EQ(entering.Phase(), FramePhase::Idle);
}

TEST(FrameStateMachine, ACancelledAttemptIsReportedOnceAndClosedIfItIsMadeAfterAll)
{
    CFrameStateMachine machine;
    machine.Transition(E::LocalConnectStarted);
    machine.Transition(E::Connecting);
    EXPECT_EQ(machine.Transition(E::ConnectCancelled), A::ShowCannotConnect);
    EXPECT_EQ(machine.Transition(E::Connected), A::Disconnect);
    EXPECT_EQ(machine.Connection(), S::Connecting) << "never shown as connected";
    machine.Transition(E::DisconnectCommand);
    EXPECT_EQ(machine.Transition(E::Disconnected), A::None);
    EXPECT_EQ(machine.Phase(), FramePhase::Idle);

    // Cancelled, then failed: the failure says nothing more.
    machine.Transition(E::LocalConnectStarted);
    machine.Transition(E::Connecting);
    machine.Transition(E::ConnectCancelled);
    EXPECT_EQ(machine.Transition(E::ConnectFailed), A::ForgetConnection);
    EXPECT_EQ(machine.Connection(), S::Failed);
}

TEST(FrameStateMachine, ACancellationDoesNotOutliveItsAttempt)
{
    // A cancelled attempt that then failed leaves no disconnection waiting
    // for the next connection, whichever command makes it.
    for (E next : {E::LocalConnectStarted, E::RemoteConnectStarted, E::KeptConnectStarted}) {
        CFrameStateMachine machine;
        machine.Transition(E::LocalConnectStarted);
        machine.Transition(E::Connecting);
        machine.Transition(E::ConnectCancelled);
        machine.Transition(E::ConnectFailed);
        machine.Transition(next);
        machine.Transition(E::Connecting);
        EXPECT_EQ(machine.Transition(E::Connected), A::None) << static_cast<int>(next);
        EXPECT_EQ(machine.Connection(), S::Connected);
        // And a failure of the new attempt is reported.
        CFrameStateMachine failing;
        failing.Transition(E::LocalConnectStarted);
        failing.Transition(E::ConnectCancelled);
        failing.Transition(E::ConnectFailed);
        failing.Transition(next);
        EXPECT_TRUE(Has(failing.Transition(E::ConnectFailed), A::ShowCannotConnect));
    }
}

TEST(FrameStateMachine, ClosingWhileConnectedDisconnectsAndClosesOnTheDisconnection)
{
    CFrameStateMachine machine = CommissionedMachine();
    EXPECT_EQ(machine.Transition(E::CloseWhileConnected), A::Disconnect);
    machine.Transition(E::DisconnectCommand);
    EXPECT_EQ(machine.Phase(), FramePhase::Closing) << "the disconnection command keeps the close";
    EXPECT_EQ(machine.Transition(E::Disconnected), A::HideStatusWindows | A::PostClose);
    EXPECT_EQ(machine.Phase(), FramePhase::Idle);
    EXPECT_EQ(machine.Transition(E::Disconnected), A::None) << "one close only";

    // Another unit than a QORA ends the program the same way.
    CFrameStateMachine other;
    other.Transition(E::Connecting);
    EXPECT_EQ(other.Transition(E::ConnectedOtherUnit), A::ShowIncompatibleUnit | A::PostClose);
}

TEST(FrameStateMachine, StartupCommissioningRunsOnceWhenCommissionModeIsAcknowledged)
{
    CFrameStateMachine machine(true);
    machine.Transition(E::StartupConnectStarted);
    EXPECT_TRUE(machine.StartupCommissioningPending());
    machine.Transition(E::Connecting);
    // A failed start-up attempt leaves the request for the next connection.
    machine.Transition(E::ConnectFailed);
    machine.Transition(E::LocalConnectStarted);
    machine.Transition(E::Connecting);
    EXPECT_EQ(machine.Transition(E::Connected), A::EnterCommissionMode);
    EXPECT_EQ(machine.Connection(), S::EnteringCommission);
    EXPECT_EQ(machine.Transition(E::CommissionAcknowledged), A::CommissionFromWorkOrder | A::StatusWindowsDue);
    EXPECT_FALSE(machine.StartupCommissioningPending());
    // The wizard ran while commission mode was confirmed: the windows stay as they are.
    machine.Transition(E::CommissionMode);
    EXPECT_EQ(machine.Transition(E::StatusWindowsDue), A::None);

    // Without the start-up switch nothing is commissioned and nothing asked.
    CFrameStateMachine plain(false);
    plain.Transition(E::StartupConnectStarted);
    plain.Transition(E::Connecting);
    EXPECT_EQ(plain.Transition(E::Connected), A::None);
    plain.Transition(E::CommissionCommand);
    EXPECT_EQ(plain.Transition(E::CommissionAcknowledged), A::StatusWindowsDue);
    EXPECT_EQ(plain.Transition(E::StatusWindowsDue), A::StartStatusWindows);
}

TEST(FrameStateMachine, TheReconnectionRepeatsTheLastConnectionCommand)
{
    CFrameStateMachine machine;
    machine.Transition(E::RemoteConnectStarted);
    EXPECT_EQ(machine.LastCommand(), ConnectionCommand::Remote);
    machine.Transition(E::KeptConnectStarted);
    EXPECT_EQ(machine.LastCommand(), ConnectionCommand::Remote);
    machine.Transition(E::LocalConnectStarted);
    EXPECT_EQ(machine.LastCommand(), ConnectionCommand::Local);
}

TEST(FrameStateMachine, EveryNoticeNumberIsKnownAndOthersAreNot)
{
    const std::pair<int, E> known[] = {{0, E::Disconnected},           {1, E::Connecting},
                                       {2, E::Connected},              {3, E::ConnectFailed},
                                       {4, E::CommissionRequested},    {5, E::CommissionMode},
                                       {8, E::CommissionAcknowledged}, {9, E::ConnectedOtherUnit},
                                       {11, E::ConnectCancelled}};
    for (const auto& [number, event] : known)
        EXPECT_EQ(FrameEventOf(NoticeOf(static_cast<MsgWParam>(number))), event) << number;
    for (int number : {6, 7, 10, 12, -1})
        EXPECT_FALSE(FrameEventOf(NoticeOf(static_cast<MsgWParam>(number)))) << number;
}
