#include "software/SoftwareModule.h"

#include "software/Crc16.h"
#include "software/DownloadMessages.h"

#include <QIODevice>

#include <algorithm>

namespace {

// The 32-bit value, least significant byte first, or 0 when it is not all held.
std::uint64_t HeldValue(const QByteArray& held, std::uint64_t offset)
{
    if (offset + 4 > static_cast<std::uint64_t>(held.size()))
        return 0;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<std::uint8_t>(held[static_cast<qsizetype>(offset) + i]);
    return value;
}

// Reads on until held has size bytes; false on a short read.
bool ReadUpTo(QIODevice& image, QByteArray& held, std::uint64_t size)
{
    const qint64 missing = static_cast<qint64>(size) - held.size();
    if (missing <= 0)
        return true;
    const QByteArray more = image.read(missing);
    held += more;
    return more.size() == missing;
}

} // namespace

std::uint64_t CSoftwareModule::HeaderSizeOf(const QByteArray& held)
{
    if (held.size() < kFirstRead)
        return kFirstRead;
    const std::uint64_t at32 = HeldValue(held, 32);
    const std::uint64_t at36 = HeldValue(held, 36);
    const std::uint64_t at40 = HeldValue(held, 40);
    const std::uint64_t first = at32 + 48;
    const std::uint64_t second = at40 + 44 + HeldValue(held, at40 + 40);
    const std::uint64_t third = at36 + 40 + HeldValue(held, at36 + 36);
    return std::max({first, second, third});
}

ESoftwareFileResult CSoftwareModule::ReadHeader(QIODevice& image)
{
    header_.clear();
    const qint64 fileSize = image.size();
    if (fileSize <= 0)
        return ESoftwareFileResult::ZeroLength;
    if (fileSize > kMaxTransferBytes)
        return ESoftwareFileResult::TooLarge;
    if (!image.seek(0))
        return ESoftwareFileResult::ReadError;

    QByteArray held;
    if (!ReadUpTo(image, held, kFirstRead))
        return ESoftwareFileResult::Truncated;
    // Reading up to the first size brings every stored length into range, so
    // the second size is final. Sizes beyond the file are refused before
    // reading, so a corrupt length cannot make us allocate gigabytes.
    std::uint64_t size = kFirstRead;
    for (int step = 0; step < 2; ++step) {
        const std::uint64_t next = HeaderSizeOf(held);
        if (next <= size)
            break;
        if (next > static_cast<std::uint64_t>(fileSize) || !ReadUpTo(image, held, next))
            return ESoftwareFileResult::Truncated;
        size = next;
    }
    header_ = held.left(static_cast<qsizetype>(size));
    if (!image.seek(static_cast<qint64>(size)))
        return ESoftwareFileResult::ReadError;
    return ESoftwareFileResult::Ok;
}

ESoftwareFileResult CSoftwareModule::VerifyChecksum(QIODevice& image, std::int32_t chunkSize) const
{
    if (header_.size() < 4)
        return ESoftwareFileResult::ReadError;
    const auto crc = Crc16XmodemOfDevice(image, header_.size(), chunkSize);
    const bool rewound = image.seek(0);
    if (!crc || !rewound)
        return ESoftwareFileResult::ReadError;
    return *crc == GetStoredChecksum() ? ESoftwareFileResult::Ok : ESoftwareFileResult::ChecksumMismatch;
}

std::uint32_t CSoftwareModule::GetStoredChecksum() const
{
    return static_cast<std::uint32_t>(HeldValue(header_, 0));
}
