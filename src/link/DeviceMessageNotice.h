#pragma once
// The one place where a device message and the lParam of a notice that carries
// it (WM_DEVICE_MESSAGE with wParam 1, WM_SEND_MESSAGE) turn into each other.
// Every listener takes its copy through here.

#include "link/DeviceMessage.h"
#include "platform/MessageEvent.h"
#include "platform/MessageIds.h"

#include <memory>

// The reply a notice with wParam 1 carries, owned by the caller from here on;
// null when the notice carries none (a failure notice, wParam 0).
[[nodiscard]] inline std::unique_ptr<CDeviceMessage> TakeDeviceMessage(MsgLParam lParam)
{
    return std::unique_ptr<CDeviceMessage>(reinterpret_cast<CDeviceMessage*>(lParam));
}

// The lParam that hands the message over; whoever receives it must take it
// back with TakeDeviceMessage.
[[nodiscard]] inline MsgLParam GiveDeviceMessage(std::unique_ptr<CDeviceMessage> message)
{
    return reinterpret_cast<MsgLParam>(message.release());
}

// Delivers a message to a listener at once, as the handler's posted copy
// would arrive (wParam 1); the listener owns it.
inline MsgResult DeliverDeviceMessage(CMessageTarget& listener, std::unique_ptr<CDeviceMessage> message)
{
    return listener.Send(WM_DEVICE_MESSAGE, 1, GiveDeviceMessage(std::move(message)));
}

// For a failure notice (wParam 0) being delivered to the listener: true when
// it is about one of the listener's own requests, or about a request that
// nobody claimed. Failures of other listeners' requests are not its concern.
[[nodiscard]] inline bool IsOwnFailure(const CMessageTarget& listener)
{
    const TargetSerial requester = listener.DeliveringFor();
    return requester == kNoRequester || requester == listener.Serial();
}

// The same for a listener that sends in the name of `requester` (the dialog
// or command it works for): a failure of any request made in that name is
// its own.
[[nodiscard]] inline bool IsFailureOf(const CMessageTarget& listener, TargetSerial requester)
{
    const TargetSerial failed = listener.DeliveringFor();
    return failed == kNoRequester || failed == requester;
}
