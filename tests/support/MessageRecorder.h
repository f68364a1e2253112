#pragma once
// A message target that records what it receives; device messages it owns are
// kept as byte copies and freed.

#include "link/ConnectionType.h"
#include "link/DeviceMessage.h"
#include "link/DeviceMessageNotice.h"
#include "platform/MessageIds.h"
#include "platform/MessageTarget.h"

#include <cstdint>
#include <memory>
#include <vector>

struct RecordedMessage {
    unsigned message;
    MsgWParam wParam;
    MsgLParam lParam;
    std::vector<std::uint8_t> bytes; // a delivered device message's bytes
};

class MessageRecorder : public CMessageTarget {
public:
    std::vector<RecordedMessage> received;

    // Connection notices (wParam of WM_CONNECTION_EVENT) in arrival order.
    [[nodiscard]] std::vector<ConnectionNotice> Notices() const
    {
        std::vector<ConnectionNotice> notices;
        for (const auto& m : received)
            if (m.message == WM_CONNECTION_EVENT)
                notices.push_back(NoticeOf(m.wParam));
        return notices;
    }
    [[nodiscard]] std::vector<RecordedMessage> DeviceMessages() const
    {
        std::vector<RecordedMessage> messages;
        for (const auto& m : received)
            if (m.message == WM_DEVICE_MESSAGE)
                messages.push_back(m);
        return messages;
    }
    [[nodiscard]] bool HasNotice(ConnectionNotice notice) const
    {
        for (ConnectionNotice n : Notices())
            if (n == notice)
                return true;
        return false;
    }

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override
    {
        RecordedMessage record{message, wParam, lParam, {}};
        if (message == WM_DEVICE_MESSAGE && wParam == 1) {
            std::unique_ptr<CDeviceMessage> owned = TakeDeviceMessage(lParam);
            record.bytes.assign(owned->GetData(), owned->GetData() + owned->GetLength());
        }
        received.push_back(std::move(record));
        return 0;
    }
};
