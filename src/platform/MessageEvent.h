#pragma once
// The queued form of a window message. An event may own the object its lParam
// points to; if the event is destroyed without being delivered (the target went
// away, the application quit) the object is freed with it.
//
// A notice about one request can name the target that made the request (its
// serial, see CMessageTarget::Serial), so that a target that receives every
// notice can tell its own from those of others.

#include "platform/MessageTarget.h"

#include <QEvent>

class CMessageEvent : public QEvent {
public:
    using Deleter = void (*)(MsgLParam);

    CMessageEvent(unsigned message, MsgWParam wParam, MsgLParam lParam, Deleter ownedPayload = nullptr,
                  TargetSerial requester = kNoRequester);
    ~CMessageEvent() override;
    CMessageEvent(const CMessageEvent&) = delete;
    CMessageEvent& operator=(const CMessageEvent&) = delete;

    static QEvent::Type Type();

    [[nodiscard]] unsigned Message() const { return message_; }
    [[nodiscard]] MsgWParam WParam() const { return wParam_; }
    // The target whose request this notice reports on; kNoRequester when it
    // concerns every receiver.
    [[nodiscard]] TargetSerial Requester() const { return requester_; }
    // Hands the lParam (and the ownership of any payload) to the receiver.
    MsgLParam TakeLParam();

private:
    unsigned message_;
    MsgWParam wParam_;
    MsgLParam lParam_;
    Deleter deleter_;
    TargetSerial requester_;
};
