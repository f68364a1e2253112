#include "sim/GpsStatusReply.h"

#include "sim/ConstellationStatistics.h"
#include "sim/GpsClock.h"
#include "sim/InstallStatusReply.h"
#include "sim/SkyModel.h"
#include "sim/UnitModel.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <memory>
#include <mutex>

namespace sim {
namespace {

constexpr std::int64_t kDay = 86400;
constexpr int kUsedCNo = 30;
// Offsets of the time and of the per-channel blocks in the service reply.
constexpr std::size_t kTimeAt = 3;
constexpr std::size_t kPositionEnd = 20;

struct SiteSky {
    std::mutex lock;
    std::unique_ptr<CSkyModel> sky;
    std::uint64_t seed = 0;
    std::int64_t (*clock)() = nullptr;
};

SiteSky& Site()
{
    static SiteSky site;
    return site;
}

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

std::uint32_t TenMillionths(double degrees)
{
    return static_cast<std::uint32_t>(std::llround(std::clamp(degrees, 0.0, 360.0) * 1e7));
}

} // namespace

int CNoForElevation(double elevationDegrees)
{
    return 25 + static_cast<int>(std::clamp(elevationDegrees, 0.0, 90.0) / 3.0);
}

void SetGpsStatusClock(std::int64_t (*clock)())
{
    SiteSky& site = Site();
    std::lock_guard guard(site.lock);
    site.clock = clock;
    site.sky.reset();
}

void AnswerGpsStatusQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                          std::vector<std::uint8_t>& reply)
{
    // The position part is the position query's answer; a malformed query
    // gets its negative acknowledgement.
    const std::size_t start = reply.size();
    AnswerPositionQuery(unit, request, reply);
    if (reply.size() != start + kPositionEnd || reply[start + 1] != kOpPositionReply)
        return;

    const GpsClockReading time = ReadGpsClock();
    reply[start + kTimeAt] = std::uint8_t(time.hour);
    reply[start + kTimeAt + 1] = std::uint8_t(time.minute);
    reply[start + kTimeAt + 2] = std::uint8_t(time.second);

    std::array<SkyChannel, CSkyModel::kChannels> channels{};
    if (!ReceiverNeverFixes()) {
        SiteSky& site = Site();
        std::lock_guard guard(site.lock);
        const std::int64_t now = site.clock ? site.clock() : QDateTime::currentSecsSinceEpoch();
        const std::uint64_t seed = DefaultConstellationOptions().skySeed;
        // Passes began a day ago, so that every channel is under way now.
        if (!site.sky || site.seed != seed) {
            site.sky = std::make_unique<CSkyModel>(seed, now - kDay);
            site.seed = seed;
        }
        channels = site.sky->ChannelsAt(now);
        site.sky->ForgetBefore(now - kDay);
    }

    for (const SkyChannel& c : channels)
        reply.push_back(c.tracking ? std::uint8_t(c.prn) : 0);
    for (const SkyChannel& c : channels)
        reply.push_back(c.tracking ? std::uint8_t(CNoForElevation(c.elevation)) : 0);
    for (const SkyChannel& c : channels)
        reply.push_back(c.tracking && CNoForElevation(c.elevation) >= kUsedCNo ? 1 : 0);
    for (const SkyChannel& c : channels)
        PutWord(reply, c.tracking ? TenMillionths(c.elevation) : 0);
    for (const SkyChannel& c : channels)
        PutWord(reply, c.tracking ? TenMillionths(c.azimuth) : 0);
}

} // namespace sim
