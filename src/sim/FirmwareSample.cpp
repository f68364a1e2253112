#include "sim/FirmwareSample.h"

#include "sim/FirmwareFiles.h"

#include <algorithm>

namespace sim {
namespace {

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + std::size_t(i)] = std::uint8_t(value >> (8 * i));
}

void PutText(std::vector<std::uint8_t>& bytes, std::size_t at, std::size_t width, const std::string& text)
{
    std::fill_n(bytes.begin() + std::ptrdiff_t(at), width, 0);
    std::copy_n(text.begin(), std::min(width, text.size()), bytes.begin() + std::ptrdiff_t(at));
}

// SplitMix64: small, and fully defined by its arithmetic.
std::uint64_t NextRandom(std::uint64_t& state)
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

} // namespace

std::vector<std::uint8_t> MakeSampleMaster(const std::string& imageName, const std::string& softwareName)
{
    constexpr std::size_t x = kSampleRecordOffset;
    std::vector<std::uint8_t> master(x + kRecordSoftwareNameAt + kSoftwareNameField, 0);
    PutText(master, 0, kMasterMagicField, std::string(kMasterMagic));
    Put32(master, kMasterRecordOffsetAt, std::uint32_t(x));
    master[x + kRecordCountAt] = 1;
    PutText(master, x + kRecordImageNameAt, kImageNameField, imageName);
    PutText(master, x + kRecordSoftwareNameAt, kSoftwareNameField, softwareName);
    return master;
}

std::vector<std::uint8_t> MakeSampleImage(std::size_t size, std::uint64_t seed, const std::string& softwareName)
{
    std::vector<std::uint8_t> image(std::max(size, kMinSampleImage));
    std::uint64_t state = seed;
    for (std::size_t i = 0; i < image.size(); i += 8) {
        const std::uint64_t r = NextRandom(state);
        for (std::size_t k = 0; k < 8 && i + k < image.size(); ++k)
            image[i + k] = std::uint8_t(r >> (8 * k));
    }

    PutText(image, 4, 12, softwareName);
    std::size_t header = kMinSampleImage;
    if (image.size() >= kSampleHeaderSize) {
        // Two sections whose lengths lie beyond the first 44 bytes, so that
        // the header's end only shows on the second look: 48 + 48 = 96 at
        // first, then 20 + 44 + 96 = 160 (the other section ends at 72).
        Put32(image, 32, 48);
        Put32(image, 36, 16);
        Put32(image, 40, 20);
        Put32(image, 16 + 36, 16);
        Put32(image, 20 + 40, kSampleHeaderSize - 64);
        header = kSampleHeaderSize;
    } else {
        Put32(image, 32, 0);
        Put32(image, 36, 0);
        Put32(image, 40, 0);
    }
    Put32(image, 0, Crc16Xmodem(std::span<const std::uint8_t>(image).subspan(header)));
    return image;
}

} // namespace sim
