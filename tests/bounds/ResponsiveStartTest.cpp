// Starting a download checks the whole image against its checksum. For a large
// image that takes long enough to freeze the windows, so the check runs in
// slices on the event loop after StartDownload returns; these cases hold it to
// that, and to what may come meanwhile: a second start, an abort, or the
// engine going away.

#include "software/SoftwareModule.h"
#include "software/download/DownloadTexts.h"
#include "software/download/MulticastDownload.h"
#include "support/EventLoop.h"
#include "support/SampleFirmware.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr qint64 kLargeImage = 24 * 1000 * 1000;

class ResponsiveStartTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        firmware = MakeSampleFirmware(dir.path(), QStringLiteral("LARGE.BIN"), QStringLiteral("LARGE0100"), kLargeImage);
        ASSERT_TRUE(firmware.Valid());
    }
    QTemporaryDir dir;
    SampleFirmware firmware;
};

TEST_F(ResponsiveStartTest, TheEventLoopKeepsTurningWhileALargeImageIsChecked)
{
    // The same check in one piece, for comparison.
    QFile image(firmware.imagePath);
    ASSERT_TRUE(image.open(QIODevice::ReadOnly));
    CSoftwareModule header;
    ASSERT_EQ(header.ReadHeader(image), ESoftwareFileResult::Ok);
    QElapsedTimer clock;
    clock.start();
    ASSERT_EQ(header.VerifyChecksum(image, 228), ESoftwareFileResult::Ok);
    const qint64 onePieceMs = clock.elapsed();

    QElapsedTimer gaps;
    qint64 last = 0;
    qint64 longest = 0;
    int ticks = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = gaps.elapsed();
        longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    probe.start(1);

    CMulticastDownload engine;
    gaps.start();
    clock.restart();
    ASSERT_TRUE(engine.StartDownload(firmware.masterPath)) << qPrintable(engine.GetErrorText());
    EXPECT_TRUE(engine.IsCheckingImage());
    EXPECT_EQ(engine.GetState(), CMulticastDownload::kIdle);
    ASSERT_TRUE(PumpUntil([&] { return !engine.IsCheckingImage(); }, 30000));
    const qint64 startMs = clock.elapsed();
    longest = std::max(longest, gaps.elapsed() - last);
    probe.stop();

    // The check went on as before: the start command went out after it.
    EXPECT_EQ(engine.GetState(), CMulticastDownload::kStartSent);
    EXPECT_TRUE(engine.IsImageOpen());
    // Without turns the probe would have fired at most once, after one gap as
    // long as the whole check.
    EXPECT_GE(ticks, int(startMs / 50)) << "start took " << startMs << " ms";
    EXPECT_LT(longest, std::max<qint64>(80, onePieceMs / 2))
        << "one piece " << onePieceMs << " ms, start " << startMs << " ms";
    engine.AbortDownload();
}

TEST_F(ResponsiveStartTest, ASecondStartDuringTheCheckIsRefused)
{
    CMulticastDownload engine;
    EXPECT_TRUE(engine.StartDownload(firmware.masterPath));
    ASSERT_TRUE(engine.IsCheckingImage());
    EXPECT_FALSE(engine.StartDownload(firmware.masterPath));
    EXPECT_EQ(engine.GetErrorText(), DownloadText::AlreadyInProgress());
    EXPECT_TRUE(engine.IsImageOpen()) << "the refusal closed the files of the running start";
    ASSERT_TRUE(PumpUntil([&] { return !engine.IsCheckingImage(); }, 30000));
    EXPECT_EQ(engine.GetState(), CMulticastDownload::kStartSent);
    engine.AbortDownload();
}

TEST_F(ResponsiveStartTest, AnAbortDuringTheCheckEndsTheStartQuietly)
{
    CMulticastDownload engine;
    bool failed = false;
    QObject::connect(&engine, &CMulticastDownload::StartFailed, [&] { failed = true; });
    ASSERT_TRUE(engine.StartDownload(firmware.masterPath));
    ASSERT_TRUE(engine.IsCheckingImage());
    EXPECT_TRUE(engine.AbortDownload());
    EXPECT_FALSE(engine.IsCheckingImage());
    EXPECT_FALSE(engine.IsImageOpen());
    EXPECT_FALSE(engine.IsMasterOpen());
    PumpFor(50);
    EXPECT_EQ(engine.GetState(), CMulticastDownload::kIdle);
    EXPECT_FALSE(failed);
    EXPECT_FALSE(engine.AbortDownload());
    // And it can start again.
    ASSERT_TRUE(engine.StartDownload(firmware.masterPath));
    ASSERT_TRUE(PumpUntil([&] { return !engine.IsCheckingImage(); }, 30000));
    EXPECT_EQ(engine.GetState(), CMulticastDownload::kStartSent);
    engine.AbortDownload();
}

TEST_F(ResponsiveStartTest, AnEngineDestroyedDuringTheCheckIsLeftAlone)
{
    auto* engine = new CMulticastDownload;
    bool destroyed = false;
    QTimer::singleShot(0, [&] {
        if (engine->IsCheckingImage()) {
            delete engine;
            destroyed = true;
        }
    });
    EXPECT_TRUE(engine->StartDownload(firmware.masterPath));
    ASSERT_TRUE(PumpUntil([&] { return destroyed; }, 5000)) << "the check did not let the loop turn";
    PumpFor(50);
}

} // namespace
