#include "status/StatusPoller.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

class SilentDriver : public CCommDriver {
public:
    std::string GetConnectionString() const override { return {}; }
};

struct FakeFrame : IStatusFrame {
    bool resetPending = false, commissioning = false, download = false;
    std::vector<int> watchdog;
    bool ResetPending() const override { return resetPending; }
    bool CommissioningRunning() const override { return commissioning; }
    bool DownloadDialogOpen() const override { return download; }
    void SetLinkWatchdog(int mode) override { watchdog.push_back(mode); }
};

class TestPoller : public CStatusPoller {
public:
    using CStatusPoller::CStatusPoller;
    int clears = 0, replies = 0;
    void Tick() { OnTimer(kRefreshTimerId); }

protected:
    std::unique_ptr<CDeviceMessage> BuildRequest() const override
    {
        auto m = std::make_unique<CDeviceMessage>();
        for (std::uint8_t b : {0x83, 0x12, 0x27, 0x00, 0x00})
            m->AppendByte(b);
        return m;
    }
    void OnStatusReply(const CDeviceMessage&) override { ++replies; }
    void ClearStatus() override { ++clears; }
};

class StatusPollerTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetMainWindowTarget(&mainWindow);
        CCommHandler::SetDriverFactory([] { return std::make_unique<SilentDriver>(); });
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(1, "ADDR=1");
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_OPEN_QORA, 0);
        QCoreApplication::sendPostedEvents();
        handler->EnterCommissionMode();
        PostMessageTo(handler.get(), WM_CONNECTION_EVENT, DRIVER_COMMISSION_DONE, 0);
        ASSERT_TRUE(PumpUntil([&] { return handler->GetConnectionType() == 3; }));
    }
    void TearDown() override
    {
        poller.reset();
        handler.reset();
        SetAppCommHandler(nullptr);
        CCommHandler::SetDriverFactory({});
        SetMainWindowTarget(nullptr);
    }
    std::size_t TakeSent()
    {
        std::size_t count = 0;
        while (handler->PopSendQueue())
            ++count;
        return count;
    }

    MessageRecorder mainWindow;
    FakeFrame frame;
    std::unique_ptr<CCommHandler> handler;
    std::unique_ptr<TestPoller> poller = std::make_unique<TestPoller>(frame);
};

TEST_F(StatusPollerTest, RefreshTicksFollowVisibilityDownloadAndCommissioning)
{
    poller->StartRefresh(); // hidden: listens, asks nothing yet
    EXPECT_EQ(TakeSent(), 0u);
    EXPECT_TRUE(poller->IsRefreshing());
    poller->Tick();
    EXPECT_EQ(TakeSent(), 0u);

    poller->SetVisible(true);
    for (int i = 0; i < 3; ++i)
        poller->Tick();
    EXPECT_EQ(TakeSent(), 3u); // every tick

    frame.download = true;
    for (int i = 0; i < 8; ++i)
        poller->Tick();
    EXPECT_EQ(TakeSent(), 2u); // every fourth tick

    frame.download = false;
    frame.commissioning = true;
    poller->Tick();
    EXPECT_EQ(TakeSent(), 0u);

    frame.commissioning = false;
    frame.resetPending = true;
    poller->Tick();
    EXPECT_EQ(TakeSent(), 0u);
    EXPECT_EQ(poller->clears, 1); // cleared instead of asking

    poller->StopRefresh();
    EXPECT_FALSE(poller->IsRefreshing());
}

TEST_F(StatusPollerTest, SilenceArmsTheWatchdogOnceThenWaitsElevenMore)
{
    poller->SetVisible(true);
    poller->StartRefresh();
    for (int i = 0; i < 5; ++i)
        poller->RequestStatus();
    TakeSent();
    EXPECT_EQ(poller->UnansweredRequests(), 6);
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x831227); // a send failed
    PumpFor(5);
    EXPECT_EQ(frame.watchdog, std::vector<int>{1});
    EXPECT_EQ(poller->UnansweredRequests(), -5);

    for (int i = 0; i < 10; ++i)
        poller->RequestStatus();
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x831227);
    PumpFor(5);
    EXPECT_EQ(frame.watchdog.size(), 1u); // 5 unanswered again: not yet
    poller->RequestStatus();
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 0, 0x831227);
    PumpFor(5);
    EXPECT_EQ(frame.watchdog, (std::vector<int>{1, 1}));

    // Any reply stops the watchdog and the count starts over.
    auto reply = std::make_unique<CDeviceMessage>();
    reply->AppendByte(0x83);
    handler->PushReceiveQueue(std::move(reply));
    PostMessageTo(handler.get(), WM_DEVICE_MESSAGE, 1, 1);
    PumpFor(5);
    EXPECT_EQ(frame.watchdog.back(), 0);
    EXPECT_EQ(poller->UnansweredRequests(), 0);
    EXPECT_EQ(poller->replies, 1);
}

} // namespace
