#pragma once
// Sample firmware for tests and benchmarks: a master file naming an image, and
// an image of any size whose header and checksum are right and whose contents
// are pseudo-random, the same for the same seed on every machine.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Where the sample master file keeps its software record.
inline constexpr std::size_t kSampleRecordOffset = 128;
// The sample header: 160 bytes when the image has room, else the shortest, 48.
inline constexpr std::size_t kSampleHeaderSize = 160;
inline constexpr std::size_t kMinSampleImage = 48;
inline constexpr std::size_t kMaxSoftwareName = 11;

// Master file: "q1swdl10", the record offset at 84, and at the record the
// count 1, the image name (16 bytes) and the software name (13 bytes).
[[nodiscard]] std::vector<std::uint8_t> MakeSampleMaster(const std::string& imageName,
                                                         const std::string& softwareName);

// An image of `size` bytes (at least kMinSampleImage).
[[nodiscard]] std::vector<std::uint8_t> MakeSampleImage(std::size_t size, std::uint64_t seed,
                                                        const std::string& softwareName);

} // namespace sim
