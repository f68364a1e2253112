#include "status/plots/SkyPlotModel.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {
constexpr double kDegToRad = 3.14159265358979323846 / 180.0;
} // namespace

SkyGeometry SkyGeometry::ForSize(int width, int height, int margin)
{
    SkyGeometry g;
    g.centre = QPointF(width / 2.0, height / 2.0);
    g.radius = std::max(0.0, std::min(width, height) / 2.0 - margin);
    return g;
}

QPointF SkyGeometry::PointAt(double azimuthDeg, double elevationDeg) const
{
    const double elevation = std::clamp(std::isfinite(elevationDeg) ? elevationDeg : 0.0, 0.0, 90.0);
    const double azimuth = std::isfinite(azimuthDeg) ? azimuthDeg : 0.0;
    const double r = radius * (90.0 - elevation) / 90.0;
    return {centre.x() + r * std::sin(azimuth * kDegToRad), centre.y() - r * std::cos(azimuth * kDegToRad)};
}

SkyScene BuildSkyScene(const std::deque<SGpsSample>& samples, std::int64_t lookBackMs, std::size_t maxTrackPoints)
{
    SkyScene scene;
    if (samples.empty())
        return scene;
    const SGpsSample& newest = samples.back();
    scene.timeMs = newest.timeMs;
    std::map<int, std::size_t> index; // satellite -> position in scene.satellites
    for (const SChannelSample& channel : newest.channels) {
        if (channel.satellite == 0 || index.count(channel.satellite))
            continue;
        index[channel.satellite] = scene.satellites.size();
        scene.satellites.push_back({channel.satellite, channel.cno, channel.azimuthDeg, channel.elevationDeg,
                                    channel.weak, {}});
    }

    // Walk back to the first sample inside the look-back, then forward.
    auto first = samples.end();
    while (first != samples.begin() && std::prev(first)->timeMs >= newest.timeMs - lookBackMs)
        --first;
    const std::size_t count = std::size_t(samples.end() - first);
    const std::size_t stride =
        maxTrackPoints == 0 ? 1 : std::max<std::size_t>(1, (count + maxTrackPoints - 1) / maxTrackPoints);
    // A satellite's track breaks at a gap and where it left the channels,
    // also when the sample that showed it is thinned out.
    std::map<int, bool> broken;
    std::size_t position = 0;
    for (auto it = first; it != samples.end(); ++it, ++position) {
        // A gap the history marked, or answers that stopped for a while
        // (a commissioning, a download): no line across it.
        if (it != first && (it->afterGap || SamplesApart(std::prev(it)->timeMs, it->timeMs)))
            for (auto& [satellite, isBroken] : broken)
                isBroken = true;
        // Every stride-th sample is drawn, and always the newest.
        const bool kept = position % stride == 0 || std::next(it) == samples.end();
        std::map<int, bool> seen;
        for (const SChannelSample& channel : it->channels) {
            const auto found = index.find(channel.satellite);
            if (channel.satellite == 0 || found == index.end() || seen[channel.satellite])
                continue;
            seen[channel.satellite] = true;
            if (!kept)
                continue;
            auto& track = scene.satellites[found->second].track;
            if (broken[channel.satellite] || track.empty())
                track.emplace_back();
            broken[channel.satellite] = false;
            track.back().push_back({channel.azimuthDeg, channel.elevationDeg});
        }
        for (auto& [satellite, isBroken] : broken)
            if (!seen.count(satellite))
                isBroken = true;
    }
    std::sort(scene.satellites.begin(), scene.satellites.end(),
              [](const SkySatellite& a, const SkySatellite& b) { return a.number < b.number; });
    return scene;
}
