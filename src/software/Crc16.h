#pragma once
// CRC-16/XMODEM (polynomial 0x1021, initial value 0, no reflection, no final
// XOR), table driven, as stored at the start of every software image.

#include <cstddef>
#include <cstdint>
#include <optional>

class QIODevice;

constexpr std::int32_t kDefaultChecksumChunkSize = 228;
constexpr std::int32_t kMinChecksumChunkSize = 128;
constexpr std::int32_t kMaxChecksumChunkSize = 256;

// An even size from 128 to 256.
[[nodiscard]] constexpr bool IsValidChecksumChunkSize(std::int32_t size)
{
    return size >= kMinChecksumChunkSize && size <= kMaxChecksumChunkSize && size % 2 == 0;
}

// Continues crc over count bytes; start with 0.
[[nodiscard]] std::uint16_t Crc16Xmodem(std::uint16_t crc, const void* data, std::size_t count);

// The checksum of the device's bytes from offset to its end, read chunkSize
// bytes at a time. Empty when chunkSize is not positive or the device fails
// to seek or read. Leaves the position at the end of what was read.
[[nodiscard]] std::optional<std::uint16_t> Crc16XmodemOfDevice(QIODevice& device, std::int64_t offset,
                                                               std::int32_t chunkSize);
