#pragma once
// The signal history's lines, without widgets: C/No over time for every
// satellite seen, the mean C/No of the tracked satellites and their number.
// A disconnection or reset (a sample after a gap) breaks every line, and so
// does a satellite leaving the channels: no line joins across either. Long
// spans are thinned to about one point per bucket so that a day of samples
// draws as fast as an hour.

#include "status/history/StatusHistory.h"

#include <QPointF>

#include <cstdint>
#include <map>
#include <vector>

// One line as stretches of points (x: ms since the epoch, y: the value).
using SignalLine = std::vector<std::vector<QPointF>>;

struct SignalSeries {
    std::int64_t fromMs = 0;  // the span's start
    std::int64_t toMs = 0;
    std::int64_t firstMs = 0; // the first sample in the span
    std::map<int, SignalLine> cnoBySatellite; // dBHz
    SignalLine meanCno;                       // dBHz, of the channels with a satellite; broken while none
    SignalLine trackedCount;                  // channels with a satellite
};

// The span ends at the newest sample. `maxPoints` bounds the points of one
// line (0: no thinning); samples are then averaged in buckets of equal time.
[[nodiscard]] SignalSeries BuildSignalSeries(const std::deque<SGpsSample>& samples, std::int64_t spanMs,
                                             std::size_t maxPoints = 720);

// The time one point of a thinned line stands for; 0 without thinning.
[[nodiscard]] std::int64_t SignalBucketMs(std::int64_t spanMs, std::size_t maxPoints);

// The mean C/No of a sample's channels with a satellite; 0 when none is tracked.
[[nodiscard]] double MeanCno(const SGpsSample& sample);
[[nodiscard]] int TrackedCount(const SGpsSample& sample);

// How a satellite's line looks: a colour of a qualitative palette that reads
// on white, solid; past the palette the colours again, dashed, then dotted.
enum class SignalDash { Solid, Dashed, Dotted };
struct SignalLineLook {
    std::uint32_t rgb = 0;
    SignalDash dash = SignalDash::Solid;
};
inline constexpr std::size_t kSignalPaletteSize = 8;
[[nodiscard]] SignalLineLook SignalLook(std::size_t slot);

// Gives every satellite with a line a look slot: a satellite keeps the one it
// had while it has a line, a new one takes the lowest slot free, so that the
// satellites of one chart never share a look and keep theirs from one redraw
// to the next.
void AssignSignalSlots(const std::map<int, SignalLine>& lines, std::map<int, std::size_t>& lookOf);
