#pragma once
// The installation timeline, without widgets: for each of the six
// installation rows the stretches of time it held one status code, the list
// of changes with their times, and how long the unit took from the first
// status of a run to PLL locked. A gap in the history (disconnection, reset) ends every stretch;
// the time in between is unknown and shown empty.

#include "status/history/StatusHistory.h"
#include "status/install/InstallStatusView.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

struct TimelineBand {
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0; // the time of the last sample of the stretch
    std::uint16_t code = CInstallStatusView::Unset;
    QString text;          // as the window showed it at the start of the stretch
    QString lastText;      // and at its end (a survey's percentage moves on)
};

struct TimelineChange {
    std::int64_t timeMs = 0;
    int row = 0;
    QString from; // empty for the first sample and after a gap
    QString to;
    std::uint16_t code = CInstallStatusView::Unset;
};

// From the first sample of a run (the history's start, or the first sample
// after a reset or reconnection) to the first sample with the clock state
// "PLL Locked".
struct LockTime {
    std::int64_t runStartMs = 0;
    std::optional<std::int64_t> lockedMs;
    bool lockedAtStart = false; // already locked when the run's first sample came
    std::int64_t lastMs = 0;    // the newest sample of the run
};

struct InstallTimeline {
    std::array<std::vector<TimelineBand>, CInstallStatusView::kRowCount> bands;
    std::vector<TimelineChange> changes; // oldest first
    std::optional<LockTime> lock;        // of the newest run; none without samples
};

[[nodiscard]] InstallTimeline BuildInstallTimeline(const std::deque<SInstallationSample>& samples);

// "12 min 05 s", "1 h 02 min 09 s", "45 s".
[[nodiscard]] QString DurationText(std::int64_t milliseconds);
// How long from the run's first status to PLL locked, said as measured.
[[nodiscard]] QString LockTimeText(const std::optional<LockTime>& lock);
