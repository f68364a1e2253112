#pragma once
// Feeds the session's status history from the status windows' own answers:
// every reply a window decodes whole becomes one sample, stamped with the
// time it arrived; a request that fails marks a gap. It sends nothing to the
// unit itself. A window that is hidden while its answers are wanted (a plot
// of them is open, a recording runs) is kept asking at its usual rate.
// Widget-free; lives in the GUI thread.

#include "protocol/GpsStatus.h"
#include "protocol/InstallationStatus.h"
#include "status/history/StatusHistory.h"

#include <QObject>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <set>

class CConstellationStatisticsView;
class CGPSStatusView;
class CInstallStatusView;
class CStatusPoller;

class CStatusHistoryFeed : public QObject {
    Q_OBJECT
public:
    // Milliseconds since the epoch, UTC.
    using Clock = std::function<std::int64_t()>;

    explicit CStatusHistoryFeed(CStatusHistory& history, QObject* parent = nullptr);

    void Attach(CGPSStatusView& view);
    void Attach(CInstallStatusView& view);
    void Attach(CConstellationStatisticsView& view);

    // Whoever `by` is (a plot window, a recording) wants the answers of this
    // kind, or no longer. The window of that kind asks on every tick while
    // anybody wants them; saying the same twice changes nothing.
    void SetWanted(StatusSampleKind kind, bool wanted, const void* by = nullptr);
    [[nodiscard]] bool IsWanted(StatusSampleKind kind) const;

    [[nodiscard]] CStatusHistory& History() const { return history_; }
    // Tests stamp samples with their own time.
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // The samples the windows' current values make.
    [[nodiscard]] static SGpsSample GpsSample(const CGPSStatusView& view, std::int64_t timeMs);
    [[nodiscard]] static SInstallationSample InstallationSample(const CInstallStatusView& view, std::int64_t timeMs);
    [[nodiscard]] static SConstellationSample ConstellationSample(const CConstellationStatisticsView& view,
                                                                  std::int64_t timeMs);
    // The same for answers however they were read: `statesReceived` as the
    // GPS window counts it, the unit address the transmission row names, and
    // whether the statistics are valid (no reset is pending).
    [[nodiscard]] static SGpsSample GpsSample(const Protocol::SGpsStatus& status, bool statesReceived,
                                              std::int64_t timeMs);
    [[nodiscard]] static SInstallationSample InstallationSample(const Protocol::SInstallationStatus& status,
                                                                const QString& unitAddressText, std::int64_t timeMs);
    [[nodiscard]] static SConstellationSample ConstellationSample(const Protocol::SConstellationStatistics& statistics,
                                                                  bool valid, std::int64_t timeMs);

private:
    void AttachPoller(StatusSampleKind kind, CStatusPoller& poller);
    [[nodiscard]] std::int64_t Now() const;

    CStatusHistory& history_;
    Clock clock_;
    std::array<QPointer<CStatusPoller>, 3> pollers_;
    std::array<std::set<const void*>, 3> wanted_;
};
