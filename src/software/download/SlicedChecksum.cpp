#include "software/download/SlicedChecksum.h"

#include "software/Crc16.h"

#include <QElapsedTimer>
#include <QIODevice>

namespace {
// The clock is read once per this many bytes.
constexpr std::int64_t kClockEveryBytes = 64 * 1024;
} // namespace

CSlicedChecksum::CSlicedChecksum(QObject* parent) : QObject(parent)
{
    turn_.setInterval(0);
    connect(&turn_, &QTimer::timeout, this, &CSlicedChecksum::OnTurn);
}

std::optional<ESoftwareFileResult> CSlicedChecksum::Start(QIODevice& image, const CSoftwareModule& header,
                                                          std::int32_t chunkSize)
{
    Cancel();
    const std::int64_t start = header.GetHeaderSize();
    if (start < 4 || chunkSize <= 0 || !image.seek(start))
        return ESoftwareFileResult::ReadError;
    image_ = &image;
    stored_ = header.GetStoredChecksum();
    crc_ = 0;
    chunk_.assign(static_cast<std::size_t>(chunkSize), 0);
    if (auto result = Slice(kChecksumFirstSliceBytes, -1))
        return result;
    turn_.start();
    return std::nullopt;
}

void CSlicedChecksum::Cancel()
{
    turn_.stop();
    image_ = nullptr;
}

void CSlicedChecksum::OnTurn()
{
    if (!image_)
        return;
    if (const auto result = Slice(kChecksumSliceBytes, kChecksumSliceMs))
        emit Finished(*result); // last: whoever listens may destroy us
}

std::optional<ESoftwareFileResult> CSlicedChecksum::Slice(std::int64_t bytes, int ms)
{
    QElapsedTimer clock;
    clock.start();
    std::int64_t read = 0;
    std::int64_t sinceClock = 0;
    const auto size = static_cast<qint64>(chunk_.size());
    while (read < bytes) {
        const qint64 got = image_->read(chunk_.data(), size);
        if (got < 0) {
            Cancel();
            return ESoftwareFileResult::ReadError;
        }
        if (got == 0)
            return Conclude();
        crc_ = Crc16Xmodem(crc_, chunk_.data(), static_cast<std::size_t>(got));
        read += got;
        sinceClock += got;
        if (ms >= 0 && sinceClock >= kClockEveryBytes) {
            sinceClock = 0;
            if (clock.elapsed() >= ms)
                break;
        }
    }
    // An image that ends with the slice needs no turn just to find out.
    if (!image_->isSequential() && image_->atEnd())
        return Conclude();
    return std::nullopt;
}

std::optional<ESoftwareFileResult> CSlicedChecksum::Conclude()
{
    QIODevice& image = *image_;
    Cancel();
    // A read that ends early on a file whose size is known is a failure, not the end.
    const bool whole = image.isSequential() || image.pos() == image.size();
    const bool rewound = image.seek(0);
    if (!whole || !rewound)
        return ESoftwareFileResult::ReadError;
    return crc_ == stored_ ? ESoftwareFileResult::Ok : ESoftwareFileResult::ChecksumMismatch;
}
