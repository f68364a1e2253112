#include "status/plots/ConstellationCharts.h"

#include "status/constellation/ConstellationStatisticsView.h"

#include <algorithm>

DurationScale ChooseDurationScale(std::uint32_t maxSeconds)
{
    if (maxSeconds >= 3 * 3600)
        return {3600.0, QStringLiteral("h")};
    if (maxSeconds >= 180)
        return {60.0, QStringLiteral("min")};
    return {1.0, QStringLiteral("s")};
}

std::uint32_t SatelliteCountColour(int satellites)
{
    if (satellites <= 0)
        return CConstellationStatisticsView::kRgbWarning;
    if (satellites <= 3)
        return CConstellationStatisticsView::kRgbAmber;
    return CConstellationStatisticsView::kRgbGood;
}

namespace {

DurationBars Bars(const std::array<std::uint32_t, kConstLogCounts>& seconds)
{
    DurationBars bars;
    bars.shown = true;
    bars.seconds = seconds;
    for (int n = 0; n < kConstLogCounts; ++n)
        bars.rgb[std::size_t(n)] = SatelliteCountColour(n);
    bars.scale = ChooseDurationScale(*std::max_element(seconds.begin(), seconds.end()));
    return bars;
}

} // namespace

DurationBars BuildDurationBars(const std::deque<SConstellationSample>& samples)
{
    if (samples.empty())
        return {false, QStringLiteral("No constellation statistics received yet"), {}, {}, {}};
    const SConstellationSample& newest = samples.back();
    const ConstellationStatisticsData& data = newest.statistics;
    if (data.verdict == CConstellationStatisticsView::kVerdictInitialising)
        return {false, QStringLiteral("The unit is initialising its statistics"), {}, {}, {}};
    if (data.verdict < 0)
        return {false, QStringLiteral("No constellation statistics known"), {}, {}, {}};
    std::array<std::uint32_t, kConstLogCounts> seconds{};
    static_assert(ConstellationStatisticsData::kRows == kConstLogCounts);
    std::copy(data.durations.begin(), data.durations.end(), seconds.begin());
    DurationBars bars = Bars(seconds);
    const QString verdict = newest.verdictText.trimmed();
    bars.title = QStringLiteral("Total %1 s").arg(data.total) +
                 (verdict.isEmpty() ? QString() : QStringLiteral(", verdict: %1").arg(verdict));
    return bars;
}

std::vector<LogDayBars> BuildLogDayBars(const ConstLogStatistics& statistics)
{
    // One unit for all days, so that their bars compare at a glance.
    std::uint32_t longest = 0;
    for (int i = 0; i < kConstLogDays; ++i)
        if (statistics.totals[std::size_t(i)] > 0)
            for (std::uint32_t seconds : statistics.days[std::size_t(i)].durations)
                longest = std::max(longest, seconds);
    const DurationScale scale = ChooseDurationScale(longest);
    std::vector<LogDayBars> days;
    for (int i = kConstLogDays - 1; i >= 0; --i) {
        if (statistics.totals[std::size_t(i)] <= 0)
            continue;
        const ConstLogDay& day = statistics.days[std::size_t(i)];
        LogDayBars entry;
        entry.date = LogDateText(day.day, day.month, day.year);
        entry.bars = Bars(day.durations);
        entry.bars.scale = scale;
        entry.bars.title = entry.date;
        entry.suspect = day.durations[0] >= kSecondsPerDay;
        days.push_back(std::move(entry));
    }
    return days;
}
