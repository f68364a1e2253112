#include "sim/SkyModel.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {
// A pass lasts two to six hours; a channel waits ten to ninety minutes for
// its next satellite. With twelve channels that keeps some eight to ten
// satellites in view, as a receiver with an open sky sees.
constexpr std::int64_t kShortestPass = 2 * 3600;
constexpr std::int64_t kLongestPass = 6 * 3600;
constexpr std::int64_t kShortestGap = 10 * 60;
constexpr std::int64_t kLongestGap = 90 * 60;
constexpr int kSatellites = 32;

std::int64_t Between(std::mt19937_64& random, std::int64_t low, std::int64_t high)
{
    return low + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(high - low + 1));
}
} // namespace

CSkyModel::CSkyModel(std::uint64_t seed, std::int64_t originSeconds) : origin_(originSeconds)
{
    for (int i = 0; i < kChannels; ++i) {
        Channel& channel = channels_[static_cast<std::size_t>(i)];
        channel.random.seed(seed * 1000003u + static_cast<std::uint64_t>(i));
        // Channels start part-way through a pass, as if the sky had been there
        // all along; some start between passes.
        const std::int64_t offset = Between(channel.random, -kLongestPass + kShortestGap, kLongestGap);
        channel.generatedUntil = origin_ + offset;
    }
}

int CSkyModel::FreeSatellite(const Channel& channel, int drawn, std::int64_t rise, std::int64_t set) const
{
    std::array<bool, kSatellites + 1> taken{};
    for (const Channel& other : channels_) {
        if (&other == &channel)
            continue;
        for (const Pass& pass : other.passes)
            if (pass.prn != 0 && pass.rise < set && rise < pass.set)
                taken[static_cast<std::size_t>(pass.prn)] = true;
    }
    for (int i = 0; i < kSatellites; ++i) {
        const int prn = (drawn - 1 + i) % kSatellites + 1;
        if (!taken[static_cast<std::size_t>(prn)])
            return prn;
    }
    return 0;
}

void CSkyModel::AddPass(Channel& channel)
{
    Pass pass;
    pass.rise = channel.generatedUntil;
    pass.set = pass.rise + Between(channel.random, kShortestPass, kLongestPass);
    const int drawn = static_cast<int>(Between(channel.random, 1, kSatellites));
    pass.peakElevation = static_cast<double>(Between(channel.random, 15, 88));
    pass.azimuthAtRise = static_cast<double>(Between(channel.random, 0, 359));
    channel.generatedUntil = pass.set + Between(channel.random, kShortestGap, kLongestGap);
    pass.prn = FreeSatellite(channel, drawn, pass.rise, pass.set);
    // With every satellite in view on other channels this one stays idle
    // until its next pass.
    if (pass.prn != 0)
        channel.passes.push_back(pass);
}

void CSkyModel::ExtendTo(std::int64_t t)
{
    for (;;) {
        Channel* earliest = nullptr;
        for (Channel& channel : channels_)
            if (channel.generatedUntil <= t && (!earliest || channel.generatedUntil < earliest->generatedUntil))
                earliest = &channel;
        if (!earliest)
            return;
        AddPass(*earliest);
    }
}

const CSkyModel::Pass* CSkyModel::PassAt(Channel& channel, std::int64_t t)
{
    for (const Pass& pass : channel.passes) {
        if (pass.rise > t)
            break;
        if (t < pass.set && t >= origin_)
            return &pass;
    }
    return nullptr;
}

int CSkyModel::VisibleAt(std::int64_t t)
{
    ExtendTo(t);
    int visible = 0;
    for (Channel& channel : channels_)
        if (PassAt(channel, t))
            ++visible;
    return visible;
}

std::array<SkyChannel, CSkyModel::kChannels> CSkyModel::ChannelsAt(std::int64_t t)
{
    ExtendTo(t);
    std::array<SkyChannel, kChannels> result{};
    for (int i = 0; i < kChannels; ++i) {
        const Pass* pass = PassAt(channels_[static_cast<std::size_t>(i)], t);
        if (!pass)
            continue;
        SkyChannel& out = result[static_cast<std::size_t>(i)];
        const double along = static_cast<double>(t - pass->rise) / static_cast<double>(pass->set - pass->rise);
        out.tracking = true;
        out.prn = pass->prn;
        out.elevation = pass->peakElevation * std::sin(along * M_PI);
        out.azimuth = std::fmod(pass->azimuthAtRise + along * 160.0, 360.0);
    }
    return result;
}

std::int64_t CSkyModel::NextChangeAfter(std::int64_t t)
{
    if (t < origin_)
        return origin_;
    ExtendTo(t + 1);
    std::int64_t next = INT64_MAX;
    for (Channel& channel : channels_) {
        for (const Pass& pass : channel.passes) {
            if (pass.rise > t)
                next = std::min(next, pass.rise);
            if (pass.set > t)
                next = std::min(next, pass.set);
        }
        next = std::min(next, channel.generatedUntil > t ? channel.generatedUntil : next);
    }
    return next;
}

void CSkyModel::ForgetBefore(std::int64_t t)
{
    // Passes still to come must be made while the ones they overlap are known.
    ExtendTo(t);
    for (Channel& channel : channels_)
        while (!channel.passes.empty() && channel.passes.front().set <= t)
            channel.passes.pop_front();
}

} // namespace sim
