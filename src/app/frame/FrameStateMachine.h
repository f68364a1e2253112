#pragma once
// The main frame's connection workflow as one state: its view of the
// connection, what it is in the middle of, which connection command made the
// connection, and whether the start-up request still waits to commission.
// Every change goes through Transition, which answers with what the frame has
// to do; the controller does it. Widget-free and handler-free, so each
// transition is tested on its own.

#include "link/ConnectionType.h"

#include <optional>
#include <type_traits>

// What the frame is in the middle of, beyond the connection's own state.
enum class FramePhase {
    Idle,
    Cancelled,    // the user cancelled the attempt under way; made after all, it is closed at once
    Reconnecting, // the automatic reconnection after a reset (kept until the connection ends)
    Closing,      // the frame disconnects first and closes once that is reported
};

// The connection command a reconnection repeats.
enum class ConnectionCommand { Local, Remote };

enum class FrameEvent {
    // The handler's notices and the connecting window's.
    Disconnected,
    Connecting,
    Connected,
    ConnectFailed,
    CommissionRequested,
    CommissionMode,
    CommissionAcknowledged,
    ConnectedOtherUnit,
    ConnectCancelled,
    // The frame's own commands, each as it calls the handler.
    LocalConnectStarted,
    RemoteConnectStarted,  // a string the browser has just returned or resolved
    KeptConnectStarted,    // the remote string kept from earlier
    StartupConnectStarted, // commissions from the work order once in commission mode
    CommissionCommand,
    DisconnectCommand,
    ReconnectTimer,      // the wait after a reset is over
    ResetPoll,           // during that wait: time to try the unit again
    ReconnectAttemptFailed, // a try during the wait failed; the wait goes on
    UnitStillAnswering,  // a try during the wait reached a unit not yet seen gone: not restarted yet
    WaitAbandoned,       // the engineer connects anew during the wait
    CloseWhileConnected, // the frame is asked to close while a unit is connected
    StatusWindowsDue,    // after commission mode is acknowledged (and a start-up commissioning)
};

// What a transition asks the frame to do, carried out in this order.
enum class FrameAction : unsigned {
    None = 0,
    ForgetConnection = 1u << 0,     // bare title, no remote names or description, full control
    ShowCannotConnect = 1u << 1,    // message 61264
    ShowIncompatibleUnit = 1u << 2, // message 61356
    HideStatusWindows = 1u << 3,
    Disconnect = 1u << 4,          // the Disconnect command
    EnterCommissionMode = 1u << 5, // ask the handler
    CommissionFromWorkOrder = 1u << 6,
    StatusWindowsDue = 1u << 7, // then ask again with FrameEvent::StatusWindowsDue
    StartStatusWindows = 1u << 8,
    RestartVisibleStatusWindows = 1u << 9,
    Reconnect = 1u << 10, // close silently and repeat the last connection command
    PostClose = 1u << 11, // the frame asks itself to close again
};

[[nodiscard]] constexpr FrameAction operator|(FrameAction a, FrameAction b)
{
    using U = std::underlying_type_t<FrameAction>;
    return static_cast<FrameAction>(static_cast<U>(a) | static_cast<U>(b));
}
constexpr FrameAction& operator|=(FrameAction& a, FrameAction b)
{
    return a = a | b;
}
[[nodiscard]] constexpr bool Has(FrameAction actions, FrameAction one)
{
    using U = std::underlying_type_t<FrameAction>;
    return (static_cast<U>(actions) & static_cast<U>(one)) != 0;
}

class CFrameStateMachine {
public:
    // startupSwitch: the program was started to connect locally and commission.
    explicit CFrameStateMachine(bool startupSwitch = false) : startupSwitch_(startupSwitch) {}

    // unitConnected: the handler reports a unit connected (any type but None);
    // only the reconnection timer looks at it.
    FrameAction Transition(FrameEvent event, bool unitConnected = false);

    [[nodiscard]] ConnectionState Connection() const { return connection_; }
    [[nodiscard]] FramePhase Phase() const { return phase_; }
    [[nodiscard]] ConnectionCommand LastCommand() const { return lastCommand_; }
    [[nodiscard]] bool StartupCommissioningPending() const { return startupPending_; }

private:
    FrameAction OnConnected();

    const bool startupSwitch_;
    ConnectionState connection_ = ConnectionState::Disconnected;
    FramePhase phase_ = FramePhase::Idle;
    ConnectionCommand lastCommand_ = ConnectionCommand::Local;
    bool startupPending_ = false;
};

// A notice of the handler as the frame's event; nothing for numbers that name no notice.
[[nodiscard]] std::optional<FrameEvent> FrameEventOf(ConnectionNotice notice);
