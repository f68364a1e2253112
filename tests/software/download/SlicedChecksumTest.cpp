// The image check in slices gives what the check in one piece gives, at once
// for an image of one slice and through Finished for a larger one.

#include "DownloadFixture.h"

#include "software/download/SlicedChecksum.h"
#include "support/EventLoop.h"

#include <QBuffer>

#include <optional>

using namespace dltest;

namespace {

constexpr int kChunk = 228;

// An image device that fails to read once `failAt` bytes have been read.
class FailingBuffer : public QBuffer {
public:
    FailingBuffer(QByteArray* data, qint64 failAt) : QBuffer(data), failAt_(failAt) {}

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        if (pos() >= failAt_)
            return -1;
        return QBuffer::readData(data, std::min(maxSize, failAt_ - pos()));
    }

private:
    qint64 failAt_;
};

struct Checked {
    std::optional<ESoftwareFileResult> atOnce;
    std::optional<ESoftwareFileResult> finished;
    int finishedCount = 0;
    qint64 positionAfter = -1;
};

// Runs the sliced check on `device` to its end.
Checked Check(QIODevice& device)
{
    CSoftwareModule header;
    EXPECT_EQ(header.ReadHeader(device), ESoftwareFileResult::Ok);
    CSlicedChecksum check;
    Checked result;
    QObject::connect(&check, &CSlicedChecksum::Finished, [&](ESoftwareFileResult r) {
        result.finished = r;
        ++result.finishedCount;
    });
    result.atOnce = check.Start(device, header, kChunk);
    if (!result.atOnce) {
        EXPECT_TRUE(check.IsRunning());
        EXPECT_TRUE(PumpUntil([&] { return !check.IsRunning(); }, 10000));
        PumpFor(5);
    }
    EXPECT_FALSE(check.IsRunning());
    result.positionAfter = device.pos();
    return result;
}

TEST(SlicedChecksumTest, GivesTheResultOfTheWholeCheckAtOnceOrWhenItEnds)
{
    struct Case {
        const char* what;
        int length;
        bool good;
        bool atOnce;
    };
    const int large = static_cast<int>(kChecksumFirstSliceBytes) + 1000;
    const Case cases[] = {
        {"small, good", 2000, true, true},
        {"small, bad", 2000, false, true},
        {"header only", kHeaderSize, true, true},
        {"exactly one slice after the header", static_cast<int>(kChecksumFirstSliceBytes) + kHeaderSize, true, true},
        {"large, good", large, true, false},
        {"large, bad", large, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray bytes = ImageBytes(c.length, c.good);
        QBuffer device(&bytes);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly));
        const ESoftwareFileResult expected =
            c.good ? ESoftwareFileResult::Ok : ESoftwareFileResult::ChecksumMismatch;
        const Checked result = Check(device);
        if (c.atOnce) {
            EXPECT_EQ(result.atOnce, expected);
            EXPECT_EQ(result.finishedCount, 0);
        } else {
            EXPECT_FALSE(result.atOnce.has_value());
            EXPECT_EQ(result.finished, expected);
            EXPECT_EQ(result.finishedCount, 1);
        }
        EXPECT_EQ(result.positionAfter, 0) << "the image is read from its start again";
    }
}

TEST(SlicedChecksumTest, AReadErrorInAnySliceIsAReadError)
{
    const int large = static_cast<int>(kChecksumFirstSliceBytes) + 1000;
    for (const qint64 failAt : {qint64{1000}, qint64{large} - 500}) {
        SCOPED_TRACE(failAt);
        QByteArray bytes = ImageBytes(large);
        FailingBuffer device(&bytes, failAt);
        ASSERT_TRUE(device.open(QIODevice::ReadOnly | QIODevice::Unbuffered));
        const Checked result = Check(device);
        EXPECT_EQ(result.atOnce.value_or(result.finished.value_or(ESoftwareFileResult::Ok)),
                  ESoftwareFileResult::ReadError);
    }
}

TEST(SlicedChecksumTest, ACancelledCheckReportsNothingAndAnotherCanStart)
{
    QByteArray bytes = ImageBytes(static_cast<int>(kChecksumFirstSliceBytes) + 1000);
    QBuffer device(&bytes);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    CSoftwareModule header;
    ASSERT_EQ(header.ReadHeader(device), ESoftwareFileResult::Ok);
    CSlicedChecksum check;
    int finished = 0;
    ESoftwareFileResult last = ESoftwareFileResult::ReadError;
    QObject::connect(&check, &CSlicedChecksum::Finished, [&](ESoftwareFileResult r) {
        ++finished;
        last = r;
    });
    ASSERT_FALSE(check.Start(device, header, kChunk).has_value());
    check.Cancel();
    EXPECT_FALSE(check.IsRunning());
    PumpFor(50);
    EXPECT_EQ(finished, 0);

    // A start while one runs begins afresh: one result, over the whole image.
    ASSERT_FALSE(check.Start(device, header, kChunk).has_value());
    ASSERT_FALSE(check.Start(device, header, kChunk).has_value());
    ASSERT_TRUE(PumpUntil([&] { return finished > 0; }, 10000));
    PumpFor(20);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(last, ESoftwareFileResult::Ok);
    EXPECT_EQ(device.pos(), 0);
}

TEST(SlicedChecksumTest, AHeaderTooShortOrAChunkOfNothingIsAReadError)
{
    QByteArray bytes = ImageBytes(2000);
    QBuffer device(&bytes);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    CSlicedChecksum check;
    const CSoftwareModule empty; // no header read
    EXPECT_EQ(check.Start(device, empty, kChunk), ESoftwareFileResult::ReadError);
    CSoftwareModule header;
    ASSERT_EQ(header.ReadHeader(device), ESoftwareFileResult::Ok);
    EXPECT_EQ(check.Start(device, header, 0), ESoftwareFileResult::ReadError);
    EXPECT_FALSE(check.IsRunning());
}

} // namespace
