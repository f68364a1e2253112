#pragma once
// The system and user groups (or their dialogs) against a communication
// handler whose driver never sends: the test takes the requests from the send
// queue and plays the unit's replies.

#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <string>

namespace systest {

using Bytes = std::vector<std::uint8_t>;

class SilentDriver : public CCommDriver {
public:
    std::string GetConnectionString() const override { return {}; }
};

inline Bytes ReadRequest(std::uint8_t address, std::uint16_t id)
{
    return {0x84, address, 0x17, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id)};
}

inline Bytes ReadReply(std::uint8_t address, std::uint16_t id, const Bytes& value, std::uint8_t status = 0)
{
    Bytes reply{0x84, address, 0x18, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id),
                std::uint8_t(value.size() + 4), status};
    reply.insert(reply.end(), value.begin(), value.end());
    return reply;
}

inline Bytes TextReply(std::uint16_t id, const std::string& text)
{
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    return ReadReply(8, id, value);
}

inline Bytes WriteReply(std::uint8_t address, std::uint16_t id, std::uint8_t status = 0)
{
    return {0x84, address, 0x06, std::uint8_t(id >> 8), std::uint8_t(id), status};
}

class SystemFixture : public testing::Test {
protected:
    void SetUp() override
    {
        SetAppFullControl(true);
        SetMainWindowTarget(&frame);
        CCommHandler::SetDriverFactory([] { return std::make_unique<SilentDriver>(); });
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(1, "ADDR=1");
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_OPEN_QORA, 0);
        PumpFor(5);
    }
    void TearDown() override
    {
        handler.reset();
        SetAppCommHandler(nullptr);
        CCommHandler::SetDriverFactory({});
        SetMainWindowTarget(nullptr);
        SetAppFullControl(true);
    }

    std::vector<Bytes> Sent()
    {
        std::vector<Bytes> requests;
        CDeviceMessage* m = nullptr;
        while (handler->PopSendQueue(m)) {
            requests.emplace_back(m->GetData(), m->GetData() + m->GetLength());
            delete m;
        }
        return requests;
    }
    void Reply(const Bytes& bytes)
    {
        auto m = new CDeviceMessage;
        m->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        handler->PushReceiveQueue(m);
        PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
        PumpFor(5);
    }

    MessageRecorder frame;
    std::unique_ptr<CCommHandler> handler;
};

} // namespace systest
