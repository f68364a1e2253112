#pragma once
// The unit's side played by the test: a communication handler over a driver
// that never sends, connected as the main frame sees it. The test takes the
// requests from the send queue and hands in the unit's replies the way the
// driver's worker thread does.
//
// PlayedUnit is the rig; PlayedUnitTest is a fixture for a data group (or its
// dialog) against it: connected (not in commission mode), access level Full
// Control.

#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/FakeDriver.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class PlayedUnit {
public:
    using Bytes = std::vector<std::uint8_t>;

    PlayedUnit() = default;
    ~PlayedUnit() { Stop(); }
    PlayedUnit(const PlayedUnit&) = delete;
    PlayedUnit& operator=(const PlayedUnit&) = delete;

    // The handler, made the application's, connects and the driver reports an
    // identified unit. `reported` is the connection string the driver gives
    // back (a remote one makes the connection remote).
    void Start(ConnectionRoute route = ConnectionRoute::Direct, const std::string& connection = "ADDR=1", const std::string& reported = {})
    {
        SetMainWindowTarget(&frame);
        CCommHandler::SetDriverFactory(FakeDriver::Factory(reported));
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        Open(route, connection);
    }
    void Stop()
    {
        if (!handler)
            return;
        handler.reset();
        SetAppCommHandler(nullptr);
        CCommHandler::SetDriverFactory({});
        SetMainWindowTarget(nullptr);
    }
    // Closes the connection and opens another over a fresh driver that
    // reports `reported`.
    void Reconnect(ConnectionRoute route, const std::string& connection, const std::string& reported)
    {
        handler->CloseConnection();
        CCommHandler::SetDriverFactory(FakeDriver::Factory(reported));
        Open(route, connection);
    }
    // The handler asks for commission mode and the unit acknowledges it.
    [[nodiscard]] bool EnterCommissionMode()
    {
        handler->EnterCommissionMode();
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_COMMISSION_DONE, 0);
        return PumpUntil([this] { return InCommissionMode(handler->GetConnectionType()); });
    }

    // The requests the handler holds for the unit, oldest first.
    std::vector<Bytes> Sent()
    {
        std::vector<Bytes> requests;
        while (const std::unique_ptr<CDeviceMessage> m = handler->PopSendQueue())
            requests.emplace_back(m->GetData(), m->GetData() + m->GetLength());
        return requests;
    }
    // The unit's reply, as the driver delivers it; the listeners have it on return.
    void Reply(const Bytes& bytes)
    {
        auto m = std::make_unique<CDeviceMessage>();
        m->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        handler->PushReceiveQueue(std::move(m));
        PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
        PumpFor(5);
    }
    // A request the transport could not deliver (its first three bytes packed
    // as the handler reports them).
    void Lose(MsgLParam header)
    {
        PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, header);
        PumpFor(5);
    }

    MessageRecorder frame; // the main window: connection notices land here
    std::unique_ptr<CCommHandler> handler;

private:
    void Open(ConnectionRoute route, const std::string& connection)
    {
        handler->Connect(route, connection);
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_OPEN_QORA, 0);
        PumpFor(5);
    }
};

class PlayedUnitTest : public testing::Test, public PlayedUnit {
protected:
    void SetUp() override
    {
        SetAppFullControl(true);
        Start();
    }
    void TearDown() override
    {
        Stop();
        SetAppFullControl(true);
    }
};
