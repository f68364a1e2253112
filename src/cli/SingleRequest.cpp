#include "cli/SingleRequest.h"
#include "link/DeviceMessageNotice.h"

#include "link/CommHandler.h"
#include "platform/MessageIds.h"

#include <memory>

CSingleRequest::CSingleRequest(CCommHandler& handler) : handler_(handler) {}

CSingleRequest::~CSingleRequest()
{
    handler_.RemoveListener(this);
}

std::vector<std::uint8_t> UnitResetRequest()
{
    return {0x86, 0x0D, 0x36, 0x00, 0x00};
}

void CSingleRequest::Send(std::vector<std::uint8_t> request, Done done)
{
    request_ = std::move(request);
    done_ = std::move(done);
    handler_.AddListener(this);
    auto message = std::make_unique<CDeviceMessage>();
    message->AppendBytes(request_.data(), static_cast<std::int32_t>(request_.size()));
    SendToHandler(&handler_, std::move(message));
}

MsgResult CSingleRequest::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message != WM_DEVICE_MESSAGE)
        return 0;
    if (wParam == 0) {
        // The packed header of the failed request: class, address, opcode.
        const auto header = static_cast<std::uint32_t>(lParam) & 0xFFFFFFu;
        const std::uint32_t mine = request_.size() >= 3
                                       ? (std::uint32_t{request_[0]} << 16) | (std::uint32_t{request_[1]} << 8) |
                                             request_[2]
                                       : 0;
        if (done_ && header == mine)
            Complete(std::nullopt);
        return 0;
    }
    const std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam);
    std::int32_t messageClass = -1, address = -1;
    if (!done_ || !reply || request_.size() < 2 || !reply->GetByte(0, messageClass) || !reply->GetByte(1, address))
        return 0;
    if (messageClass != request_[0] || address != request_[1])
        return 0;
    Complete(std::vector<std::uint8_t>(reply->GetData(), reply->GetData() + reply->GetLength()));
    return 0;
}

void CSingleRequest::Complete(std::optional<std::vector<std::uint8_t>> reply)
{
    handler_.RemoveListener(this);
    if (Done done = std::exchange(done_, nullptr))
        done(std::move(reply));
}
