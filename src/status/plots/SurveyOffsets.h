#pragma once
// The survey plot's figures, without widgets: the reported antenna positions
// as north and east offsets in metres from their mean (a local tangent plane
// on the WGS 84 ellipsoid at the mean), their spread, and the survey
// progress. Samples without a position (latitude and longitude both 0, as a
// cleared status shows) are left out.

#include "status/history/StatusHistory.h"

#include <QPointF>

#include <cstdint>
#include <optional>
#include <vector>

struct SurveyOffsets {
    double meanLatitudeDeg = 0;
    double meanLongitudeDeg = 0;
    double meanAltitudeM = 0;
    std::size_t positions = 0;          // samples with a position
    std::vector<QPointF> points;        // x east, y north, metres; thinned to the bound
    double horizontalSdM = 0;           // root mean square distance from the mean
    double maxDistanceM = 0;            // largest distance from the mean
    double altitudeSdM = 0;
    // The spread of the newest tenth of the positions about their own mean:
    // well below the whole when the position converges.
    double recentHorizontalSdM = 0;
    std::optional<std::uint32_t> surveyProgress; // the newest the unit reported
};

[[nodiscard]] SurveyOffsets BuildSurveyOffsets(const std::deque<SGpsSample>& gps,
                                               const std::deque<SInstallationSample>& installation,
                                               std::size_t maxPoints = 2000);

// North and east metres of (latitude, longitude) from (originLat, originLon),
// longitudes compared across the 180° meridian.
[[nodiscard]] QPointF EastNorthOffset(double originLatDeg, double originLonDeg, double latDeg, double lonDeg);
