// The start of a download around its image check, and the counts engines
// share: an image too large to check at once is checked on the event loop,
// and its outcome is the one a quick check would have given.

#include "EngineFixture.h"

#include "software/download/DownloadTexts.h"
#include "software/download/SlicedChecksum.h"

using namespace dltest;

namespace {

const QString kReadError = QStringLiteral("Error encountered when reading data from the source file.");
// Past what the first slice of the check reads.
constexpr int kLargeImage = static_cast<int>(kChecksumFirstSliceBytes) + 1000;

class DownloadStartTest : public EngineFixture {
protected:
    void SetUp() override
    {
        EngineFixture::SetUp();
        QObject::connect(engine.get(), &CMulticastDownload::StartFailed, [this] { ++startFailures; });
    }
    int startFailures = 0;
};

TEST_F(DownloadStartTest, ALargeImageIsCheckedOnTheLoopThenTheStartCommandGoes)
{
    WriteFile("QORA.IMG", ImageBytes(kLargeImage));
    ASSERT_TRUE(engine->StartDownload(MasterPath())) << engine->GetErrorText().toStdString();
    EXPECT_TRUE(engine->IsCheckingImage());
    EXPECT_EQ(engine->GetState(), CMulticastDownload::kIdle);
    EXPECT_FALSE(engine->IsUnderWay());
    EXPECT_TRUE(Sent().empty());

    // A second start meanwhile is refused and leaves the first one alone.
    EXPECT_FALSE(engine->StartDownload(MasterPath()));
    EXPECT_EQ(engine->GetErrorText(), DownloadText::AlreadyInProgress());
    EXPECT_TRUE(engine->IsImageOpen());

    ASSERT_TRUE(PumpUntil([this] { return !engine->IsCheckingImage(); }, 10000));
    EXPECT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,1\r")});
    EXPECT_EQ(engine->GetState(), CMulticastDownload::kStartSent);
    EXPECT_EQ(startFailures, 0);
    // The image is read from its start again for the transfer.
    Reply(Echo("M:17,2,1\r"));
    EXPECT_EQ(Sent(), std::vector<Bytes>{WriteRequest(kUnitAddress, "RELEASE.MFI")});
    EXPECT_TRUE(engine->AbortDownload());
}

TEST_F(DownloadStartTest, ALargeImageFailingItsCheckIsAFailedStartNotADownloadFailure)
{
    WriteFile("QORA.IMG", ImageBytes(kLargeImage, false));
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    ASSERT_TRUE(PumpUntil([this] { return startFailures > 0; }, 10000));
    EXPECT_EQ(startFailures, 1);
    EXPECT_EQ(engine->GetErrorText(), kReadError);
    EXPECT_TRUE(Sent().empty());
    EXPECT_TRUE(NoticesOf(WM_DOWNLOAD_DONE).empty());
    ExpectIdle();
    EXPECT_FALSE(engine->IsCheckingImage());

    // The same image put right starts.
    WriteFile("QORA.IMG", ImageBytes(kLargeImage));
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    ASSERT_TRUE(PumpUntil([this] { return engine->GetState() == CMulticastDownload::kStartSent; }, 10000));
    EXPECT_EQ(startFailures, 1);
}

TEST_F(DownloadStartTest, AbortOrDestructionDuringTheCheckSendsNothing)
{
    WriteFile("QORA.IMG", ImageBytes(kLargeImage));
    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    EXPECT_TRUE(engine->AbortDownload());
    EXPECT_FALSE(engine->IsCheckingImage());
    EXPECT_FALSE(engine->AbortDownload());
    PumpFor(50);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(startFailures, 0);
    ExpectIdle();

    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    engine.reset();
    PumpFor(50);
    EXPECT_TRUE(Sent().empty());
}

TEST_F(DownloadStartTest, AStartRefusedForItsChannelLeavesTheRunningDownloadItsFiles)
{
    GoRemote("HOST=10.0.0.1,CH=9,ADDR=258");
    ReachImageTransfer(0, true);
    GoRemote("HOST=10.0.0.1,CH=3,ADDR=258");
    EXPECT_FALSE(engine->StartDownload(MasterPath()));
    EXPECT_EQ(engine->GetErrorText(), QStringLiteral("Select channel 9 for software download."));
    EXPECT_TRUE(engine->IsImageOpen());
    // The transfer goes on with the image's first block.
    Reply(Ack(0));
    EXPECT_EQ(Sent(), std::vector<Bytes>{DataBlock(kUnitAddress, 1, ImageBytes(2000).left(506))});
}

TEST_F(DownloadStartTest, EnginesSharingCountersSeeOneAnothersCounts)
{
    // Another engine on the same counters, idle and listening, clears the
    // busy count with any reply it sees; one on counters of its own does not.
    CMulticastDownload sharing(counters);
    CDownloadCounters ownCounters;
    CMulticastDownload separate(ownCounters);
    separate.Register();
    ownCounters.SetBusyRetries(2);

    ASSERT_TRUE(engine->StartDownload(MasterPath()));
    Reply(Echo("M:17,2,1\r"));
    Reply(Ack(0));
    Sent();
    Reply(Ack(1));
    Awaited();
    Reply(VersionReply(2));
    Awaited();
    Reply(VersionReply(2));
    Awaited();
    EXPECT_EQ(counters.BusyRetries(), 2);

    sharing.Register();
    Reply({0x84, 0x07, 0x18, 0x01, 0x00, 0xC0, 0x02, 0x05, 0x00, 0x01}); // another group's reply
    EXPECT_EQ(counters.BusyRetries(), 0);
    EXPECT_EQ(ownCounters.BusyRetries(), 0);
    sharing.Unregister();
    // So the engine may wait twice more before the third busy ends it.
    Reply(VersionReply(2));
    Awaited();
    Reply(VersionReply(2));
    Awaited();
    ownCounters.SetBusyRetries(2);
    Reply(VersionReply(2));
    EXPECT_EQ(NoticesOf(WM_DOWNLOAD_DONE), std::vector<MsgWParam>{0});
    EXPECT_EQ(ownCounters.BusyRetries(), 0) << "the separate engine saw the reply in its idle state";

    // A start clears the send failures every sharing engine counts.
    counters.CountSendFailure();
    ASSERT_EQ(counters.SendFailures(), 1);
    ownCounters.CountSendFailure();
    ASSERT_TRUE(sharing.StartDownload(MasterPath()));
    EXPECT_EQ(counters.SendFailures(), 0);
    EXPECT_EQ(ownCounters.SendFailures(), 1);
    sharing.AbortDownload();
    separate.Unregister();
}

} // namespace
