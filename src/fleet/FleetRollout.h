#pragma once
// A firmware rollout to many units, a few at a time. Each unit's download and
// activation runs in a child process of the command-line companion: the
// download engine and the connection it works through are one per process,
// so a process per unit is what keeps the units apart. This object only
// schedules, reads the firmware names before and after (through links of its
// own, on worker threads) and gathers the outcomes.
//
// Per unit: read the names (a unit already running the software is skipped),
// download, and when asked: check that the inactive bank holds the new
// software, activate it, wait for the restart and read back that it runs.

#include "fleet/FleetSweep.h"
#include "fleet/RolloutTable.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <functional>
#include <memory>
#include <vector>

inline constexpr int kRolloutDefaultJobs = 4;
inline constexpr int kRolloutMaxJobs = 64;
inline constexpr int kRolloutDefaultRestartTimeoutS = 120;

struct SRolloutOptions {
    QString masterPath;
    SRolloutSoftware software; // what the master file names
    int jobs = kRolloutDefaultJobs;
    bool activate = false;
    int restartTimeoutMs = kRolloutDefaultRestartTimeoutS * 1000;
    // The first read after an activation, and the next after a read that did
    // not find the new software running, come this long after.
    int restartPollMs = 1000;
    // A unit that answers with its old software without having been seen
    // down is taken as restarted only after this long (the retry time).
    int restartedAfterMs = 60000;
    // The child: PROGRAM [childArguments] --connection CONN download MASTER --yes --json-progress,
    // then PROGRAM [childArguments] --connection CONN activate.
    QString program;
    QStringList childArguments;
    // Makes the link of one read; called from worker threads.
    FleetLinkMaker makeLink;
};

class CRolloutJob;

class CFleetRollout : public QObject {
    Q_OBJECT
public:
    // `rows` name the units (name and connection); their outcomes are filled in.
    CFleetRollout(std::vector<SRolloutRow> rows, SRolloutOptions options, QObject* parent = nullptr);
    ~CFleetRollout() override;

    // Starts the first units; Finished comes once every unit has an outcome.
    void Start();
    // Starts no other unit, ends the running downloads with their end
    // command; what cannot finish is marked cancelled. Finished follows.
    void Cancel();
    // As Cancel, and the children are killed at once (a second Ctrl+C): a
    // unit may be left mid-download.
    void Kill();

    [[nodiscard]] const std::vector<SRolloutRow>& Rows() const { return rows_; }
    [[nodiscard]] bool Cancelled() const { return cancelled_; }
    [[nodiscard]] std::size_t FinishedUnits() const { return finished_; }
    // "name 40 %" or "name activating" for every unit under way.
    [[nodiscard]] QStringList RunningUnits() const;

    // For the units' jobs: reads the unit's firmware names on a worker and
    // hands the result to `done` on `context`'s thread.
    void ReadNames(const QString& connection, std::function<void(const SFleetUnitReplies&)> done, QObject* context);
    [[nodiscard]] const SRolloutOptions& Options() const { return options_; }

signals:
    // A unit started or finished.
    void UnitFinished(std::size_t index);
    void Finished();

private:
    void StartNext();
    void OnJobDone(std::size_t index);

    std::vector<SRolloutRow> rows_;
    SRolloutOptions options_;
    std::vector<std::unique_ptr<CRolloutJob>> jobs_;
    std::size_t next_ = 0;
    std::size_t finished_ = 0;
    bool cancelled_ = false;
    bool done_ = false;
    // Declared last: destroyed first, so no read is left running.
    QThreadPool readers_;
};
