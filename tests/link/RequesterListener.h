#pragma once
// A listener that records, for every failure notice it hears, whether the
// notice was about one of its own requests.

#include "link/DeviceMessageNotice.h"
#include "support/MessageRecorder.h"

#include <vector>

class RequesterListener : public MessageRecorder {
public:
    std::vector<bool> ownFailures;

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override
    {
        if (message == WM_DEVICE_MESSAGE && wParam == 0)
            ownFailures.push_back(IsOwnFailure(*this));
        return MessageRecorder::OnMessage(message, wParam, lParam);
    }
};
