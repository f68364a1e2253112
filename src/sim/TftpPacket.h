#pragma once
// The TFTP packets (RFC 1350, with the blksize option of RFC 2348) of a
// firmware download, as they travel bare on the download routes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim::tftp {

inline constexpr std::uint16_t kOpWriteRequest = 2;
inline constexpr std::uint16_t kOpData = 3;
inline constexpr std::uint16_t kOpAck = 4;
inline constexpr std::uint16_t kOpError = 5;

// The block size the tool asks for; a shorter block ends a file.
inline constexpr std::size_t kBlockSize = 506;
inline constexpr std::size_t kDataHeader = 4; // opcode, block number

// Error codes of RFC 1350.
inline constexpr std::uint16_t kErrorDiskFull = 3;
inline constexpr std::uint16_t kErrorAccessViolation = 2;
inline constexpr std::uint16_t kErrorIllegalOperation = 4;
inline constexpr std::uint16_t kErrorUnknownTransfer = 5;

[[nodiscard]] std::uint16_t Opcode(std::span<const std::uint8_t> packet); // 0 when too short

// The file name of a write request in mode "octet" (any case); nullopt when
// the packet is not one: missing terminators, an empty name, another mode.
// Options after the mode are not looked at: blocks of any size up to 506 are
// taken.
[[nodiscard]] std::optional<std::string> WriteRequestFileName(std::span<const std::uint8_t> packet);

void AppendAck(std::vector<std::uint8_t>& out, std::uint16_t block);
void AppendError(std::vector<std::uint8_t>& out, std::uint16_t code, std::string_view text);

} // namespace sim::tftp
