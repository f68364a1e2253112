#pragma once
// A message target that hands every message to a function: lets a dialog or
// window (which cannot also be a CMessageTarget) receive posted notices.

#include "platform/MessageTarget.h"

#include <functional>

class CCallbackTarget : public CMessageTarget {
public:
    using Handler = std::function<void(unsigned message, MsgWParam wParam, MsgLParam lParam)>;

    explicit CCallbackTarget(Handler handler, QObject* parent = nullptr)
        : CMessageTarget(parent), handler_(std::move(handler))
    {
    }

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override
    {
        if (handler_)
            handler_(message, wParam, lParam);
        return 0;
    }

private:
    Handler handler_;
};
