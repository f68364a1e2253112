#pragma once
// The session's status history: every answer the status windows receive,
// kept with its time so that plots and recordings can show how the unit
// developed. Fed by the answers the windows already get (it asks the unit for
// nothing); bounded, oldest first out. A connection to another unit starts a
// new history; a disconnection or reset is kept as a gap, so that lines in a
// chart break there instead of joining across it. Lives in the GUI thread.

#include "protocol/ConstellationStatistics.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>

// The statistics as the unit reports them (also named so by the window).
using ConstellationStatisticsData = Protocol::SConstellationStatistics;

// The three kinds of answer the history keeps, one series each.
enum class StatusSampleKind { Gps, Installation, Constellation };

// One receiver channel as the GPS status answer gave it.
struct SChannelSample {
    int satellite = 0;        // 0: no satellite on the channel
    int cno = 0;              // dBHz
    double elevationDeg = 0;  // 0..90
    double azimuthDeg = 0;    // 0..360, clockwise from north
    bool weak = false;        // as the GPS status window marks it
};

struct SGpsSample {
    std::int64_t timeMs = 0; // when the answer arrived, ms since the epoch (UTC)
    bool afterGap = false;   // the first sample after a disconnection or reset
    std::array<SChannelSample, 12> channels{};
    double latitudeDeg = 0;  // south negative
    double longitudeDeg = 0; // west negative
    double altitudeM = 0;
};

struct SInstallationSample {
    std::int64_t timeMs = 0;
    bool afterGap = false;
    std::array<std::uint16_t, 6> codes{}; // Protocol::SInstallationStatus's rows and codes
    std::array<QString, 6> texts;          // the rows' texts as the window shows them
    std::uint32_t surveyProgress = 0;      // as the unit reports it
};

struct SConstellationSample {
    std::int64_t timeMs = 0;
    bool afterGap = false;
    ConstellationStatisticsData statistics;
    QString verdictText; // as the window's verdict pane shows it
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
    [[nodiscard]] QString Unit() const { return unit_; }
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
    std::size_t capacity_;
    QString unit_;
    bool gpsGap_ = false, installationGap_ = false, constellationGap_ = false;
    std::deque<SGpsSample> gps_;
    std::deque<SInstallationSample> installation_;
    std::deque<SConstellationSample> constellation_;
};
