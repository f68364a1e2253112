#include "platform/MessageEvent.h"

#include "platform/PostMessage.h"

CMessageEvent::CMessageEvent(unsigned message, MsgWParam wParam, MsgLParam lParam, Deleter ownedPayload,
                             TargetSerial requester)
    : QEvent(Type()), message_(message), wParam_(wParam), lParam_(lParam), deleter_(ownedPayload),
      requester_(requester)
{
}

CMessageEvent::~CMessageEvent()
{
    if (deleter_)
        deleter_(lParam_);
}

QEvent::Type CMessageEvent::Type()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

MsgLParam CMessageEvent::TakeLParam()
{
    deleter_ = nullptr;
    return lParam_;
}

bool PostMessageTo(CMessageTarget* target, unsigned message, MsgWParam wParam, MsgLParam lParam,
                   TargetSerial requester)
{
    if (!target)
        return false;
    QCoreApplication::postEvent(target, new CMessageEvent(message, wParam, lParam, nullptr, requester));
    return true;
}

bool PostMessageTo(const TargetPtr& target, unsigned message, MsgWParam wParam, MsgLParam lParam,
                   TargetSerial requester)
{
    return PostMessageTo(target.data(), message, wParam, lParam, requester);
}
