#pragma once
// One unit's way through a firmware rollout (FleetRollout.h): read the
// names, download in a child process, and when asked check the inactive bank,
// activate in a child process and read back after the restart. Used by
// CFleetRollout only; lives on its thread.

#include "fleet/FleetRollout.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QProcess>
#include <QString>
#include <QTimer>

#include <functional>

class CRolloutJob : public QObject {
public:
    CRolloutJob(CFleetRollout& owner, std::size_t index, SRolloutRow& row, std::function<void(std::size_t)> done);

    void Start();
    // Ends a running download (the child sends the end command); a read or an
    // activation under way finishes first.
    void Cancel();
    // A second interrupt: the children go at once, whatever they were doing.
    void Kill();

    [[nodiscard]] bool Running() const { return stage_ != Stage::Waiting && stage_ != Stage::Done; }
    // "reading", "40 %", "verifying", "activating", "restarting", ...
    [[nodiscard]] QString StageText() const;

private:
    enum class Stage { Waiting, Reading, Downloading, Checking, Activating, Restarting, Done };

    void OnNamesBefore(const SFleetUnitReplies& replies);
    void StartChild(Stage stage, const QStringList& command);

    // The child's progress, JSON lines on its standard output (ChildProgress.h).
    void TakeProgressLines(QProcess& child);
    // The child's standard error: the reason of a failure.
    void TakeErrorLines(QProcess& child);

    [[nodiscard]] QString Reason(int code) const;
    void OnChildExit(int code);
    void OnDownloadExit(int code);

    // Activating whatever the inactive bank holds would be wrong when the
    // download did not leave the new software there.
    void OnNamesAfterDownload(const SFleetUnitReplies& replies);

    void OnActivateExit(int code);
    void ReadAfterRestart();
    void OnNamesAfterRestart(const SFleetUnitReplies& replies);
    void Finish(ERolloutOutcome outcome, const QString& reason);

    CFleetRollout& owner_;
    const SRolloutOptions& options_;
    std::size_t index_;
    SRolloutRow& row_;
    std::function<void(std::size_t)> done_;
    Stage stage_ = Stage::Waiting;
    bool cancelRequested_ = false;
    bool killed_ = false;
    QPointer<QProcess> child_;
    QString errorText_; // what came from the child and is not a whole line yet
    QByteArray progressText_; // likewise on its standard output
    QString message_;   // the child's last line that is no progress
    int percent_ = 0;
    bool verifying_ = false;
    QTimer poll_;
    QElapsedTimer restart_;
    QString lastSeen_; // what the reads after the restart found last
    bool unitGone_ = false; // a read after the activation found the unit down
    QString inactiveBefore_; // the inactive bank's name before the download
    QString filledBank_;     // its name after the download, as the unit gives it
};
