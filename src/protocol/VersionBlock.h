#pragma once
// The version block (parameter 0x9004): the unit's identification and the
// versions of both firmware banks, as fixed-width 8-bit texts.

#include "protocol/Decoded.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Protocol {

struct SVersionBlock {
    static constexpr std::size_t kLength = 164;

    // The unit's texts byte for byte, each up to its first NUL and no longer
    // than its field.
    std::string unitVersion;
    std::string hardwareVersion;
    std::string serialNumber;
    std::string fpgaActive;
    std::string fpgaInactive;
    std::string gpsActive;
    std::string gpsInactive;
    std::string softwareActive;
    std::string softwareInactive;
};

[[nodiscard]] std::vector<std::uint8_t> VersionBlockRequest();

// The block from the value of a read reply; nothing when it is shorter than
// the block.
[[nodiscard]] std::optional<SVersionBlock> VersionBlockOf(Bytes value);

// The block from a whole read reply of parameter 0x9004 with status 0.
[[nodiscard]] std::optional<SVersionBlock> VersionBlockReplyOf(Bytes reply);

// The serial number as the tool shows it: a lone 0xFF byte (an unset serial)
// is shown as "--".
[[nodiscard]] std::string DisplaySerialNumber(const std::string& serial);

} // namespace Protocol
