#pragma once
// What the sky plot shows, without widgets: where a satellite at a given
// azimuth and elevation lands on the polar plot, the colour its C/No gets,
// and which satellites (with their tracks) are drawn from the history.

#include "status/CnoScale.h"
#include "status/history/StatusHistory.h"

#include <QPointF>
#include <QString>

#include <cstdint>
#include <vector>

// The plot's circle in pixels: north up, the horizon on the circle, the
// zenith at the centre, azimuth clockwise from north.
struct SkyGeometry {
    QPointF centre;
    double radius = 0;

    // The largest circle that fits a width x height area with a margin for
    // the compass letters.
    [[nodiscard]] static SkyGeometry ForSize(int width, int height, int margin);
    // Elevations below the horizon are drawn on it, above 90° at the zenith.
    [[nodiscard]] QPointF PointAt(double azimuthDeg, double elevationDeg) const;
};

struct SkyTrackPoint {
    double azimuthDeg = 0;
    double elevationDeg = 0;
};

struct SkySatellite {
    int number = 0;
    int cno = 0;
    double azimuthDeg = 0;
    double elevationDeg = 0;
    bool weak = false;
    // Stretches of the track over the look-back, oldest first; a gap in the
    // history or a time off the channels starts a new stretch.
    std::vector<std::vector<SkyTrackPoint>> track;
};

struct SkyScene {
    std::int64_t timeMs = 0; // of the newest sample; 0 when there is none
    std::vector<SkySatellite> satellites; // tracked in the newest sample, by number
};

// The satellites of the newest sample with their tracks over `lookBackMs`,
// each track thinned to about `maxTrackPoints` (0: every sample).
[[nodiscard]] SkyScene BuildSkyScene(const std::deque<SGpsSample>& samples, std::int64_t lookBackMs = 3600 * 1000,
                                     std::size_t maxTrackPoints = 240);
