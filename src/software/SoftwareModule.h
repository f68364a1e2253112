#pragma once
// The header of a software image file. Its size is not fixed: it follows from
// lengths stored in the header itself, so the header is read in up to three
// steps. The first 32-bit value of the header is the checksum of everything
// after it.

#include "software/SoftwareFileResult.h"

#include <QByteArray>

#include <cstdint>

class QIODevice;

class CSoftwareModule {
public:
    static constexpr std::int32_t kFirstRead = 44;

    // The header size the given leading bytes call for; at least 44. Lengths
    // stored beyond the bytes given count as 0. 64-bit, as stored lengths may
    // add up past 32 bits.
    [[nodiscard]] static std::uint64_t HeaderSizeOf(const QByteArray& held);

    // Reads the header from the image's start and leaves the position at its end.
    // A file too short for the header it declares is Truncated.
    ESoftwareFileResult ReadHeader(QIODevice& image);
    // Checks the bytes after the header against the stored checksum, reading
    // chunkSize bytes at a time, and goes back to the start of the image.
    ESoftwareFileResult VerifyChecksum(QIODevice& image, std::int32_t chunkSize) const;

    [[nodiscard]] const QByteArray& GetHeader() const { return header_; }
    [[nodiscard]] std::int32_t GetHeaderSize() const { return static_cast<std::int32_t>(header_.size()); }
    [[nodiscard]] std::uint32_t GetStoredChecksum() const;

private:
    QByteArray header_;
};
