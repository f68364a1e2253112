#include "app/frame/FrameStateMachine.h"

std::optional<FrameEvent> FrameEventOf(ConnectionNotice notice)
{
    switch (notice) {
    case ConnectionNotice::Disconnected: return FrameEvent::Disconnected;
    case ConnectionNotice::Connecting: return FrameEvent::Connecting;
    case ConnectionNotice::Connected: return FrameEvent::Connected;
    case ConnectionNotice::ConnectFailed: return FrameEvent::ConnectFailed;
    case ConnectionNotice::CommissionRequested: return FrameEvent::CommissionRequested;
    case ConnectionNotice::CommissionMode: return FrameEvent::CommissionMode;
    case ConnectionNotice::CommissionAcknowledged: return FrameEvent::CommissionAcknowledged;
    case ConnectionNotice::ConnectedOtherUnit: return FrameEvent::ConnectedOtherUnit;
    case ConnectionNotice::ConnectCancelled: return FrameEvent::ConnectCancelled;
    }
    return std::nullopt;
}

FrameAction CFrameStateMachine::OnConnected()
{
    if (phase_ == FramePhase::Cancelled)
        return FrameAction::Disconnect;
    connection_ = ConnectionState::Connected;
    // After a reset, and for the start-up request, commission mode is asked for at once.
    if (phase_ == FramePhase::Reconnecting || (startupSwitch_ && startupPending_)) {
        connection_ = ConnectionState::EnteringCommission;
        return FrameAction::EnterCommissionMode;
    }
    return FrameAction::None;
}

FrameAction CFrameStateMachine::Transition(FrameEvent event, bool unitConnected)
{
    FrameAction actions = FrameAction::None;
    switch (event) {
    case FrameEvent::Disconnected:
        if (connection_ == ConnectionState::Commission)
            actions |= FrameAction::HideStatusWindows;
        if (connection_ != ConnectionState::Disconnected && phase_ == FramePhase::Closing) {
            phase_ = FramePhase::Idle;
            actions |= FrameAction::PostClose;
        }
        connection_ = ConnectionState::Disconnected;
        if (phase_ == FramePhase::Cancelled)
            phase_ = FramePhase::Idle;
        break;
    case FrameEvent::Connecting:
        connection_ = ConnectionState::Connecting;
        break;
    case FrameEvent::Connected:
        actions = OnConnected();
        break;
    case FrameEvent::ConnectFailed:
        actions |= FrameAction::ForgetConnection;
        if (phase_ == FramePhase::Reconnecting) {
            // The unit did not come back after its reset.
            actions |= FrameAction::ShowCannotConnect | FrameAction::HideStatusWindows;
            phase_ = FramePhase::Idle;
        } else if (phase_ != FramePhase::Cancelled) {
            actions |= FrameAction::ShowCannotConnect; // a cancelled attempt was reported already
        }
        connection_ = ConnectionState::Failed;
        break;
    case FrameEvent::CommissionRequested:
    case FrameEvent::CommissionCommand:
        connection_ = ConnectionState::EnteringCommission;
        if (event == FrameEvent::CommissionCommand)
            actions |= FrameAction::EnterCommissionMode;
        break;
    case FrameEvent::CommissionMode:
        connection_ = ConnectionState::Commission;
        break;
    case FrameEvent::CommissionAcknowledged:
        if (startupSwitch_ && startupPending_) {
            startupPending_ = false;
            actions |= FrameAction::CommissionFromWorkOrder;
        }
        // The start-up commissioning runs its wizard modally and notices
        // arrive meanwhile: the windows follow the state as it is afterwards.
        actions |= FrameAction::StatusWindowsDue;
        break;
    case FrameEvent::StatusWindowsDue:
        if (connection_ == ConnectionState::EnteringCommission)
            actions |= phase_ == FramePhase::Reconnecting ? FrameAction::RestartVisibleStatusWindows
                                                          : FrameAction::StartStatusWindows;
        break;
    case FrameEvent::ConnectedOtherUnit:
        actions |= FrameAction::ShowIncompatibleUnit | FrameAction::PostClose;
        break;
    case FrameEvent::ConnectCancelled:
        if (phase_ != FramePhase::Closing)
            phase_ = FramePhase::Cancelled;
        actions |= FrameAction::ShowCannotConnect;
        break;
    case FrameEvent::LocalConnectStarted:
    case FrameEvent::RemoteConnectStarted:
    case FrameEvent::KeptConnectStarted:
    case FrameEvent::StartupConnectStarted:
        // A cancellation belongs to the attempt it was made in.
        if (phase_ == FramePhase::Cancelled)
            phase_ = FramePhase::Idle;
        if (event == FrameEvent::LocalConnectStarted)
            lastCommand_ = ConnectionCommand::Local;
        else if (event == FrameEvent::RemoteConnectStarted)
            lastCommand_ = ConnectionCommand::Remote;
        else if (event == FrameEvent::StartupConnectStarted)
            startupPending_ = true;
        break;
    case FrameEvent::DisconnectCommand:
        if (phase_ == FramePhase::Reconnecting) {
            phase_ = FramePhase::Idle;
            // Given up during the wait: the windows that waited for the unit
            // go now, as no notice of commission mode ending will come.
            if (connection_ != ConnectionState::Commission) {
                actions |= FrameAction::HideStatusWindows;
                if (connection_ == ConnectionState::Failed)
                    connection_ = ConnectionState::Disconnected;
            }
        }
        break;
    case FrameEvent::WaitAbandoned:
        // The frame has closed whatever the wait had open.
        phase_ = FramePhase::Idle;
        connection_ = ConnectionState::Disconnected;
        actions |= FrameAction::HideStatusWindows;
        break;
    case FrameEvent::UnitStillAnswering:
        connection_ = ConnectionState::Connected; // tried again at the next poll
        break;
    case FrameEvent::ReconnectTimer:
    case FrameEvent::ResetPoll:
        if (phase_ == FramePhase::Reconnecting
            && (connection_ == ConnectionState::Failed || connection_ == ConnectionState::Disconnected)) {
            // The last try failed: once more. At the expiry this is the last
            // try of all, and its failure is the one reported.
            actions |= FrameAction::Reconnect;
        } else if (unitConnected && connection_ != ConnectionState::EnteringCommission
                   && connection_ != ConnectionState::Connecting) {
            phase_ = FramePhase::Reconnecting;
            actions |= FrameAction::Reconnect;
        }
        // Otherwise a try is under way: its outcome decides.
        break;
    case FrameEvent::ReconnectAttemptFailed:
        // Not yet a failure: the unit may still be restarting.
        connection_ = ConnectionState::Failed;
        break;
    case FrameEvent::CloseWhileConnected:
        phase_ = FramePhase::Closing;
        actions |= FrameAction::Disconnect;
        break;
    }
    return actions;
}
