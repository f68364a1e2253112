#pragma once
// The plumbing between something that asks the unit and the communication
// handler: listening to the handler, handing a request over, turning the
// handler's notices into a reply or a lost request, and telling the windows
// that follow the owner. The parameter groups and the download engine each
// own one; the owner stays the target the handler posts to and the source
// its windows' notices name.

#include "link/DeviceMessage.h"
#include "platform/MessageTarget.h"

#include <cstdint>
#include <memory>
#include <vector>

// What a channel's owner does with the handler's notices.
class IReplyListener {
public:
    virtual ~IReplyListener() = default;
    // A message from the unit; every listener sees every reply and picks its own.
    virtual void OnUnitReply(const CDeviceMessage& reply) = 0;
    // One of the owner's requests (or one nobody claimed) could not be
    // delivered; `header` holds its first bytes as the handler packs them.
    virtual void OnRequestLost(MsgLParam header) = 0;

protected:
    IReplyListener() = default;
    IReplyListener(const IReplyListener&) = default;
    IReplyListener& operator=(const IReplyListener&) = default;
};

class CRequestChannel {
public:
    CRequestChannel(CMessageTarget& owner, IReplyListener& listener);
    CRequestChannel(const CRequestChannel&) = delete;
    CRequestChannel& operator=(const CRequestChannel&) = delete;

    // Adds or removes the owner as a listener of the application's handler.
    void Register();
    void Unregister();
    // Hands the request to the application's handler, which takes it; with no
    // handler it is dropped.
    void Send(std::unique_ptr<CDeviceMessage> request) const;

    // The channels of one dialog or command work for it together: their
    // requests go in its name, and the failure of any of them is a failure
    // of each (the dialog's whole read ends). Failures of other requesters'
    // requests still pass them by. By default a channel works for its owner.
    void WorkFor(const CMessageTarget& requester) { requester_ = requester.Serial(); }
    [[nodiscard]] TargetSerial Requester() const { return requester_; }
    // While a failure notice is delivered to the owner: whether it is about a
    // request made in this channel's name (or one nobody claimed).
    [[nodiscard]] bool IsOwnFailure() const;

    // Windows notified in the order added; one destroyed meanwhile is skipped.
    void AddWindow(CMessageTarget* window);
    void NotifyWindows(unsigned message, std::uint16_t result) const;

    // Takes a WM_DEVICE_MESSAGE notice the owner received: the reply it
    // carries goes to the listener and is deleted afterwards.
    void Dispatch(MsgWParam wParam, MsgLParam lParam);

private:
    struct Window {
        CMessageTarget* window;
        TargetPtr alive;
    };

    CMessageTarget& owner_;
    IReplyListener& listener_;
    TargetSerial requester_;
    std::vector<Window> windows_;
};
