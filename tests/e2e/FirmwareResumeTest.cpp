// A firmware download through the real link to the simulated unit while the
// connection breaks in the middle of the image: the engine waits, asks the
// unit how many bytes it holds, resumes with block 1 from there, and the unit
// ends up with the image byte for byte.

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/TimerScale.h"
#include "rks/RksComponents.h"
#include "software/download/MulticastDownload.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/PromptRecorder.h"
#include "support/SampleFirmware.h"
#include "support/SimProcess.h"
#include "support/SimTrace.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const char kLocal[] = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FirmwareResume : public testing::Test {
protected:
    void SetUp() override
    {
        RegisterRksComponents();
        SetMainWindowTarget(&frame);
        SetTimerScale(0.01); // retry 10 s -> 100 ms, failure window 120 s -> 1.2 s
        CDownloadCounters::Program().Reset();
        ASSERT_TRUE(folder.isValid());
    }
    void TearDown() override
    {
        engine.reset();
        handler.reset();
        SetAppCommHandler(nullptr);
        SetMainWindowTarget(nullptr);
        SetTimerScale(1.0);
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void Start(const QStringList& faults)
    {
        QStringList arguments{QStringLiteral("--firmware-dir"), folder.filePath(QStringLiteral("unit")),
                              QStringLiteral("--verification-polls"), QStringLiteral("1"),
                              QStringLiteral("--trace"), folder.filePath(QStringLiteral("trace.jsonl"))};
        sim = std::make_unique<SimProcess>(arguments + faults);
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(ConnectionRoute::Direct, kLocal);
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));
        engine = std::make_unique<CMulticastDownload>();
        engine->SetTarget(SDownloadTarget{131, QStringLiteral("Local (131)")});
        engine->AddWindow(&dialog);
        engine->Register();
    }
    // The outcome the engine reported: 1 success, 0 failure, -1 nothing in time.
    int Outcome(int ms = 30000)
    {
        int outcome = -1;
        PumpUntil([&] {
            for (const RecordedMessage& m : dialog.received)
                if (m.message == WM_DOWNLOAD_DONE)
                    outcome = static_cast<int>(m.wParam);
            return outcome >= 0;
        }, ms);
        return outcome;
    }

    QTemporaryDir folder;
    MessageRecorder frame, dialog;
    PromptRecorder prompts;
    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<CCommHandler> handler;
    std::unique_ptr<CMulticastDownload> engine;
};

TEST_F(FirmwareResume, ABrokenConnectionMidImageResumesWhereTheUnitStopped)
{
    // 60 blocks of 506 and a short one; the connection breaks when block 25 arrives.
    const SampleFirmware firmware =
        MakeSampleFirmware(folder.path(), QStringLiteral("QOR0310.bin"), QStringLiteral("QOR0310"), 60 * 506 + 100);
    ASSERT_TRUE(firmware.Valid());
    Start({QStringLiteral("--break-at-block"), QStringLiteral("25")});

    ASSERT_TRUE(engine->StartDownload(firmware.masterPath)) << engine->GetErrorText().toStdString();
    ASSERT_EQ(Outcome(), 1) << engine->GetErrorText().toStdString();
    EXPECT_EQ(engine->GetState(), 0);
    EXPECT_FALSE(engine->IsMasterOpen());
    EXPECT_FALSE(engine->IsImageOpen());
    // The unit held the 24 blocks before the break and was asked to go on from there.
    EXPECT_EQ(engine->GetResumeOffset(), 24u * 506u);
    EXPECT_EQ(FileBytes(folder.filePath(QStringLiteral("unit/unit-131-image.bin"))), FileBytes(firmware.imagePath));

    // On the wire after the break: the status query, the transfer start with
    // the resume offset, the image's write request, then data block 1 carrying
    // the image from byte 24 * 506 on.
    const std::vector<QByteArray> requests = TracedRequests(folder.filePath(QStringLiteral("trace.jsonl")));
    const QByteArray statusQuery = QByteArray("M:17,3,1").toHex() + "00";
    const QByteArray image = FileBytes(firmware.imagePath);
    std::size_t resumedAt = 0;
    for (std::size_t i = 0; i + 3 < requests.size(); ++i) {
        if (requests[i] == statusQuery && requests[i + 1].startsWith(QByteArray("M:17,2,5").toHex())
            && requests[i + 2].startsWith("0002") && i > 30) {
            resumedAt = i;
            break;
        }
    }
    ASSERT_NE(resumedAt, 0u) << "no resume sequence in the trace";
    const QByteArray transferStart = QByteArray::fromHex(requests[resumedAt + 1]);
    ASSERT_EQ(transferStart.size(), 33);
    EXPECT_EQ(static_cast<std::uint8_t>(transferStart[15]), 'I');
    EXPECT_EQ(transferStart.mid(28, 4), QByteArray::fromHex("00002f70")); // 24 * 506 = 12144
    const QByteArray firstBlock = QByteArray::fromHex(requests[resumedAt + 3]);
    EXPECT_EQ(firstBlock.left(4), QByteArray::fromHex("00030001"));
    EXPECT_EQ(firstBlock.mid(4), image.mid(24 * 506, 506));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(FirmwareResume, AnImageOfWholeBlocksEndsWithAnEmptyBlockEvenAfterAResume)
{
    // 40 whole blocks; the break leaves 16 of them, so 24 whole blocks are left to send.
    const SampleFirmware firmware =
        MakeSampleFirmware(folder.path(), QStringLiteral("QOR0310.bin"), QStringLiteral("QOR0310"), 40 * 506);
    ASSERT_TRUE(firmware.Valid());
    Start({QStringLiteral("--break-at-block"), QStringLiteral("17")});
    ASSERT_TRUE(engine->StartDownload(firmware.masterPath));
    ASSERT_EQ(Outcome(), 1) << engine->GetErrorText().toStdString();
    EXPECT_EQ(FileBytes(folder.filePath(QStringLiteral("unit/unit-131-image.bin"))), FileBytes(firmware.imagePath));
    const std::vector<QByteArray> requests = TracedRequests(folder.filePath(QStringLiteral("trace.jsonl")));
    const auto emptyBlock = std::find(requests.begin(), requests.end(), QByteArray("00030019")); // block 25, no data
    EXPECT_NE(emptyBlock, requests.end());
}

TEST_F(FirmwareResume, AMasterFileOfWholeBlocksEndsWithAnEmptyBlock)
{
    const SampleFirmware firmware =
        MakeSampleFirmware(folder.path(), QStringLiteral("QOR0310.bin"), QStringLiteral("QOR0310"), 3000);
    ASSERT_TRUE(firmware.Valid());
    {
        // Two whole blocks: the fields the download reads stay where they are.
        QFile master(firmware.masterPath);
        ASSERT_TRUE(master.open(QIODevice::ReadWrite));
        ASSERT_LT(master.size(), 1012);
        ASSERT_TRUE(master.resize(1012));
    }
    Start({});
    ASSERT_TRUE(engine->StartDownload(firmware.masterPath));
    ASSERT_EQ(Outcome(), 1) << engine->GetErrorText().toStdString();
    EXPECT_EQ(FileBytes(folder.filePath(QStringLiteral("unit/unit-131-master.bin"))), FileBytes(firmware.masterPath));
    const std::vector<QByteArray> requests = TracedRequests(folder.filePath(QStringLiteral("trace.jsonl")));
    const auto versionCheck = std::find(requests.begin(), requests.end(), QByteArray("M:17,2,2\r").toHex() + "00");
    ASSERT_NE(versionCheck, requests.end());
    EXPECT_EQ(*(versionCheck - 1), QByteArray("00030003")) << "the master's empty third block comes first";
}

TEST_F(FirmwareResume, AUnitThatRefusesTheChecksumIsAFailureNotASuccess)
{
    const SampleFirmware firmware =
        MakeSampleFirmware(folder.path(), QStringLiteral("QOR0310.bin"), QStringLiteral("QOR0310"), 3000);
    ASSERT_TRUE(firmware.Valid());
    Start({QStringLiteral("--checksum-failure")});
    ASSERT_TRUE(engine->StartDownload(firmware.masterPath));
    EXPECT_EQ(Outcome(), 0);
    EXPECT_TRUE(engine->GetErrorText().contains(QStringLiteral("non-recoverable error")))
        << engine->GetErrorText().toStdString();
    EXPECT_EQ(engine->GetState(), 0);
}

} // namespace
