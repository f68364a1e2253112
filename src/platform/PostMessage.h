#pragma once
// Posting window messages. Safe from any thread as long as the target object is
// alive for the duration of the call; from the UI thread a QPointer gives the
// "does the window still exist" check.

#include "platform/MessageEvent.h"

#include <QCoreApplication>

#include <memory>

// Queues the message for the target. Returns false (and posts nothing) when the
// target no longer exists. A notice about one request names its requester.
bool PostMessageTo(CMessageTarget* target, unsigned message, MsgWParam wParam, MsgLParam lParam,
                   TargetSerial requester = kNoRequester);
bool PostMessageTo(const TargetPtr& target, unsigned message, MsgWParam wParam, MsgLParam lParam,
                   TargetSerial requester = kNoRequester);

// Queues the message with an owned object as lParam. The receiver owns the
// object once the message is delivered; an undelivered object is deleted.
template <typename T>
bool PostOwnedMessage(const TargetPtr& target, unsigned message, MsgWParam wParam, std::unique_ptr<T> payload)
{
    if (!target)
        return false;
    auto lParam = reinterpret_cast<MsgLParam>(payload.release());
    auto* event = new CMessageEvent(message, wParam, lParam,
        [](MsgLParam p) { delete reinterpret_cast<T*>(p); });
    QCoreApplication::postEvent(target.data(), event);
    return true;
}
