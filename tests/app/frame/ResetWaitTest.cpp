// The wait after a reset: the countdown the status bar shows, the tries every
// few seconds from its start, and the retry time as the limit; and the
// workflow's transitions for a try that fails while the wait goes on.

#include "app/frame/ConnectionPaneText.h"
#include "app/frame/FrameStateMachine.h"
#include "app/frame/ResetWait.h"

#include <gtest/gtest.h>

using A = FrameAction;
using E = FrameEvent;
using S = ConnectionState;

TEST(ResetWait, CountsDownAndTriesEveryFewSecondsUntilTheRetryTime)
{
    CResetWait wait;
    EXPECT_FALSE(wait.Running());
    EXPECT_FALSE(wait.Tick());
    wait.Start(10);
    EXPECT_EQ(wait.CountdownText(), QStringLiteral("QORA restarting: reconnecting in 10 s"));
    std::vector<int> tries;
    for (int second = 1; second <= 12; ++second)
        if (wait.Tick())
            tries.push_back(second);
    // Every 3 s, but not at the limit itself: its expiry makes the last try.
    EXPECT_EQ(tries, (std::vector<int>{3, 6, 9}));
    EXPECT_TRUE(wait.Expired());
    EXPECT_EQ(wait.SecondsLeft(), 0);

    wait.Start(60);
    wait.Tick();
    EXPECT_EQ(wait.CountdownText(), QStringLiteral("QORA restarting: reconnecting in 59 s"));
    wait.Stop();
    EXPECT_FALSE(wait.Tick());
    EXPECT_EQ(wait.SecondsLeft(), 0);

    // A retry time shorter than the poll period: only the expiry tries.
    wait.Start(0);
    EXPECT_FALSE(wait.Tick());
    EXPECT_TRUE(wait.Expired());

    ConnectionPaneInputs pane;
    pane.resetPending = true;
    pane.unit = QStringLiteral("Local (10.0.0.1)");
    pane.countdown = QStringLiteral("QORA restarting: reconnecting in 42 s");
    EXPECT_EQ(ConnectionPaneText(pane), QStringLiteral("QORA restarting: reconnecting in 42 s"));
}

TEST(ResetWait, TriesThatFailDuringTheWaitAreRepeatedAndOnlyTheEndIsReported)
{
    CFrameStateMachine machine;
    machine.Transition(E::LocalConnectStarted);
    machine.Transition(E::Connected);
    machine.Transition(E::CommissionCommand);
    machine.Transition(E::CommissionMode);

    // The first poll of the wait starts the silent reconnection.
    EXPECT_EQ(machine.Transition(E::ResetPoll, true), A::Reconnect);
    EXPECT_EQ(machine.Phase(), FramePhase::Reconnecting);
    machine.Transition(E::Connecting);
    EXPECT_EQ(machine.Transition(E::ResetPoll, false), A::None) << "a try under way is left alone";
    EXPECT_EQ(machine.Transition(E::ReconnectAttemptFailed), A::None);
    EXPECT_EQ(machine.Phase(), FramePhase::Reconnecting);
    EXPECT_EQ(machine.Transition(E::ResetPoll, false), A::Reconnect);
    machine.Transition(E::Disconnected);
    EXPECT_EQ(machine.Transition(E::ResetPoll, false), A::Reconnect) << "a dropped try is tried again too";
    machine.Transition(E::ReconnectAttemptFailed);
    // A try that reaches a unit not yet seen gone leaves the wait going.
    EXPECT_EQ(machine.Transition(E::UnitStillAnswering), A::None);
    EXPECT_EQ(machine.Connection(), S::Connected);
    EXPECT_EQ(machine.Transition(E::ResetPoll, true), A::Reconnect) << "tried again";
    machine.Transition(E::Connecting);
    machine.Transition(E::ReconnectAttemptFailed);
    // The retry time is up: the expiry makes the last try (a unit back in
    // the last seconds is found), and only its failure is reported, once.
    EXPECT_EQ(machine.Transition(E::ReconnectTimer, false), A::Reconnect);
    machine.Transition(E::Connecting);
    EXPECT_EQ(machine.Transition(E::ConnectFailed), A::ForgetConnection | A::ShowCannotConnect | A::HideStatusWindows);
    EXPECT_EQ(machine.Phase(), FramePhase::Idle);
    EXPECT_EQ(machine.Transition(E::ReconnectTimer, false), A::None);

    // The engineer gives up after a failed try: the windows that waited go,
    // since no notice of commission mode ending will come.
    CFrameStateMachine givenUp;
    givenUp.Transition(E::LocalConnectStarted);
    givenUp.Transition(E::Connected);
    givenUp.Transition(E::ResetPoll, true);
    givenUp.Transition(E::ReconnectAttemptFailed);
    EXPECT_EQ(givenUp.Transition(E::DisconnectCommand), A::HideStatusWindows);
    EXPECT_EQ(givenUp.Connection(), S::Disconnected);
    EXPECT_EQ(givenUp.Phase(), FramePhase::Idle);

    // A try under way at the end decides by itself.
    CFrameStateMachine late;
    late.Transition(E::LocalConnectStarted);
    late.Transition(E::Connected);
    late.Transition(E::ResetPoll, true);
    late.Transition(E::Connecting);
    EXPECT_EQ(late.Transition(E::ReconnectTimer, false), A::None);
    EXPECT_EQ(late.Transition(E::Connected), A::EnterCommissionMode);
    EXPECT_EQ(late.Connection(), S::EnteringCommission);
}
