#pragma once
// The link contract's framing written out the plain way, as the reference the
// frame readers are compared with: a 4-byte big-endian length N (1..65536),
// then N body bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace fuzz {

struct CutStream {
    std::vector<std::span<const std::uint8_t>> bodies;
    bool broken = false; // a length out of range ended the stream
};

inline CutStream CutFrames(std::span<const std::uint8_t> stream)
{
    CutStream cut;
    std::size_t at = 0;
    while (stream.size() - at >= 4) {
        const std::uint64_t length = std::uint64_t{stream[at]} << 24 | std::uint64_t{stream[at + 1]} << 16
            | std::uint64_t{stream[at + 2]} << 8 | stream[at + 3];
        if (length < 1 || length > 65536) {
            cut.broken = true;
            break;
        }
        if (stream.size() - at - 4 < length)
            break;
        cut.bodies.push_back(stream.subspan(at + 4, length));
        at += 4 + length;
    }
    return cut;
}

// The sizes the stream arrives in: one byte of the input picks a pattern.
inline std::size_t ChunkSize(std::uint8_t pattern, std::size_t index)
{
    static constexpr std::size_t kSizes[] = {1, 2, 3, 4, 5, 7, 64, 4096};
    if (pattern == 0)
        return SIZE_MAX; // all at once
    return kSizes[(pattern + index * (pattern >> 3)) % 8];
}

} // namespace fuzz
