#include "link/CommHandler.h"
#include "link/RksDriver.h"
#include "platform/MainWindow.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "link/FakeLink.h"
#include "link/RequesterListener.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

std::unique_ptr<CDeviceMessage> Read(std::uint16_t id)
{
    auto m = std::make_unique<CDeviceMessage>();
    for (std::uint8_t b : {0x84, 0x09, 0x17, 0x01, 0x00})
        m->AppendByte(b);
    m->AppendUInt16(id);
    return m;
}

class RksDriverTest : public testing::Test {
protected:
    void SetUp() override
    {
        log = std::make_shared<FakeLinkLog>();
        FakeLink::Install(log);
        SetMainWindowTarget(&frame);
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        handler->AddListener(&listener);
    }
    void TearDown() override
    {
        handler.reset();
        EXPECT_TRUE(CRksDriver::WaitForAbandonedThreads(std::chrono::milliseconds(5000)));
        ComponentFactory<IRksLink>::Register(CLSID_RksLink, {});
        SetMainWindowTarget(nullptr);
    }
    bool WaitNotice(ConnectionNotice notice) { return PumpUntil([&] { return frame.HasNotice(notice); }); }
    std::size_t Transfers()
    {
        std::lock_guard guard(log->lock);
        return log->transfers.size();
    }

    std::shared_ptr<FakeLinkLog> log;
    MessageRecorder frame, listener;
    std::unique_ptr<CCommHandler> handler;
};

TEST_F(RksDriverTest, ProbeOutcomes)
{
    handler->Connect(ConnectionRoute::Direct, " \tWP=SOCKET,HOST=h,PORT=1,ADDR=131  ");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECTED));
    {
        // The worker thread wrote the log; the notice came through Qt's queue,
        // which the thread checker cannot see, so the lock orders the reads.
        std::lock_guard guard(log->lock);
        EXPECT_EQ(log->openedWith, "WP=SOCKET,HOST=h,PORT=1,ADDR=131");
        ASSERT_EQ(log->transfers.size(), 1u);
        EXPECT_EQ(log->transfers[0].first, std::string("wp=opt,pr=q1dl"));
        EXPECT_EQ(log->transfers[0].second, Bytes{0x03});
    }
    EXPECT_EQ(dynamic_cast<CRksDriver*>(handler->GetDriver())->GetIdentity(), "QORHW2");
    handler->Disconnect();
    EXPECT_EQ(log->closes, 1);
    EXPECT_EQ(log->destroyed, 1);

    log->identity = {'Q', 'O', 'R', 'H', 'W', '1', 0};
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECTED_OTHER_UNIT));
    EXPECT_EQ(handler->GetState(), STATE_CONNECTED);
    handler->Disconnect();

    log->probeSucceeds = false;
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECT_FAILED));
    EXPECT_EQ(handler->GetDriver(), nullptr);
    std::lock_guard guard(log->lock);
    EXPECT_EQ(log->closes, 2); // a failed probe releases the link without closing it
}

TEST_F(RksDriverTest, FailedOpenAndAMissingServiceFailTheConnection)
{
    log->openSucceeds = false;
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECT_FAILED));
    EXPECT_EQ(Transfers(), 0u);
    EXPECT_TRUE(log->WaitFor([&] { return log->destroyed == 1; }));
    EXPECT_EQ(log->closes, 0);

    frame.received.clear();
    ComponentFactory<IRksLink>::Register(CLSID_RksLink, {});
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECT_FAILED));
    EXPECT_EQ(handler->GetState(), STATE_DISCONNECTED);
}

TEST_F(RksDriverTest, RequestsQueuedWhileOpeningGoOutInOrderAfterTheProbe)
{
    log->holdOpen = true;
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(log->WaitFor([&] { return log->openEntered; }));
    SendToHandler(handler.get(), Read(0x9004));
    SendToHandler(handler.get(), Read(0xC001));
    auto tiny = std::make_unique<CDeviceMessage>();
    tiny->AppendByte(0x84);
    tiny->AppendByte(0x09);
    SendToHandler(handler.get(), std::move(tiny)); // dropped unsent, unannounced
    SendToHandler(handler.get(), Read(0xC002));
    log->Release();
    ASSERT_TRUE(PumpUntil([&] { return listener.DeviceMessages().size() == 3; }));
    ASSERT_EQ(Transfers(), 4u);
    EXPECT_EQ(log->transfers[1].second, (Bytes{0x53, 0x54, 0x01, 0x00, 0x90, 0x04}));
    EXPECT_FALSE(log->transfers[1].first);
    EXPECT_EQ(log->transfers[2].second[4], 0xC0);
    EXPECT_EQ(log->transfers[3].second[5], 0x02);
    const auto replies = listener.DeviceMessages();
    EXPECT_EQ(replies[0].bytes, (Bytes{0x84, 0x09, 0x18, 0x01, 0x00, 0x90, 0x04}));
    for (const auto& reply : replies)
        EXPECT_EQ(reply.wParam, 1u);
}

TEST_F(RksDriverTest, FailedAndUnrecognisedRepliesFailOnlyTheirRequest)
{
    log->answer = [](const Bytes& request, Bytes& reply) {
        if (request[5] == 0x01)
            return false;       // the unit did not answer
        if (request[5] == 0x02) {
            reply = {0x99};     // not a reply the tool knows
            return true;
        }
        if (request[5] == 0x03) {
            reply.clear();      // empty
            return true;
        }
        reply = {0x54, 0xF0};
        return true;
    };
    RequesterListener mine, other;
    handler->AddListener(&mine);
    handler->AddListener(&other);
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECTED));
    SendToHandler(handler.get(), Read(0x0001), &mine);
    SendToHandler(handler.get(), Read(0x0002), &other);
    SendToHandler(handler.get(), Read(0x0003)); // nobody's
    SendToHandler(handler.get(), Read(0x0004), &mine);
    ASSERT_TRUE(PumpUntil([&] { return other.DeviceMessages().size() == 4; }));
    for (MessageRecorder* heard : {static_cast<MessageRecorder*>(&listener), static_cast<MessageRecorder*>(&mine),
                                   static_cast<MessageRecorder*>(&other)}) {
        const auto messages = heard->DeviceMessages();
        ASSERT_EQ(messages.size(), 4u);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(messages[i].wParam, 0u);
            EXPECT_EQ(messages[i].lParam, 0x840917);
        }
        EXPECT_EQ(messages[3].bytes, (Bytes{0x84, 0x09, 0xF0})); // a reply goes to everybody
    }
    // Each failure names the listener that asked, across the driver's thread.
    EXPECT_EQ(mine.ownFailures, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(other.ownFailures, (std::vector<bool>{false, true, true}));
    EXPECT_EQ(handler->GetState(), STATE_CONNECTED);
}

TEST_F(RksDriverTest, CommissionRequestIsAcknowledgedByTheDriver)
{
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECTED));
    handler->EnterCommissionMode();
    ASSERT_TRUE(WaitNotice(NOTICE_COMMISSION_MODE));
    EXPECT_EQ(handler->GetConnectionType(), ConnectionType::Commission);
}

TEST_F(RksDriverTest, DisconnectCutsABurstShort)
{
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(WaitNotice(NOTICE_CONNECTED));
    {
        std::lock_guard guard(log->lock);
        log->holdTransfers = true;
    }
    for (std::uint16_t id = 1; id <= 6; ++id)
        SendToHandler(handler.get(), Read(id));
    ASSERT_TRUE(log->WaitFor([&] { return log->transfers.size() == 2; }));
    std::thread releaser([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        log->Release();
    });
    handler->Disconnect(); // waits for the transfer in flight, then the thread ends
    releaser.join();
    EXPECT_EQ(Transfers(), 2u); // the probe and the first request only
    EXPECT_EQ(log->closes, 1);
    EXPECT_EQ(log->destroyed, 1);
    EXPECT_EQ(handler->SendQueueLength(), 0u);
}

TEST_F(RksDriverTest, DisconnectWhileOpeningReturnsAtOnceAndHearsNothingMore)
{
    log->holdOpen = true;
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(log->WaitFor([&] { return log->openEntered; }));
    handler->Disconnect();
    EXPECT_EQ(handler->GetState(), STATE_DISCONNECTED);
    EXPECT_TRUE(log->WaitFor([&] { return log->destroyed == 1; }));
    EXPECT_EQ(log->interrupts, 1);
    EXPECT_NE(log->destroyedOn, std::this_thread::get_id()); // released on the worker thread
    PumpFor(50);
    EXPECT_EQ(frame.Notices().back(), NOTICE_DISCONNECTED);
    EXPECT_FALSE(frame.HasNotice(NOTICE_CONNECT_FAILED));
}

TEST_F(RksDriverTest, AHandlerGoneWhileTheLinkStillOpensIsNeverTouched)
{
    log->holdOpen = true;
    log->interruptReleases = false; // a link that ignores the hurry
    handler->Connect(ConnectionRoute::Direct, "ADDR=1");
    ASSERT_TRUE(log->WaitFor([&] { return log->openEntered; }));
    std::thread releaser([this] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        log->Release(); // the open then succeeds, long after everything is gone
    });
    handler.reset();
    releaser.join();
    EXPECT_TRUE(CRksDriver::WaitForAbandonedThreads(std::chrono::milliseconds(5000)));
    EXPECT_EQ(Transfers(), 1u);     // the probe; nothing after it
    EXPECT_EQ(log->closes, 1);      // the opened link is closed and released
    EXPECT_EQ(log->destroyed, 1);
    PumpFor(20);
    EXPECT_EQ(frame.Notices().back(), NOTICE_CONNECTING);
}

} // namespace
