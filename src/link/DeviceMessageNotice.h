#pragma once
// The one place where a WM_DEVICE_MESSAGE notice's lParam becomes the owned
// message it carries. Every listener takes its copy through here.

#include "link/DeviceMessage.h"
#include "platform/MessageEvent.h"

#include <memory>

// The reply a notice with wParam 1 carries, owned by the caller from here on;
// null when the notice carries none (a failure notice, wParam 0).
[[nodiscard]] inline std::unique_ptr<CDeviceMessage> TakeDeviceMessage(MsgLParam lParam)
{
    return std::unique_ptr<CDeviceMessage>(reinterpret_cast<CDeviceMessage*>(lParam));
}
