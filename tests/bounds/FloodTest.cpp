// A unit that sends far more than it is asked for: every reply many times and
// full-size unsolicited frames after each. Through the real link the tool must
// pass the extra frames over, hand each listener exactly one copy per request,
// and keep its memory flat.

#include "bounds/ProcessMemory.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"
#include "sim/SimOptions.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/SimProcess.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const char kLocal[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

std::unique_ptr<CDeviceMessage> VersionRead()
{
    auto m = std::make_unique<CDeviceMessage>();
    for (std::uint8_t b : {0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04})
        m->AppendByte(b);
    return m;
}

class FloodTest : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetMainWindowTarget(&frame);
    }
    void TearDown() override
    {
        handler.reset();
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void Start(QStringList simArguments)
    {
        sim = std::make_unique<SimProcess>(simArguments);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        handler->AddListener(&first);
        handler->AddListener(&second);
        handler->Connect(ConnectionRoute::Direct, kLocal);
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));
    }
    // Sends one request and waits for its answer, noting the queue lengths seen.
    bool RoundTrip()
    {
        const std::size_t before = first.received.size();
        SendToHandler(handler.get(), VersionRead());
        return PumpUntil([&] {
            maxReceiveQueue = std::max(maxReceiveQueue, handler->ReceiveQueueLength());
            maxSendQueue = std::max(maxSendQueue, handler->SendQueueLength());
            return first.received.size() > before;
        }, 10000);
    }
    // Every recorded message is a version reply, and the two listeners agree.
    void ExpectOnlyVersionReplies(std::size_t count) const
    {
        ASSERT_EQ(first.received.size(), count);
        ASSERT_EQ(second.received.size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            const RecordedMessage& m = first.received[i];
            ASSERT_EQ(m.message, unsigned{WM_DEVICE_MESSAGE});
            ASSERT_EQ(m.wParam, 1u) << "request " << i << " failed";
            ASSERT_GE(m.bytes.size(), 8u);
            EXPECT_EQ(m.bytes[0], 0x84);
            EXPECT_EQ(m.bytes[2], 0x18);
            EXPECT_EQ(m.bytes.size(), m.bytes[7] + 5u); // never a stray 64 KiB body
            EXPECT_EQ(second.received[i].bytes, m.bytes);
        }
    }

    MessageRecorder frame, first, second;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CCommHandler> handler;
    std::size_t maxReceiveQueue = 0;
    std::size_t maxSendQueue = 0;
};

TEST_F(FloodTest, RepeatsAndStrayFramesArePassedOverWithFlatMemory)
{
    // 8 stray frames of 64 KiB after every reply: 400 requests bring 200 MiB
    // the tool has not asked for.
    Start({QStringLiteral("--repeat-replies"), QStringLiteral("20"), QStringLiteral("--stray-frames"),
           QStringLiteral("8")});
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(RoundTrip());
    const long warm = bounds::ResidentKiB();
    ASSERT_GT(warm, 0);

    constexpr int kRequests = 400;
    for (int i = 0; i < kRequests; ++i)
        ASSERT_TRUE(RoundTrip()) << "request " << i;
    const long after = bounds::ResidentKiB();

    // Nothing more arrives once the answers are in.
    PumpFor(200);
    ExpectOnlyVersionReplies(20 + kRequests);
    EXPECT_LE(maxReceiveQueue, 1u);
    EXPECT_LE(maxSendQueue, 1u);
    EXPECT_EQ(handler->ReceiveQueueLength(), 0u);
    EXPECT_LT(after - warm, 16 * 1024) << "resident KiB grew from " << warm << " to " << after;
    EXPECT_EQ(handler->GetState(), STATE_CONNECTED);
}

TEST_F(FloodTest, QueuedRequestsEachGetOneAnswerInOrder)
{
    Start({QStringLiteral("--repeat-replies"), QStringLiteral("50"), QStringLiteral("--stray-frames"),
           QStringLiteral("2")});
    // Requests for two different blocks, alternating, all queued at once: a
    // repeat of one reply taken for the next request would show as a swap.
    constexpr int kRequests = 200;
    for (int i = 0; i < kRequests; ++i) {
        auto m = std::make_unique<CDeviceMessage>();
        const std::uint8_t low = i % 2 ? 0x04 : 0x01; // version block or the identity part of it
        for (std::uint8_t b : {std::uint8_t{0x84}, std::uint8_t{0x09}, std::uint8_t{0x17}, std::uint8_t{0x01},
                               std::uint8_t{0x00}, std::uint8_t{0x90}, low})
            m->AppendByte(b);
        SendToHandler(handler.get(), std::move(m));
    }
    // What the handler holds never exceeds what is still unanswered: a reply
    // queued twice would show here. The driver moves requests from the send
    // queue to the receive queue meanwhile, so the receive queue is read
    // first: a move between the two reads is missed, never counted twice.
    std::size_t maxHeld = 0;
    ASSERT_TRUE(PumpUntil([&] {
        const std::size_t received = handler->ReceiveQueueLength();
        const std::size_t held = received + handler->SendQueueLength() + first.received.size();
        maxHeld = std::max(maxHeld, held);
        return first.received.size() >= std::size_t{kRequests};
    }, 30000));
    PumpFor(200);
    ASSERT_EQ(first.received.size(), std::size_t{kRequests});
    ASSERT_EQ(second.received.size(), std::size_t{kRequests});
    for (int i = 0; i < kRequests; ++i) {
        const RecordedMessage& m = first.received[std::size_t(i)];
        ASSERT_EQ(m.wParam, 1u);
        ASSERT_GE(m.bytes.size(), 7u);
        // The reply names the parameter it answers.
        EXPECT_EQ(m.bytes[6], i % 2 ? 0x04 : 0x01) << "answer " << i << " belongs to another request";
    }
    EXPECT_LE(maxHeld, std::size_t{kRequests});
    EXPECT_EQ(handler->ReceiveQueueLength(), 0u);
}

TEST(FloodOptions, ParsedWithinTheirRange)
{
    sim::SimOptions options;
    QString error;
    const QStringList base{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")};
    ASSERT_TRUE(sim::ParseOptions(base, options, error));
    EXPECT_EQ(options.faults.repeatReplies, 1u);
    EXPECT_EQ(options.faults.strayFrames, 0u);
    ASSERT_TRUE(sim::ParseOptions(base + QStringList{QStringLiteral("--repeat-replies=1000"),
                                                     QStringLiteral("--stray-frames"), QStringLiteral("64")},
                                  options, error));
    EXPECT_EQ(options.faults.repeatReplies, 1000u);
    EXPECT_EQ(options.faults.strayFrames, 64u);
    for (const char* bad : {"--repeat-replies=0", "--repeat-replies=1001", "--stray-frames=65", "--stray-frames=-1",
                            "--stray-frames=x"}) {
        EXPECT_FALSE(sim::ParseOptions(base + QStringList{QString::fromLatin1(bad)}, options, error)) << bad;
        EXPECT_FALSE(error.isEmpty());
    }
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--stray-frames")));
}

} // namespace
