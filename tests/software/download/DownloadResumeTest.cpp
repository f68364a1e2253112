// Surviving lost requests during the image transfer: the status query, the
// resume from the unit's byte count, and the limits of the failure window.

#include "EngineFixture.h"

using namespace dltest;

namespace {

using DownloadResumeTest = EngineFixture;

TEST_F(DownloadResumeTest, LostBlockResumesFromTheUnitsByteCount)
{
    const QByteArray image = ImageBytes(2000);
    ReachImageTransfer();
    AckBlocks(image, 0, 1, 2);
    Lose();
    EXPECT_EQ(counters.SendFailures(), 1);
    EXPECT_TRUE(engine->IsFailureWindowOpen());
    // A retry follows the loss: still waiting, or on a slow machine already out.
    EXPECT_TRUE(engine->IsTimerRunning(CMulticastDownload::kRetryTimerId) || handler->SendQueueLength() > 0);
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,3,1")});
    EXPECT_EQ(engine->GetState(), CMulticastDownload::kStatusBeforeImage);

    Reply(StatusQueryReply(0, 506));
    EXPECT_FALSE(engine->IsTimerRunning(CMulticastDownload::kFailureWindowTimerId));
    EXPECT_EQ(Sent(), std::vector<Bytes>{TransferStart(kUnitAddress, false, "QORA_R2_1", 506)});
    Reply(TransferStartReply(0));
    EXPECT_EQ(Sent(), std::vector<Bytes>{WriteRequest(kMulticast, "SWDownload0")});
    // Block 1 again, now from the resume offset; 1494 bytes make no empty block.
    AckBlocks(image, 506, 1, 3);
    Reply(Ack(3));
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,3,1")});
    EXPECT_EQ(engine->GetResumeOffset(), 506u);
}

TEST_F(DownloadResumeTest, EmptyFinalBlockFollowsTheBytesOfThisTransfer)
{
    // 1518 bytes are three full blocks, but after a resume the transfer
    // carries fewer: the empty block goes out only when those fill whole blocks.
    struct Case {
        std::uint32_t resume;
        std::uint16_t lastBlock;
        bool emptyBlock;
    };
    const QByteArray image = ImageBytes(1518);
    WriteFile("QORA.IMG", image);
    for (const Case c : {Case{0, 3, true}, Case{100, 3, false}, Case{506, 2, true}}) {
        SCOPED_TRACE(c.resume);
        ReachImageTransfer(c.resume);
        AckBlocks(image, c.resume, 1, c.lastBlock);
        Reply(Ack(c.lastBlock));
        std::vector<Bytes> expected;
        if (c.emptyBlock)
            expected.push_back(DataBlock(kUnitAddress, c.lastBlock + 1, {}));
        expected.push_back(Text("M:17,3,1"));
        PumpUntil([&] { return handler->SendQueueLength() >= expected.size(); }, 3000);
        EXPECT_EQ(Sent(), expected);
        EXPECT_TRUE(engine->AbortDownload());
        Sent();
    }
}

TEST_F(DownloadResumeTest, FourthLossEndsALocalDownload)
{
    ReachImageTransfer();
    // The losses come faster than any retry: on real time the 10 s retry
    // cannot step in between them however slow the machine is.
    SetTimerScale(1.0);
    for (int i = 1; i <= 3; ++i) {
        Lose();
        ASSERT_EQ(engine->GetState(), CMulticastDownload::kImageTransfer) << i;
    }
    Lose();
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(counters.SendFailures(), 0);
    EXPECT_TRUE(engine->GetErrorText().contains(QStringLiteral("(Unknown message : (0002))")));
    ExpectIdle();
    PumpFor(150);
    EXPECT_TRUE(Sent().empty()); // the retry was cancelled
}

TEST_F(DownloadResumeTest, ThirteenthLossEndsARemoteDownload)
{
    GoRemote("HOST=10.0.0.1,CH=9,ADDR=258");
    ReachImageTransfer(0, true);
    SetTimerScale(1.0); // as above: no retry between the losses
    for (int i = 1; i <= 12; ++i) {
        Lose();
        ASSERT_EQ(engine->GetState(), CMulticastDownload::kImageTransfer) << i;
    }
    Lose();
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    ExpectIdle();
}

TEST_F(DownloadResumeTest, LossAfterTheFailureWindowClosedEndsTheDownload)
{
    SetTimerScale(0.001); // the window lasts 120 ms, the retry 10 ms
    ReachImageTransfer();
    Lose();
    EXPECT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,3,1")});
    ASSERT_TRUE(PumpUntil([this] { return !engine->IsFailureWindowOpen(); }, 3000));
    Lose(0x851195); // the status query is lost too
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    ExpectIdle();
}

} // namespace
