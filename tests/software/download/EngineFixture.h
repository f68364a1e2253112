#pragma once
// One engine registered with the played unit, its notices recorded, and the
// dialogue played up to the image transfer.

#include "DownloadFixture.h"

#include "software/download/MulticastDownload.h"

#include <memory>

namespace dltest {

class EngineFixture : public DownloadFixture {
protected:
    void SetUp() override
    {
        DownloadFixture::SetUp();
        engine = std::make_unique<CMulticastDownload>(counters);
        engine->SetTarget({kUnitAddress, QStringLiteral("Local (192.168.0.1:131)")});
        engine->AddWindow(&notices);
        engine->Register();
    }
    void TearDown() override
    {
        engine.reset();
        DownloadFixture::TearDown();
    }

    // wParams of the notices with this number, in order.
    std::vector<MsgWParam> NoticesOf(unsigned message)
    {
        PumpFor(2);
        std::vector<MsgWParam> values;
        for (const auto& m : notices.received)
            if (m.message == message)
                values.push_back(m.wParam);
        return values;
    }

    // Start, master file, version check and status query, up to the image's
    // write request; the unit reports holding `held` bytes, and the commands
    // name the unit by `unit`.
    void ReachImageTransfer(std::uint32_t held = 0, bool remote = false, std::uint16_t unit = kUnitAddress)
    {
        ASSERT_TRUE(engine->StartDownload(MasterPath())) << engine->GetErrorText().toStdString();
        ASSERT_EQ(Sent(), std::vector<Bytes>{Text("M:17,2,1\r")});
        Reply(Echo("M:17,2,1\r"));
        ASSERT_EQ(Sent(), std::vector<Bytes>{WriteRequest(unit, "RELEASE.MFI")});
        Reply(Ack(0));
        ASSERT_EQ(Sent(), std::vector<Bytes>{DataBlock(unit, 1, Master())});
        Reply(Ack(1));
        ASSERT_EQ(Awaited(), std::vector<Bytes>{Text("M:17,2,2\r")});
        EXPECT_FALSE(engine->IsMasterOpen());
        Reply(VersionReply(0));
        ASSERT_EQ(Sent(), std::vector<Bytes>{Text("M:17,3,1")});
        Reply(StatusQueryReply(0, held));
        ASSERT_EQ(Sent(), std::vector<Bytes>{TransferStart(unit, remote, "QORA_R2_1", held)});
        Reply(TransferStartReply(0));
        ASSERT_EQ(Sent(), std::vector<Bytes>{WriteRequest(kMulticast, "SWDownload0")});
        ASSERT_EQ(engine->GetState(), CMulticastDownload::kImageTransfer);
    }

    // Acknowledges blocks first..last of the image, each answered by the next.
    void AckBlocks(const QByteArray& image, std::uint32_t from, std::uint16_t first, std::uint16_t last)
    {
        for (std::uint16_t block = first; block <= last; ++block) {
            Reply(Ack(block - 1));
            const QByteArray data = image.mid(from + (block - 1) * 506, 506);
            ASSERT_EQ(Sent(), std::vector<Bytes>{DataBlock(kUnitAddress, block, data)}) << "block " << block;
        }
    }

    // Checks the engine ended idle, with both files closed and no timer left.
    void ExpectIdle()
    {
        EXPECT_EQ(engine->GetState(), CMulticastDownload::kIdle);
        EXPECT_FALSE(engine->IsMasterOpen());
        EXPECT_FALSE(engine->IsImageOpen());
        EXPECT_FALSE(engine->IsWaiting());
        EXPECT_FALSE(engine->IsFailureWindowOpen());
    }

    MessageRecorder notices;
    CDownloadCounters counters;
    std::unique_ptr<CMulticastDownload> engine;
};

} // namespace dltest
