#pragma once
// The simulated unit's sky: twelve receiver channels, each tracking one GPS
// satellite after another as they rise and set; no satellite is on two
// channels at once. Passes follow from a seed, so the same seed gives the same
// sky at the same time, whatever times were asked before. Times are seconds
// since the epoch (UTC).

#include <array>
#include <cstdint>
#include <deque>
#include <random>

namespace sim {

struct SkyChannel {
    bool tracking = false;  // a satellite is visible on this channel
    int prn = 0;            // its number, 1..32
    double elevation = 0.0; // degrees above the horizon
    double azimuth = 0.0;   // degrees from north
};

class CSkyModel {
public:
    static constexpr int kChannels = 12;

    // Passes begin at `originSeconds`; earlier times see no satellite.
    CSkyModel(std::uint64_t seed, std::int64_t originSeconds);

    // How many satellites are visible at time t.
    [[nodiscard]] int VisibleAt(std::int64_t t);
    // The channels at time t.
    [[nodiscard]] std::array<SkyChannel, kChannels> ChannelsAt(std::int64_t t);
    // The first moment after t at which a satellite rises or sets.
    [[nodiscard]] std::int64_t NextChangeAfter(std::int64_t t);
    // Passes that ended before t are no longer needed.
    void ForgetBefore(std::int64_t t);

private:
    struct Pass {
        std::int64_t rise = 0;
        std::int64_t set = 0; // exclusive
        int prn = 0;
        double peakElevation = 0.0;
        double azimuthAtRise = 0.0;
    };
    struct Channel {
        std::mt19937_64 random;
        std::deque<Pass> passes;
        std::int64_t generatedUntil = 0;
    };

    // Makes sure every channel has passes past t. Passes are made in the order
    // they rise (channel order for the same moment), whatever t is, so each
    // new pass sees every pass that rose before it.
    void ExtendTo(std::int64_t t);
    void AddPass(Channel& channel);
    // A satellite no other channel tracks during [rise, set): `drawn` or the
    // next free number after it; 0 when every satellite is taken.
    [[nodiscard]] int FreeSatellite(const Channel& channel, int drawn, std::int64_t rise, std::int64_t set) const;
    [[nodiscard]] const Pass* PassAt(Channel& channel, std::int64_t t);

    std::int64_t origin_;
    std::array<Channel, kChannels> channels_;
};

} // namespace sim
