#include "status/plots/SurveyOffsets.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegToRad = kPi / 180.0;
// WGS 84
constexpr double kSemiMajorM = 6378137.0;
constexpr double kEccentricitySq = 6.69437999014e-3;

// A longitude difference brought into -180..180.
double WrappedDelta(double lonDeg, double originLonDeg)
{
    double d = std::fmod(lonDeg - originLonDeg, 360.0);
    if (d > 180.0)
        d -= 360.0;
    else if (d < -180.0)
        d += 360.0;
    return d;
}

bool HasPosition(const SGpsSample& s)
{
    // A value that is not a number would spoil every mean and spread.
    return (s.latitudeDeg != 0 || s.longitudeDeg != 0) && std::isfinite(s.latitudeDeg) &&
           std::isfinite(s.longitudeDeg) && std::isfinite(s.altitudeM) && std::abs(s.latitudeDeg) <= 90.0;
}

} // namespace

namespace {

// Metres per degree north and east at an origin, on the ellipsoid.
struct TangentPlane {
    double originLatDeg, originLonDeg, northPerDeg, eastPerDeg;

    explicit TangentPlane(double latDeg, double lonDeg) : originLatDeg(latDeg), originLonDeg(lonDeg)
    {
        const double phi = latDeg * kDegToRad;
        const double w = 1.0 - kEccentricitySq * std::sin(phi) * std::sin(phi);
        northPerDeg = kDegToRad * kSemiMajorM * (1.0 - kEccentricitySq) / (w * std::sqrt(w));
        eastPerDeg = kDegToRad * kSemiMajorM / std::sqrt(w) * std::cos(phi);
    }
    [[nodiscard]] QPointF Offset(double latDeg, double lonDeg) const
    {
        return {WrappedDelta(lonDeg, originLonDeg) * eastPerDeg, (latDeg - originLatDeg) * northPerDeg};
    }
};

} // namespace

QPointF EastNorthOffset(double originLatDeg, double originLonDeg, double latDeg, double lonDeg)
{
    return TangentPlane(originLatDeg, originLonDeg).Offset(latDeg, lonDeg);
}

SurveyOffsets BuildSurveyOffsets(const std::deque<SGpsSample>& gps, const std::deque<SInstallationSample>& installation,
                                 std::size_t maxPoints)
{
    SurveyOffsets result;
    if (!installation.empty())
        result.surveyProgress = installation.back().surveyPercent;

    // The mean, longitudes taken relative to the first so that positions on
    // both sides of the 180° meridian average to one place.
    const SGpsSample* reference = nullptr;
    double sumLat = 0, sumDLon = 0, sumAlt = 0;
    for (const SGpsSample& s : gps) {
        if (!HasPosition(s))
            continue;
        if (!reference)
            reference = &s;
        sumLat += s.latitudeDeg;
        sumDLon += WrappedDelta(s.longitudeDeg, reference->longitudeDeg);
        sumAlt += s.altitudeM;
        ++result.positions;
    }
    if (result.positions == 0)
        return result;
    const double n = double(result.positions);
    result.meanLatitudeDeg = sumLat / n;
    result.meanLongitudeDeg = reference->longitudeDeg + sumDLon / n;
    if (result.meanLongitudeDeg > 180.0)
        result.meanLongitudeDeg -= 360.0;
    else if (result.meanLongitudeDeg <= -180.0)
        result.meanLongitudeDeg += 360.0;
    result.meanAltitudeM = sumAlt / n;

    const std::size_t stride =
        maxPoints == 0 ? 1 : std::max<std::size_t>(1, (result.positions + maxPoints - 1) / maxPoints);
    const std::size_t recentFrom = result.positions - std::max<std::size_t>(1, result.positions / 10);
    const TangentPlane plane(result.meanLatitudeDeg, result.meanLongitudeDeg);
    double sumSq = 0, sumAltSq = 0;
    std::vector<QPointF> recent;
    std::size_t i = 0;
    for (const SGpsSample& s : gps) {
        if (!HasPosition(s))
            continue;
        const QPointF p = plane.Offset(s.latitudeDeg, s.longitudeDeg);
        const double d2 = p.x() * p.x() + p.y() * p.y();
        sumSq += d2;
        result.maxDistanceM = std::max(result.maxDistanceM, std::sqrt(d2));
        sumAltSq += (s.altitudeM - result.meanAltitudeM) * (s.altitudeM - result.meanAltitudeM);
        if (i >= recentFrom)
            recent.push_back(p);
        // Thinned evenly, but the newest position is always drawn.
        if (i % stride == 0 || i + 1 == result.positions)
            result.points.push_back(p);
        ++i;
    }
    result.horizontalSdM = std::sqrt(sumSq / n);
    result.altitudeSdM = std::sqrt(sumAltSq / n);
    // About the recent positions' own mean: how tightly they agree now.
    QPointF recentMean;
    for (const QPointF& p : recent)
        recentMean += p / double(recent.size());
    double recentSumSq = 0;
    for (const QPointF& p : recent)
        recentSumSq += QPointF::dotProduct(p - recentMean, p - recentMean);
    result.recentHorizontalSdM = std::sqrt(recentSumSq / double(recent.size()));
    return result;
}
