#include "status/StatusPoller.h"
#include "support/FakeStatusFrame.h"
#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

namespace {

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
        unit.Start();
        ASSERT_TRUE(unit.EnterCommissionMode());
    }
    void TearDown() override
    {
        poller.reset();
        unit.Stop();
    }
    std::size_t TakeSent() { return unit.Sent().size(); }

    PlayedUnit unit;
    FakeStatusFrame frame;
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
    unit.Lose(0x831227); // a send failed
    EXPECT_EQ(frame.watchdog, std::vector<int>{1});
    EXPECT_EQ(poller->UnansweredRequests(), -5);

    for (int i = 0; i < 10; ++i)
        poller->RequestStatus();
    unit.Lose(0x831227);
    EXPECT_EQ(frame.watchdog.size(), 1u); // 5 unanswered again: not yet
    poller->RequestStatus();
    unit.Lose(0x831227);
    EXPECT_EQ(frame.watchdog, (std::vector<int>{1, 1}));

    // Any reply stops the watchdog and the count starts over.
    unit.Reply({0x83});
    EXPECT_EQ(frame.watchdog.back(), 0);
    EXPECT_EQ(poller->UnansweredRequests(), 0);
    EXPECT_EQ(poller->replies, 1);
}

} // namespace
