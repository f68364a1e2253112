#pragma once
// The byte contract between the tool's TCP link and a gateway: length-prefixed
// frames, request kinds and reply results.

#include <cstddef>
#include <cstdint>

namespace sim {

inline constexpr std::size_t kFrameHeaderSize = 4;
inline constexpr std::uint32_t kMinBodySize = 1;
inline constexpr std::uint32_t kMaxBodySize = 65536;

// kind (1) + sequence number (2)
inline constexpr std::size_t kBodyHeaderSize = 3;

enum RequestKind : std::uint8_t {
    kKindOpen = 0x01,
    kKindTransfer = 0x02,
    kKindClose = 0x03,
};

inline constexpr std::uint8_t kReplyKindFlag = 0x80;

enum LinkResult : std::uint8_t {
    kResultOk = 0,
    kResultNoSuchUnit = 1,
    kResultNoAnswer = 2,
    kResultMalformed = 3,
};

} // namespace sim
