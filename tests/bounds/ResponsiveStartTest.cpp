// Starting a download checks the whole image against its checksum. For a large
// image that takes long enough to freeze the windows, so the check lets the
// event loop turn between slices; these cases hold it to that, and to what a
// turning loop may bring: a second start, or the engine going away.

#include "software/SoftwareModule.h"
#include "software/download/DownloadTexts.h"
#include "software/download/MulticastDownload.h"
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
    const qint64 startMs = clock.elapsed();
    longest = std::max(longest, gaps.elapsed() - last);
    probe.stop();

    // The check went on as before: the start command went out after it.
    EXPECT_EQ(engine.GetState(), CMulticastDownload::kStartSent);
    EXPECT_FALSE(engine.IsCheckingImage());
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
    bool secondStarted = true;
    QString secondText;
    bool sawCheck = false;
    QTimer::singleShot(0, [&] {
        sawCheck = engine.IsCheckingImage();
        secondStarted = engine.StartDownload(firmware.masterPath);
        secondText = engine.GetErrorText();
    });
    EXPECT_TRUE(engine.StartDownload(firmware.masterPath));
    ASSERT_TRUE(sawCheck) << "the check did not let the loop turn";
    EXPECT_FALSE(secondStarted);
    EXPECT_EQ(secondText, DownloadText::AlreadyInProgress());
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
    const bool started = engine->StartDownload(firmware.masterPath);
    ASSERT_TRUE(destroyed) << "the check did not let the loop turn";
    EXPECT_FALSE(started);
}

} // namespace
