// A dialog closed while its request is still on the way to the unit, and the
// next dialog opened before that request fails: the late failure notice goes
// to every listener, and only the closed dialog's group may take it as its own.
// The link is a scripted one that holds each transfer until the test lets it
// go, so the order of events is fixed, not a matter of timing.

#include "data/version/VersionData.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "link/FakeLink.h"
#include "link/RksDriver.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

// The unit's answer to a read of the version block, as the service frames it:
// status 0 and a 164-byte block whose first field is the unit's version.
Bytes VersionBlockReply()
{
    Bytes reply{0x54, 0x57, 0x01, 0x00, 0x90, 0x04, 0, 0x00};
    Bytes block(CVersionData::kBlockLength, 0);
    const char unit[] = "QORA-2";
    std::copy(unit, unit + sizeof unit - 1, block.begin());
    reply.insert(reply.end(), block.begin(), block.end());
    reply[6] = static_cast<std::uint8_t>(4 + block.size()); // from the identifier to the end
    return reply;
}

class LateFailure : public testing::Test {
protected:
    void SetUp() override
    {
        log = std::make_shared<FakeLinkLog>();
        FakeLink::Install(log);
        SetMainWindowTarget(&frame);
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(ConnectionRoute::Direct, "ADDR=131");
        ASSERT_TRUE(PumpUntil([&] { return handler->GetState() == STATE_CONNECTED; }));
        std::lock_guard guard(log->lock);
        log->holdTransfers = true;
        // Transfers fail while `unitAnswers` is false, as when the unit is gone.
        log->answer = [this](const Bytes&, Bytes& reply) {
            if (!unitAnswers)
                return false;
            reply = VersionBlockReply();
            return true;
        };
    }
    void TearDown() override
    {
        {
            std::lock_guard guard(log->lock);
            log->holdTransfers = false;
        }
        log->Release();
        handler.reset();
        SetAppCommHandler(nullptr);
        EXPECT_TRUE(CRksDriver::WaitForAbandonedThreads(std::chrono::milliseconds(5000)));
        ComponentFactory<IRksLink>::Register(CLSID_RksLink, {});
        SetMainWindowTarget(nullptr);
    }
    // Waits until the link has been asked for `count` transfers (the probe included).
    bool TransfersReach(std::size_t count)
    {
        return log->WaitFor([&] { return log->transfers.size() >= count; });
    }
    void UnitAnswers(bool answers)
    {
        std::lock_guard guard(log->lock);
        unitAnswers = answers;
    }
    static std::vector<MsgWParam> ReadResults(const MessageRecorder& window)
    {
        std::vector<MsgWParam> results;
        for (const auto& m : window.received)
            if (m.message == WM_VERSION_READ_DONE)
                results.push_back(m.wParam);
        return results;
    }

    std::shared_ptr<FakeLinkLog> log;
    bool unitAnswers = false; // guarded by the log's lock
    MessageRecorder frame;
    std::unique_ptr<CCommHandler> handler;
};

TEST_F(LateFailure, AClosedDialogsFailureDoesNotEndTheNextDialogsRead)
{
    // The first dialog asks; its request is on the link when it is closed.
    MessageRecorder firstWindow;
    auto first = std::make_unique<CVersionData>();
    first->AddWindow(&firstWindow);
    first->Register();
    ASSERT_TRUE(first->ReadAll());
    ASSERT_TRUE(TransfersReach(2));
    first->Unregister();
    first.reset();

    // The next dialog asks; its request waits behind the first one.
    MessageRecorder nextWindow, bystander;
    CVersionData next;
    next.AddWindow(&nextWindow);
    next.Register();
    handler->AddListener(&bystander); // hears every notice after the group has
    ASSERT_TRUE(next.ReadAll());
    EXPECT_EQ(handler->SendQueueLength(), 1u);

    // The first request fails late; the unit answers the next one.
    log->Release();
    ASSERT_TRUE(PumpUntil([&] { return bystander.DeviceMessages().size() == 1; }));
    EXPECT_EQ(bystander.DeviceMessages()[0].wParam, 0u); // every listener still hears of it
    EXPECT_EQ(next.GetOperationState(), CDataClass::kReading);
    EXPECT_TRUE(ReadResults(nextWindow).empty());

    UnitAnswers(true);
    ASSERT_TRUE(TransfersReach(3));
    log->Release();
    ASSERT_TRUE(PumpUntil([&] { return !ReadResults(nextWindow).empty(); }));
    EXPECT_EQ(ReadResults(nextWindow), std::vector<MsgWParam>{1});
    EXPECT_EQ(next.GetUnitVersion(), QByteArray("QORA-2"));
    EXPECT_TRUE(ReadResults(firstWindow).empty());

    // The group's own failures still end its read.
    UnitAnswers(false);
    ASSERT_TRUE(next.ReadAll());
    ASSERT_TRUE(TransfersReach(4));
    log->Release();
    ASSERT_TRUE(PumpUntil([&] { return ReadResults(nextWindow).size() == 2; }));
    EXPECT_EQ(ReadResults(nextWindow).back(), 0u);
    next.Unregister();
}

} // namespace
