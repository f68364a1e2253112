// Reading the unit's download replies, the channel rule and the ending texts.

#include "software/download/DownloadChannel.h"
#include "software/download/DownloadReplies.h"
#include "software/download/DownloadTexts.h"
#include "software/download/WaitingAnimation.h"

#include "DownloadFixture.h"

using namespace dltest;

namespace {

CDeviceMessage Message(const Bytes& bytes)
{
    CDeviceMessage m;
    m.AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    return m;
}

TEST(DownloadChannelTest, OnlyAChannelBelowNineCounts)
{
    EXPECT_TRUE(IsChannelBelowDownloadChannel("HOST=a,CH=3"));
    EXPECT_TRUE(IsChannelBelowDownloadChannel("HOST=a,CH=x"));
    EXPECT_TRUE(IsChannelBelowDownloadChannel("HOST=a,CH=08"));
    EXPECT_FALSE(IsChannelBelowDownloadChannel("HOST=a,CH=9"));
    EXPECT_FALSE(IsChannelBelowDownloadChannel("HOST=a,CH=12,ADDR=3"));
    EXPECT_FALSE(IsChannelBelowDownloadChannel("HOST=a,CH=99999999999999999999"));
    EXPECT_TRUE(IsChannelBelowDownloadChannel(",CH=3")); // the CH item, wherever it stands
    EXPECT_TRUE(IsChannelBelowDownloadChannel("ch=3,HOST=a"));
    EXPECT_FALSE(IsChannelBelowDownloadChannel("HOST=a,ADDR=3"));
}

TEST(DownloadRepliesTest, ReadsOnlyWellFormedReplies)
{
    using namespace DownloadReply;
    EXPECT_EQ(KindOf(Message({0x85, 0x00, 0x8C})), EKind::Tftp);
    EXPECT_EQ(KindOf(Message({0x85, 0x11, 0x97})), EKind::Text);
    EXPECT_EQ(KindOf(Message({0x85, 0x11})), EKind::Unknown);
    EXPECT_EQ(KindOf(Message({0x85, 0x12, 0x97})), EKind::NotDownload);
    EXPECT_EQ(KindOf(Message({})), EKind::NotDownload);

    EXPECT_EQ(ReadTftp(Message(Ack(7)))->block, 7);
    // A packet length below 4 or beyond the bytes held.
    EXPECT_FALSE(ReadTftp(Message({0x85, 0x11, 0x8C, 0x00, 0x03, 0x8B, 0x00, 0x04, 0x00, 0x01})));
    EXPECT_FALSE(ReadTftp(Message({0x85, 0x11, 0x8C, 0x00, 0x06, 0x8B, 0x00, 0x04, 0x00, 0x01})));

    EXPECT_TRUE(IsEchoOf(Message(Echo("M:17,2,1\r")), "M:17,2,1\r"));
    EXPECT_FALSE(IsEchoOf(Message(Echo("M:17,2,4\r")), "M:17,2,1\r"));
    EXPECT_FALSE(IsEchoOf(Message(Echo("M:17,2,1")), "M:17,2,1\r"));

    EXPECT_EQ(ReadVersionResult(Message(VersionReply(4))), 4);
    EXPECT_FALSE(ReadVersionResult(Message(VersionReply(0, 1)))); // the unit's status not 0
    Bytes noZero = VersionReply(0);
    noZero[11] = 0x20;
    EXPECT_FALSE(ReadVersionResult(Message(noZero)));
    Bytes longer = VersionReply(0);
    longer.push_back(0);
    EXPECT_FALSE(ReadVersionResult(Message(longer)));

    const auto held = ReadStatusQuery(Message(StatusQueryReply(1, 0x01020304)));
    ASSERT_TRUE(held);
    EXPECT_EQ(held->status, 1);
    EXPECT_EQ(held->bytesHeld, 0x01020304u);
    Bytes badMark = StatusQueryReply(0, 0);
    badMark[12] = 0x32;
    EXPECT_FALSE(ReadStatusQuery(Message(badMark)));
    EXPECT_FALSE(ReadStatusQuery(Message(FinalStatusReply(0))));

    EXPECT_EQ(ReadFinalStatus(Message(FinalStatusReply(2))), 2);
    EXPECT_EQ(ReadTransferStart(Message(TransferStartReply(1))), 1);

    EXPECT_EQ(ReadMulticastAddress(Message({0x84, 0x11, 0x18, 1, 0, 0xD0, 0x02, 6, 0, 0x12, 0x34})), 0x1234);
    EXPECT_FALSE(ReadMulticastAddress(Message({0x84, 0x11, 0x18, 1, 0, 0xD0, 0x02, 6, 1, 0x12, 0x34})));
    EXPECT_FALSE(ReadMulticastAddress(Message({0x84, 0x11, 0x18, 1, 0, 0xD0, 0x03, 6, 0, 0x12, 0x34})));
    EXPECT_FALSE(ReadMulticastAddress(Message({0x84, 0x11, 0x18, 1, 0, 0xD0, 0x02, 5, 0, 0x12})));
}

TEST(DownloadTextTest, ResultCodesBlameTheUnitAndMessageKindsTheLink)
{
    EXPECT_EQ(DownloadText::ForEnding(12),
              QStringLiteral("The target device encountered a non-recoverable error\n (Unknown message : (000C)).\n\n"
                             "Try again. If the problem persists, the target device may\nhave a hardware problem."));
    EXPECT_TRUE(DownloadText::ForEnding(13).contains(QStringLiteral("non-recoverable error\n (Unknown message : (000D))")));
    EXPECT_TRUE(DownloadText::ForEnding(25).contains(
        QStringLiteral("No reply received to following message:\nUnknown message : (0019).\n")));
}

TEST(WaitingAnimationTest, ClimbsEverSlowerAndStopsAt99)
{
    CWaitingAnimation animation;
    auto tick = [&animation](int n) {
        for (int i = 0; i < n; ++i)
            animation.Tick();
    };
    tick(40);
    EXPECT_EQ(animation.Position(), 50);
    EXPECT_EQ(animation.Divisor(), 2u);
    tick(40);
    EXPECT_EQ(animation.Position(), 70);
    tick(40);
    EXPECT_EQ(animation.Position(), 80);
    tick(100000);
    EXPECT_EQ(animation.Position(), 99);
    EXPECT_FALSE(animation.Tick());
    animation.Reset();
    EXPECT_EQ(animation.Position(), 10);
    EXPECT_EQ(animation.Tick(), 11);
}

} // namespace
