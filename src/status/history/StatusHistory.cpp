#include "status/history/StatusHistory.h"

#include <algorithm>
#include <utility>

namespace {

template <typename Sample>
void Append(std::deque<Sample>& series, Sample sample, bool& gap, std::size_t capacity)
{
    sample.afterGap = std::exchange(gap, false) && !series.empty();
    series.push_back(std::move(sample));
    while (series.size() > capacity)
        series.pop_front();
}

} // namespace

CStatusHistory::CStatusHistory(std::size_t capacity, QObject* parent)
    : QObject(parent), capacity_(std::max<std::size_t>(capacity, 1))
{
}

void CStatusHistory::AddGps(SGpsSample sample)
{
    Append(gps_, std::move(sample), gpsGap_, capacity_);
    emit Changed();
}

void CStatusHistory::AddInstallation(SInstallationSample sample)
{
    Append(installation_, std::move(sample), installationGap_, capacity_);
    emit Changed();
}

void CStatusHistory::AddConstellation(SConstellationSample sample)
{
    Append(constellation_, std::move(sample), constellationGap_, capacity_);
    emit Changed();
}

void CStatusHistory::MarkGap()
{
    gpsGap_ = installationGap_ = constellationGap_ = true;
    emit Changed();
}

void CStatusHistory::SetUnit(const QString& serialNumber)
{
    if (serialNumber.isEmpty() || serialNumber == unit_)
        return;
    const bool hadUnit = !unit_.isEmpty();
    unit_ = serialNumber;
    // The first unit of the session keeps what arrived before its number was known.
    if (hadUnit)
        Clear();
}

void CStatusHistory::Clear()
{
    gps_.clear();
    installation_.clear();
    constellation_.clear();
    gpsGap_ = installationGap_ = constellationGap_ = false;
    emit Restarted();
}
