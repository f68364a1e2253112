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
    const std::int64_t timeMs = sample.timeMs;
    Append(gps_, std::move(sample), gpsGap_, capacity_);
    LabelGap(timeMs, gps_.back().afterGap);
    emit SampleAdded(StatusSampleKind::Gps);
    emit Changed();
}

void CStatusHistory::AddInstallation(SInstallationSample sample)
{
    // The rows rarely change: a text equal to the last sample's shares its
    // storage, which keeps a day of samples small.
    if (!installation_.empty()) {
        const SInstallationSample& last = installation_.back();
        for (std::size_t row = 0; row < sample.texts.size(); ++row) {
            if (sample.texts[row] == last.texts[row])
                sample.texts[row] = last.texts[row];
        }
    }
    const std::int64_t timeMs = sample.timeMs;
    Append(installation_, std::move(sample), installationGap_, capacity_);
    LabelGap(timeMs, installation_.back().afterGap);
    emit SampleAdded(StatusSampleKind::Installation);
    emit Changed();
}

void CStatusHistory::AddConstellation(SConstellationSample sample)
{
    if (!constellation_.empty() && sample.verdictText == constellation_.back().verdictText)
        sample.verdictText = constellation_.back().verdictText;
    const std::int64_t timeMs = sample.timeMs;
    Append(constellation_, std::move(sample), constellationGap_, capacity_);
    LabelGap(timeMs, constellation_.back().afterGap);
    emit SampleAdded(StatusSampleKind::Constellation);
    emit Changed();
}

std::optional<std::int64_t> CStatusHistory::LastBeforeGap(StatusSampleKind kind) const
{
    switch (kind) {
    case StatusSampleKind::Gps:
        return gpsGap_ && !gps_.empty() ? std::optional(gps_.back().timeMs) : std::nullopt;
    case StatusSampleKind::Installation:
        return installationGap_ && !installation_.empty() ? std::optional(installation_.back().timeMs) : std::nullopt;
    case StatusSampleKind::Constellation:
        return constellationGap_ && !constellation_.empty() ? std::optional(constellation_.back().timeMs)
                                                            : std::nullopt;
    }
    return std::nullopt;
}

void CStatusHistory::MarkGap()
{
    gpsGap_ = installationGap_ = constellationGap_ = true;
    emit Changed();
}

void CStatusHistory::LabelGap(std::int64_t timeMs, bool afterGap)
{
    if (afterGap && !pendingLabel_.isEmpty())
        gapLabels_.push_back({timeMs, std::exchange(pendingLabel_, QString())});
    DropOldLabels();
}

void CStatusHistory::DropOldLabels()
{
    std::optional<std::int64_t> oldest;
    const auto consider = [&oldest](const auto& series) {
        if (!series.empty() && (!oldest || series.front().timeMs < *oldest))
            oldest = series.front().timeMs;
    };
    consider(gps_);
    consider(installation_);
    consider(constellation_);
    while (!gapLabels_.empty() && (!oldest || gapLabels_.front().timeMs < *oldest))
        gapLabels_.pop_front();
}

void CStatusHistory::ExpectMove(const QString& nextUnit, const QString& label)
{
    move_ = SExpectedMove{nextUnit, label};
}

void CStatusHistory::SetUnit(const QString& serialNumber)
{
    if (serialNumber.isEmpty())
        return;
    if (move_ && (serialNumber == move_->unit || serialNumber == unit_)) {
        // Where the tool sent it: the same unit, its history goes on.
        unit_ = serialNumber;
        pendingLabel_ = move_->label;
        move_.reset();
        MarkGap();
        return;
    }
    move_.reset();
    if (serialNumber == unit_)
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
    pendingLabel_.clear();
    gapLabels_.clear();
    emit Restarted();
}
