#pragma once
// Runs a fleet sweep in the background for a window: the sweep's workers run
// on a thread of their own, and every unit read comes back to this object's
// thread, where it is decoded (the decoders belong to that thread) and
// reported. The thread that owns it never waits for the units.

#include "fleet/FleetStatusDecoder.h"
#include "fleet/FleetSweep.h"

#include <QObject>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

class CFleetOverviewSweep : public QObject {
    Q_OBJECT
public:
    explicit CFleetOverviewSweep(QObject* parent = nullptr);
    // Stops the sweep and waits for the units being read.
    ~CFleetOverviewSweep() override;

    // Makes one link per unit, from the workers; by default the program's
    // registered link component.
    void SetLinkMaker(FleetLinkMaker maker) { makeLink_ = std::move(maker); }

    // False while a sweep runs. `jobs` is held to 1 .. kFleetMaxJobs.
    bool Start(const std::vector<std::string>& connections, int jobs);
    // No further unit is started; the units being read still report.
    void Stop();
    [[nodiscard]] bool Running() const { return running_; }
    [[nodiscard]] bool Stopping() const { return running_ && stop_; }

signals:
    void UnitRead(std::size_t unit, const SFleetUnitHealth& health);
    // After the last unit's report; `stopped`: Stop was asked for.
    void Finished(bool stopped);

private:
    void OnUnitRead(std::size_t unit, const SFleetUnitReplies& replies);
    void OnSweepEnded();
    void Join();

    FleetLinkMaker makeLink_;
    CFleetStatusDecoder decoder_;
    std::vector<std::string> connections_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    bool running_ = false;
};
