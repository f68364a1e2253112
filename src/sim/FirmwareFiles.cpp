#include "sim/FirmwareFiles.h"

#include "sim/FirmwareBanks.h"

#include <algorithm>
#include <array>

namespace sim {
namespace {

constexpr std::size_t kFirstHeaderRead = 44;

// Text of at most `width` characters, ended early by a zero byte.
std::string TextField(std::span<const std::uint8_t> bytes, std::size_t at, std::size_t width)
{
    const auto field = bytes.subspan(at, width);
    const auto end = std::find(field.begin(), field.end(), std::uint8_t(0));
    return std::string(field.begin(), end);
}

// The 32-bit value at `at` when all of it lies within `held` bytes, else 0.
std::uint64_t LengthWithin(std::span<const std::uint8_t> image, std::uint64_t at, std::uint64_t held)
{
    if (at > held || held - at < 4)
        return 0;
    return LittleEndian32(image, std::size_t(at));
}

// The header size as the bytes held so far give it.
std::uint64_t HeaderSizeFrom(std::span<const std::uint8_t> image, std::uint64_t held)
{
    const std::uint64_t fixed = LengthWithin(image, 32, held);
    const std::uint64_t second = LengthWithin(image, 40, held);
    const std::uint64_t first = LengthWithin(image, 36, held);
    return std::max({fixed + 48, second + 44 + LengthWithin(image, second + 40, held),
                     first + 40 + LengthWithin(image, first + 36, held)});
}

std::array<std::uint16_t, 256> MakeCrcTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned byte = 0; byte < 256; ++byte) {
        auto crc = std::uint16_t(byte << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? std::uint16_t((crc << 1) ^ 0x1021) : std::uint16_t(crc << 1);
        table[byte] = crc;
    }
    return table;
}

} // namespace

std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 | std::uint32_t(bytes[at + 2]) << 16
        | std::uint32_t(bytes[at + 3]) << 24;
}

std::optional<MasterRecord> ParseMasterFile(std::span<const std::uint8_t> file)
{
    if (file.size() < kMasterRecordOffsetAt + 4)
        return std::nullopt;
    if (TextField(file, 0, kMasterMagicField) != kMasterMagic)
        return std::nullopt;
    const std::uint64_t record = LittleEndian32(file, kMasterRecordOffsetAt);
    if (record + kRecordImageNameAt + kImageNameField > file.size())
        return std::nullopt;
    if (file[std::size_t(record) + kRecordCountAt] == 0)
        return std::nullopt;

    MasterRecord parsed;
    parsed.imageName = TextField(file, std::size_t(record) + kRecordImageNameAt, kImageNameField);
    if (!IsValidBankName(parsed.imageName))
        return std::nullopt;
    const std::uint64_t software = record + kRecordSoftwareNameAt;
    if (software < file.size()) {
        const std::size_t width = std::min<std::size_t>(kSoftwareNameField, file.size() - std::size_t(software));
        parsed.softwareName = TextField(file, std::size_t(software), width);
    }
    return parsed;
}

std::optional<std::size_t> ImageHeaderSize(std::span<const std::uint8_t> image)
{
    // Fewer than 44 bytes: the header would be 44 bytes, more than there are.
    if (image.size() < kFirstHeaderRead)
        return std::nullopt;
    // The first look sees 44 bytes, the second as far as the first said; the
    // header ends where the second look says, if that is further.
    const std::uint64_t first = HeaderSizeFrom(image, kFirstHeaderRead);
    if (first > image.size())
        return std::nullopt;
    const std::uint64_t size = std::max(first, HeaderSizeFrom(image, first));
    if (size > image.size())
        return std::nullopt;
    return std::size_t(size);
}

std::uint16_t Crc16Xmodem(std::span<const std::uint8_t> bytes, std::uint16_t crc)
{
    static const std::array<std::uint16_t, 256> table = MakeCrcTable();
    for (const std::uint8_t b : bytes)
        crc = std::uint16_t((crc << 8) ^ table[((crc >> 8) ^ b) & 0xFF]);
    return crc;
}

bool ImageChecksumMatches(std::span<const std::uint8_t> image)
{
    const std::optional<std::size_t> header = ImageHeaderSize(image);
    if (!header)
        return false;
    return LittleEndian32(image, 0) == Crc16Xmodem(image.subspan(*header));
}

} // namespace sim
