#pragma once
// A data group (or its dialog) against a communication handler whose driver
// never sends: the test takes the requests from the send queue and plays the
// unit's replies. The connection is open (not in commission mode) and the
// access level is Full Control.

#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PlayedUnitTest : public testing::Test {
protected:
    using Bytes = std::vector<std::uint8_t>;

    class SilentDriver : public CCommDriver {
    public:
        std::string GetConnectionString() const override { return {}; }
    };

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

    // The requests the handler holds for the unit, oldest first.
    std::vector<Bytes> Sent()
    {
        std::vector<Bytes> requests;
        while (const std::unique_ptr<CDeviceMessage> m = handler->PopSendQueue())
            requests.emplace_back(m->GetData(), m->GetData() + m->GetLength());
        return requests;
    }
    // The unit's reply, as the driver would deliver it.
    void Reply(const Bytes& bytes)
    {
        auto m = std::make_unique<CDeviceMessage>();
        m->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        handler->PushReceiveQueue(std::move(m));
        PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
        PumpFor(5);
    }

    MessageRecorder frame;
    std::unique_ptr<CCommHandler> handler;
};
