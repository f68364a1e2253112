#include "PlayedHandler.h"

#include "FuzzSupport.h"

#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"

#include <memory>
#include <string>

namespace fuzz {
namespace {

class SilentDriver : public CCommDriver {
public:
    std::string GetConnectionString() const override { return {}; }
};

} // namespace

PlayedHandler& PlayedHandler::Instance()
{
    static PlayedHandler played;
    return played;
}

PlayedHandler::PlayedHandler()
{
    EnsureApplication();
    SilencePrompts();
    SetAppFullControl(true);
    // Notices to the main window land here and are dropped.
    static CMessageTarget frame;
    SetMainWindowTarget(&frame);
    CCommHandler::SetDriverFactory([] { return std::make_unique<SilentDriver>(); });
    // Lives as long as the process: the groups reach it through AppCommHandler.
    handler_ = new CCommHandler;
    handler_->SetSilentConnect(true);
    SetAppCommHandler(handler_);
    handler_->Connect(ConnectionRoute::Direct, "ADDR=1");
    handler_->Send(WM_CONNECTION_EVENT, DRIVER_OPEN_QORA, 0);
    DeliverPosted();
}

void PlayedHandler::Reply(std::span<const std::uint8_t> bytes)
{
    auto message = std::make_unique<CDeviceMessage>();
    message->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    handler_->PushReceiveQueue(std::move(message));
    handler_->Send(WM_DEVICE_MESSAGE, 1, 1);
    DeliverPosted();
}

void PlayedHandler::Failure(std::int32_t packedHeader)
{
    handler_->Send(WM_DEVICE_MESSAGE, 0, packedHeader);
    DeliverPosted();
}

std::vector<std::vector<std::uint8_t>> PlayedHandler::TakeRequests()
{
    std::vector<std::vector<std::uint8_t>> requests;
    while (const std::unique_ptr<CDeviceMessage> message = handler_->PopSendQueue())
        requests.emplace_back(message->GetData(), message->GetData() + message->GetLength());
    return requests;
}

} // namespace fuzz
