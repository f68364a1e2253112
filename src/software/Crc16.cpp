#include "software/Crc16.h"

#include <QIODevice>

#include <array>
#include <vector>

namespace {

constexpr std::array<std::uint16_t, 256> MakeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte << 8;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1;
        table[byte] = static_cast<std::uint16_t>(crc);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = MakeTable();

} // namespace

std::uint16_t Crc16Xmodem(std::uint16_t crc, const void* data, std::size_t count)
{
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < count; ++i)
        crc = static_cast<std::uint16_t>((crc << 8) ^ kTable[((crc >> 8) ^ bytes[i]) & 0xFF]);
    return crc;
}

std::optional<std::uint16_t> Crc16XmodemOfDevice(QIODevice& device, std::int64_t offset, std::int32_t chunkSize)
{
    if (chunkSize <= 0 || offset < 0 || !device.seek(offset))
        return std::nullopt;
    std::vector<char> chunk(static_cast<std::size_t>(chunkSize));
    std::uint16_t crc = 0;
    for (;;) {
        const qint64 got = device.read(chunk.data(), chunkSize);
        if (got < 0)
            return std::nullopt;
        if (got == 0)
            break;
        crc = Crc16Xmodem(crc, chunk.data(), static_cast<std::size_t>(got));
    }
    // A read that ends early on a file whose size is known is a failure, not the end.
    if (!device.isSequential() && device.pos() != device.size())
        return std::nullopt;
    return crc;
}
