#pragma once
// Reading the unit's replies during a firmware download. Every reader checks
// the length and the fixed fields before it takes a value; a reply that does
// not have the expected form gives an empty result.

#include "link/DeviceMessage.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace DownloadReply {

enum class EKind {
    NotDownload, // not a download reply (other groups' traffic passes by too)
    Tftp,        // 0x8C: a block transfer reply
    Text,        // 0x97: a text command reply
    Unknown,     // a download reply of neither kind
};
[[nodiscard]] EKind KindOf(const CDeviceMessage& reply);

struct STftp {
    int opcode = 0;
    int block = 0;
};
// The TFTP packet of a block transfer reply.
[[nodiscard]] std::optional<STftp> ReadTftp(const CDeviceMessage& reply);

// The exact echo of the start or end command.
[[nodiscard]] bool IsEchoOf(const CDeviceMessage& reply, std::string_view command);

// The version result of the version check; empty also when the unit's status
// is not 0.
[[nodiscard]] std::optional<int> ReadVersionResult(const CDeviceMessage& reply);

// The status of the final status command.
[[nodiscard]] std::optional<int> ReadFinalStatus(const CDeviceMessage& reply);

struct SHeld {
    int status = 0;
    std::uint32_t bytesHeld = 0;
};
// The status query: status and how many image bytes the unit holds.
[[nodiscard]] std::optional<SHeld> ReadStatusQuery(const CDeviceMessage& reply);

// The status of the transfer start command.
[[nodiscard]] std::optional<int> ReadTransferStart(const CDeviceMessage& reply);

// The multicast address from a successful read of parameter 0xD002.
[[nodiscard]] std::optional<std::uint16_t> ReadMulticastAddress(const CDeviceMessage& reply);

} // namespace DownloadReply
