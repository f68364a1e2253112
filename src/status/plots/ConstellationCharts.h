#pragma once
// The statistics charts' data, without widgets: the durations per number of
// visible satellites of the newest constellation statistics as bars coloured
// like the statistics table, and the seven-day constellation log (as the
// Constellation Log command last read it) as one set of bars per day.

#include "data/constlog/ConstLogFile.h"
#include "status/history/StatusHistory.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// The unit a chart's axis counts durations in, chosen by the largest one.
struct DurationScale {
    double secondsPerUnit = 1;
    QString unit; // "s", "min", "h"
};
[[nodiscard]] DurationScale ChooseDurationScale(std::uint32_t maxSeconds);

struct DurationBars {
    bool shown = false; // false: nothing valid to chart (cleared, or the unit is initialising)
    QString title;      // what the chart says above the bars
    std::array<std::uint32_t, kConstLogCounts> seconds{};
    std::array<std::uint32_t, kConstLogCounts> rgb{}; // the colour of each bar
    DurationScale scale;
};

// The colour the statistics table gives a row with a duration: none seen in
// the warning colour, 1 to 3 in amber, 4 and more in green.
[[nodiscard]] std::uint32_t SatelliteCountColour(int satellites);

[[nodiscard]] DurationBars BuildDurationBars(const std::deque<SConstellationSample>& samples);

struct LogDayBars {
    QString date; // as the log file writes it
    DurationBars bars;
    bool suspect = false; // a whole day without a satellite
};

// The days the log file lists, in its order (the last received first), all
// in the unit the longest duration of any day asks for.
[[nodiscard]] std::vector<LogDayBars> BuildLogDayBars(const ConstLogStatistics& statistics);
