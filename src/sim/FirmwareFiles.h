#pragma once
// The two files of a firmware download as the unit reads them: the master
// file ("q1swdl10", and a software record naming the image) and the software
// image (a header whose first 32-bit value is the CRC-16/XMODEM of everything
// after it). 32-bit values in both are stored least significant byte first.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

inline constexpr std::string_view kMasterMagic = "q1swdl10";
inline constexpr std::size_t kMasterMagicField = 16;
inline constexpr std::size_t kMasterRecordOffsetAt = 84; // where the record's offset X is
inline constexpr std::size_t kRecordCountAt = 88;        // X + 88: number of images, at least 1
inline constexpr std::size_t kRecordImageNameAt = 89;    // X + 89: 16 characters
inline constexpr std::size_t kImageNameField = 16;
inline constexpr std::size_t kRecordSoftwareNameAt = 105; // X + 105: 13 characters
inline constexpr std::size_t kSoftwareNameField = 13;

struct MasterRecord {
    std::string imageName;
    std::string softwareName; // empty when the file ends before it
};

// The software record of a master file; nullopt when the magic text is wrong,
// the record lies outside the file, its count is 0 or its image name is not
// one a firmware bank can hold.
[[nodiscard]] std::optional<MasterRecord> ParseMasterFile(std::span<const std::uint8_t> file);

// The image header's size by the rule of the header fields at 32, 36 and 40;
// nullopt when the image is shorter than its header.
[[nodiscard]] std::optional<std::size_t> ImageHeaderSize(std::span<const std::uint8_t> image);

// CRC-16/XMODEM: polynomial 0x1021, initial value 0, no reflection, no final XOR.
[[nodiscard]] std::uint16_t Crc16Xmodem(std::span<const std::uint8_t> bytes, std::uint16_t crc = 0);

// Whether the checksum at offset 0 matches everything after the header.
[[nodiscard]] bool ImageChecksumMatches(std::span<const std::uint8_t> image);

[[nodiscard]] std::uint32_t LittleEndian32(std::span<const std::uint8_t> bytes, std::size_t at);

} // namespace sim
