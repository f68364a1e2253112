#include "data/RequestChannel.h"

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "link/DeviceMessageNotice.h"
#include "platform/PostMessage.h"

CRequestChannel::CRequestChannel(CMessageTarget& owner, IReplyListener& listener)
    : owner_(owner), listener_(listener), requester_(owner.Serial())
{
}

void CRequestChannel::Register()
{
    if (CCommHandler* handler = AppCommHandler())
        handler->AddListener(&owner_);
}

void CRequestChannel::Unregister()
{
    if (CCommHandler* handler = AppCommHandler())
        handler->RemoveListener(&owner_);
}

void CRequestChannel::Send(std::unique_ptr<CDeviceMessage> request) const
{
    SendToHandler(AppCommHandler(), std::move(request), requester_);
}

bool CRequestChannel::IsOwnFailure() const
{
    return IsFailureOf(owner_, requester_);
}

void CRequestChannel::AddWindow(CMessageTarget* window)
{
    if (!window)
        return;
    for (Window& entry : windows_) {
        if (entry.window == window) {
            if (!entry.alive)
                entry.alive = window; // a new window where a destroyed one was
            return;
        }
    }
    windows_.push_back({window, TargetPtr(window)});
}

void CRequestChannel::NotifyWindows(unsigned message, std::uint16_t result) const
{
    for (const Window& entry : windows_)
        if (entry.alive)
            PostMessageTo(entry.alive, message, result, reinterpret_cast<MsgLParam>(&owner_));
}

void CRequestChannel::Dispatch(MsgWParam wParam, MsgLParam lParam)
{
    if (wParam == 0) {
        // A failure of another requester's request (say, of a dialog closed
        // meanwhile) is none of this owner's business.
        if (IsOwnFailure())
            listener_.OnRequestLost(lParam);
        return;
    }
    if (const std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam))
        listener_.OnUnitReply(*reply);
}
