#pragma once
// The connection as the handler and the main frame describe it: its state,
// the kind of connection callers ask for, how it was routed, and the notices
// the handler posts about it. The numbers are the ones posted as wParam and
// the ones the unit's tools have always used; they never change.

#include "platform/MessageTarget.h"

// What the connection is doing. The handler uses every value but Failed; the
// main frame's view of the connection uses them all.
enum class ConnectionState : int {
    Disconnected = 0,
    Connecting = 1,
    Connected = 2,
    Failed = 3,             // the last attempt failed (the frame's view only)
    EnteringCommission = 4, // commission mode asked for, not yet confirmed
    Commission = 5,
};

inline constexpr ConnectionState STATE_DISCONNECTED = ConnectionState::Disconnected;
inline constexpr ConnectionState STATE_CONNECTING = ConnectionState::Connecting;
inline constexpr ConnectionState STATE_CONNECTED = ConnectionState::Connected;
inline constexpr ConnectionState STATE_ENTERING_COMMISSION = ConnectionState::EnteringCommission;
inline constexpr ConnectionState STATE_COMMISSION = ConnectionState::Commission;

// How Connect was asked to reach the unit: a local connection or a remote one
// to a string kept from earlier, or a remote one to a string the network
// browser has just returned.
enum class ConnectionRoute : int {
    Browsed = 0,
    Direct = 1,
};

// What GetConnectionType reports. Odd values: a direct route; even: a string
// fresh from the network browser, which the download treats as remote.
enum class ConnectionType : int {
    None = 0,
    Connected = 1,
    ConnectedBrowsed = 2,
    Commission = 3,
    CommissionBrowsed = 4,
};

// A unit answers (any type but None).
[[nodiscard]] constexpr bool IsConnected(ConnectionType type)
{
    return type != ConnectionType::None;
}

// The unit is in commission mode: most maintenance needs this.
[[nodiscard]] constexpr bool InCommissionMode(ConnectionType type)
{
    return type == ConnectionType::Commission || type == ConnectionType::CommissionBrowsed;
}

// Connected through a string the network browser has just returned.
[[nodiscard]] constexpr bool IsRemote(ConnectionType type)
{
    return type == ConnectionType::ConnectedBrowsed || type == ConnectionType::CommissionBrowsed;
}

// The type a connection in the given state and route has.
[[nodiscard]] constexpr ConnectionType TypeOfConnection(ConnectionState state, ConnectionRoute route)
{
    const bool direct = route == ConnectionRoute::Direct;
    switch (state) {
    case ConnectionState::Connected:
    case ConnectionState::EnteringCommission:
        return direct ? ConnectionType::Connected : ConnectionType::ConnectedBrowsed;
    case ConnectionState::Commission:
        return direct ? ConnectionType::Commission : ConnectionType::CommissionBrowsed;
    default:
        return ConnectionType::None;
    }
}

// wParam of WM_CONNECTION_EVENT posted to the main window.
enum class ConnectionNotice : int {
    Disconnected = 0,
    Connecting = 1,
    Connected = 2,
    ConnectFailed = 3,
    CommissionRequested = 4,
    CommissionMode = 5,
    CommissionAcknowledged = 8,
    ConnectedOtherUnit = 9,
    ConnectCancelled = 11,
};

inline constexpr ConnectionNotice NOTICE_DISCONNECTED = ConnectionNotice::Disconnected;
inline constexpr ConnectionNotice NOTICE_CONNECTING = ConnectionNotice::Connecting;
inline constexpr ConnectionNotice NOTICE_CONNECTED = ConnectionNotice::Connected;
inline constexpr ConnectionNotice NOTICE_CONNECT_FAILED = ConnectionNotice::ConnectFailed;
inline constexpr ConnectionNotice NOTICE_COMMISSION_REQUESTED = ConnectionNotice::CommissionRequested;
inline constexpr ConnectionNotice NOTICE_COMMISSION_MODE = ConnectionNotice::CommissionMode;
inline constexpr ConnectionNotice NOTICE_COMMISSION_ACKNOWLEDGED = ConnectionNotice::CommissionAcknowledged;
inline constexpr ConnectionNotice NOTICE_CONNECTED_OTHER_UNIT = ConnectionNotice::ConnectedOtherUnit;
inline constexpr ConnectionNotice NOTICE_CONNECT_CANCELLED = ConnectionNotice::ConnectCancelled;

// The notice a WM_CONNECTION_EVENT to the main window carries. Numbers that
// name no notice come through unchanged and match no case.
[[nodiscard]] constexpr ConnectionNotice NoticeOf(MsgWParam wParam)
{
    return static_cast<ConnectionNotice>(static_cast<int>(wParam));
}

// Posts a notice to the main window as WM_CONNECTION_EVENT.
bool PostConnectionNotice(ConnectionNotice notice);
