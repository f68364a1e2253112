#pragma once
// The session's status history: every answer the status windows receive,
// kept with its time so that plots and recordings can show how the unit
// developed. Fed by the answers the windows already get (it asks the unit for
// nothing); bounded, oldest first out. A connection to another unit starts a
// new history; a disconnection or reset is kept as a gap, so that lines in a
// chart break there instead of joining across it. A move the tool made itself
// (commissioning gives the unit a new address) is no other unit: the history
// goes on, and the gap carries a label that says why. Lives in the GUI thread.

#include "protocol/ConstellationStatistics.h"
#include "protocol/GpsStatus.h"
#include "protocol/InstallationStatus.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

// Answers further apart than this are not joined by a line in a chart: the
// windows ask every 5 s, every 20 s during a download, not at all while a
// commissioning runs.
inline constexpr std::int64_t kStatusSampleGapMs = 60 * 1000;
[[nodiscard]] inline bool SamplesApart(std::int64_t earlierMs, std::int64_t laterMs)
{
    return laterMs - earlierMs > kStatusSampleGapMs;
}

// The statistics as the unit reports them (also named so by the window).
using ConstellationStatisticsData = Protocol::SConstellationStatistics;

// The three kinds of answer the history keeps, one series each.
enum class StatusSampleKind { Gps, Installation, Constellation };

// One receiver channel as the GPS status answer gave it, and whether the
// GPS status window marks it weak.
struct SChannelSample : Protocol::SGpsChannelReading {
    bool weak = false;
};

// The answer's position and channels, with when it came.
struct SGpsSample : Protocol::SGpsPosition {
    std::int64_t timeMs = 0; // when the answer arrived, ms since the epoch (UTC)
    bool afterGap = false;   // the first sample after a disconnection or reset
    std::array<SChannelSample, Protocol::SGpsStatus::kChannels> channels{};
};

// The installation status answer (its rows' codes, bus time and survey
// progress), with when it came and the rows' texts as the window shows them.
struct SInstallationSample : Protocol::SInstallationStatus {
    std::int64_t timeMs = 0;
    bool afterGap = false;
    std::array<QString, kRowCount> texts;
};

struct SConstellationSample {
    std::int64_t timeMs = 0;
    bool afterGap = false;
    ConstellationStatisticsData statistics;
    QString verdictText; // as the window's verdict pane shows it
};

// A gap with a reason, at the first sample after it.
struct SHistoryGapLabel {
    std::int64_t timeMs = 0;
    QString label; // "commissioned"
};

class CStatusHistory : public QObject {
    Q_OBJECT
public:
    // 24 hours of answers at the windows' 5 s rate, per kind of answer.
    static constexpr std::size_t kDefaultCapacity = 24 * 3600 / 5;

    explicit CStatusHistory(std::size_t capacity = kDefaultCapacity, QObject* parent = nullptr);

    void AddGps(SGpsSample sample);
    void AddInstallation(SInstallationSample sample);
    void AddConstellation(SConstellationSample sample);

    // The link went down or the unit restarts: the next sample of each kind
    // starts a new line.
    void MarkGap();
    // The serial number of the unit now connected. A different one than the
    // history holds clears it first; the same one (a reconnection) keeps it.
    void SetUnit(const QString& serialNumber);
    // The tool itself moves the unit: when it connects next as `nextUnit` (or
    // again as the same one) its history goes on, with a gap labelled `label`.
    // Any other unit still starts a new history.
    void ExpectMove(const QString& nextUnit, const QString& label);
    // The labelled gaps the history still holds samples after, oldest first.
    [[nodiscard]] const std::deque<SHistoryGapLabel>& GapLabels() const { return gapLabels_; }
    [[nodiscard]] QString Unit() const { return unit_; }
    // The time of the newest answer of this kind while a gap was marked after
    // it and no answer came since: what the history shows is from before a
    // disconnection or restart. Nothing otherwise.
    [[nodiscard]] std::optional<std::int64_t> LastBeforeGap(StatusSampleKind kind) const;
    void Clear();

    [[nodiscard]] std::size_t Capacity() const { return capacity_; }
    [[nodiscard]] const std::deque<SGpsSample>& Gps() const { return gps_; }
    [[nodiscard]] const std::deque<SInstallationSample>& Installation() const { return installation_; }
    [[nodiscard]] const std::deque<SConstellationSample>& Constellation() const { return constellation_; }

signals:
    // A sample was added or a gap marked.
    void Changed();
    // A sample of this kind was added (before Changed); it is the series' last.
    void SampleAdded(StatusSampleKind kind);
    // The history was cleared (another unit, or Clear()).
    void Restarted();

private:
    struct SExpectedMove {
        QString unit;
        QString label;
    };
    // After a sample: the label of a move the sample is the first after.
    void LabelGap(std::int64_t timeMs, bool afterGap);
    // Labels older than every sample held go with them.
    void DropOldLabels();

    std::size_t capacity_;
    QString unit_;
    std::optional<SExpectedMove> move_;  // announced, the unit not back yet
    QString pendingLabel_;               // for the next sample after the gap
    std::deque<SHistoryGapLabel> gapLabels_;
    bool gpsGap_ = false, installationGap_ = false, constellationGap_ = false;
    std::deque<SGpsSample> gps_;
    std::deque<SInstallationSample> installation_;
    std::deque<SConstellationSample> constellation_;
};
