#pragma once
// A unit that floods the link: every TRANSFER reply goes out several times,
// and unsolicited reply frames with a sequence number nobody awaits follow
// it. The tool must pass all of them over (the link contract: a reply whose
// sequence number is not the awaited one answers a request given up on).

#include "sim/SimOptions.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim {

inline constexpr std::uint32_t kMaxRepeatReplies = 1000;
inline constexpr std::uint32_t kMaxStrayFrames = 64;

enum class FloodOptionParse { NotMine, Taken, Bad };

// Takes --repeat-replies and --stray-frames into the fault options.
FloodOptionParse ParseFloodOption(const QString& name, const QString& value, FaultOptions& faults, QString& error);

[[nodiscard]] QString FloodHelpText();

// The reply frame of sequence number `seq` was appended to `out` at `replyAt`
// (length prefix included). Appends its repeats and the stray frames.
void AppendFlood(const FaultOptions& faults, std::uint16_t seq, std::vector<std::uint8_t>& out, std::size_t replyAt);

} // namespace sim
