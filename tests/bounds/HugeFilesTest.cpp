// Files far larger than the tool should hold: a master file or a software
// image past what 16-bit block numbers can carry is refused at once from its
// size, never read; a work order of hundreds of megabytes is read as a stream.

#include "bounds/ProcessMemory.h"
#include "commissioning/WorkOrder.h"
#include "platform/UserPrompts.h"
#include "software/DownloadMessages.h"
#include "software/SoftwareFileResult.h"
#include "software/download/MulticastDownload.h"
#include "support/EventLoop.h"
#include "support/SampleFirmware.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <thread>

namespace {

constexpr qint64 kThreeGiB = qint64{3} << 30;

// Grows (or shrinks) a file without writing its bytes: a sparse file on any
// file system that has them, so gigabytes cost no disk.
bool Resize(const QString& path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.resize(size);
}

class HugeFirmwareTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        firmware = MakeSampleFirmware(dir.path(), QStringLiteral("BIG.BIN"), QStringLiteral("BIG0100"), 4096);
        ASSERT_TRUE(firmware.Valid());
    }
    // Starts a download and gives how long the start checks took.
    qint64 TimedStart(CMulticastDownload& engine, bool& started) const
    {
        QElapsedTimer clock;
        clock.start();
        started = engine.StartDownload(firmware.masterPath);
        return clock.elapsed();
    }

    QTemporaryDir dir;
    SampleFirmware firmware;
};

TEST_F(HugeFirmwareTest, ImagesPastTheBlockNumbersAreRefusedFromTheirSizeAlone)
{
    const QString tooLarge = SoftwareFileResultText(ESoftwareFileResult::TooLarge);
    ASSERT_TRUE(tooLarge.startsWith(QStringLiteral("Source file is too large.")));
    const long peakBefore = bounds::PeakResidentKiB();
    for (const qint64 size : {kThreeGiB, qint64{kMaxTransferBytes} + 1, qint64{0xFFFFFFFF} + 1}) {
        ASSERT_TRUE(Resize(firmware.imagePath, size));
        CMulticastDownload engine;
        bool started = true;
        const qint64 ms = TimedStart(engine, started);
        EXPECT_FALSE(started) << size;
        EXPECT_EQ(engine.GetErrorText(), tooLarge) << size;
        EXPECT_EQ(engine.GetState(), CMulticastDownload::kIdle);
        EXPECT_FALSE(engine.IsMasterOpen());
        EXPECT_FALSE(engine.IsImageOpen());
        EXPECT_LT(ms, 500) << "the checks read the " << size << "-byte image";
    }
    EXPECT_LT(bounds::PeakResidentKiB() - peakBefore, 8 * 1024);
}

TEST_F(HugeFirmwareTest, TheLargestCarriableImageIsCheckedAsAStream)
{
    // The last size whose blocks (and closing empty block) still have numbers:
    // not refused for its size; its checksum over 33 MB of zeros is read in
    // chunks and does not match the sample's.
    ASSERT_TRUE(Resize(firmware.imagePath, kMaxTransferBytes));
    const long peakBefore = bounds::PeakResidentKiB();
    CMulticastDownload engine;
    bool refused = false;
    QObject::connect(&engine, &CMulticastDownload::StartFailed, [&] { refused = true; });
    bool started = false;
    TimedStart(engine, started);
    // Too large to check at once: the check goes on with the event loop.
    EXPECT_TRUE(started);
    ASSERT_TRUE(PumpUntil([&] { return refused; }, 60000));
    EXPECT_EQ(engine.GetState(), CMulticastDownload::kIdle);
    EXPECT_FALSE(engine.IsImageOpen());
    EXPECT_EQ(engine.GetErrorText(), SoftwareFileResultText(ESoftwareFileResult::ChecksumMismatch));
    EXPECT_NE(engine.GetErrorText(), SoftwareFileResultText(ESoftwareFileResult::TooLarge));
    EXPECT_LT(bounds::PeakResidentKiB() - peakBefore, 8 * 1024);
}

TEST_F(HugeFirmwareTest, AHugeMasterFileIsRefusedWithoutReadingIt)
{
    const long peakBefore = bounds::PeakResidentKiB();
    ASSERT_TRUE(Resize(firmware.masterPath, kThreeGiB));
    CMulticastDownload engine;
    bool started = true;
    const qint64 ms = TimedStart(engine, started);
    EXPECT_FALSE(started);
    EXPECT_EQ(engine.GetErrorText(), SoftwareFileResultText(ESoftwareFileResult::TooLarge));
    EXPECT_FALSE(engine.IsMasterOpen());
    EXPECT_LT(ms, 500);
    EXPECT_LT(bounds::PeakResidentKiB() - peakBefore, 8 * 1024);
}

// Writes a work order of about `megabytes` MB into `path` (a pipe): filler
// managed objects of other classes with one QORA unit in the middle.
void WriteLargeWorkOrder(const std::string& path, int megabytes)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return;
    std::fputs("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<raml version=\"2.0\">\n  <cmData type=\"plan\">\n", out);
    const long long target = (long long)megabytes << 20;
    long long written = 0;
    bool unitWritten = false;
    char object[1024];
    for (long n = 0; written < target; ++n) {
        if (!unitWritten && written >= target / 2) {
            std::fputs("    <managedObject class=\"QOR\" distName=\"BSC-1/QOR-1\" version=\"2.0\">\n"
                       "      <p name=\"qorName\">Big QORA</p><p name=\"qorType\">QORA-2</p>\n"
                       "      <p name=\"qorQ1Address\">131</p><p name=\"qorQ1Speed\">2</p>\n"
                       "      <p name=\"qorGPSAntennaLatitudeLocation\">601693000</p>\n"
                       "      <p name=\"qorGPSAntennaLongitudeLocation\">249384500</p>\n"
                       "      <p name=\"qorGPSAntennaAltitude\">2350</p><p name=\"qorBtsGpsDelay\">120</p>\n"
                       "      <p name=\"qorBtsFrDelay\">-45</p><p name=\"qorGPSMode\">Locked</p>\n"
                       "      <p name=\"qorQ1Relay\">NO</p><p name=\"qorQ1IP\">10.1.1.10</p>\n"
                       "      <p name=\"qorQ1GW\">10.1.1.1</p><p name=\"qorQ1Mask\">255.255.255.0</p>\n"
                       "    </managedObject>\n",
                       out);
            unitWritten = true;
        }
        const int length = std::snprintf(
            object, sizeof object,
            "    <managedObject class=\"BTS\" distName=\"BSC-1/BCF-%ld/BTS-%ld\" version=\"2.0\">\n"
            "      <p name=\"name\">BTS object %ld</p><p name=\"qorName\">not a unit</p>\n"
            "      <list name=\"neighbours\"><p>%ld</p><p>%ld</p><p>%ld</p></list>\n"
            "      <p name=\"comment\">planned by the site survey of week %ld</p>\n"
            "    </managedObject>\n",
            n / 6, n, n, n + 1, n + 2, n + 3, n % 52);
        if (std::fwrite(object, 1, std::size_t(length), out) != std::size_t(length))
            break; // the reader gave up
        written += length;
    }
    std::fputs("  </cmData>\n</raml>\n", out);
    std::fclose(out);
}

TEST(HugeWorkOrderTest, ThreeHundredMegabytesAreReadInBoundedMemory)
{
    // A named pipe: the work order is generated while it is read, so neither
    // the disk nor this process ever holds it whole.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("plan.xml")).toStdString();
    ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
    int prompts = 0;
    SetMessageBoxFunction([&](const MessageBoxRequest&) { ++prompts; return MsgAnswer::Ok; });

    const long peakBefore = bounds::PeakResidentKiB();
    std::thread writer(WriteLargeWorkOrder, path, 300);
    CWorkOrder order;
    const bool loaded = static_cast<bool>(order.Load(QString::fromStdString(path)));
    writer.join();
    const long peakAfter = bounds::PeakResidentKiB();
    SetMessageBoxFunction({});

    ASSERT_TRUE(loaded);
    EXPECT_EQ(prompts, 0);
    WorkOrderValues values;
    ASSERT_TRUE(ReadWorkOrderValues(order, values));
    EXPECT_EQ(values.unitName, QStringLiteral("Big QORA"));
    EXPECT_EQ(values.q1Address, 131);
    EXPECT_EQ(values.ipAddress, QStringLiteral("10.1.1.10"));
    // The reader's buffers and the kept unit, nowhere near the 300 MB read.
    EXPECT_LT(peakAfter - peakBefore, 32 * 1024) << "peak resident KiB " << peakBefore << " -> " << peakAfter;
}

} // namespace
