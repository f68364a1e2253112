#include "fleet/FleetRollout.h"

#include "fleet/FleetIdentity.h"
#include "platform/LogCategories.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// The child's exit status when its download was interrupted.
constexpr int kChildInterrupted = 3;

std::optional<SFirmwareNames> NamesOf(const SFleetUnitReplies& replies)
{
    if (!replies.reachable || replies.replies.empty() || !replies.replies.front())
        return std::nullopt;
    return FirmwareNamesOf(*replies.replies.front());
}

QString ErrorOf(const SFleetUnitReplies& replies)
{
    return replies.error.empty() ? QStringLiteral("no answer") : QString::fromStdString(replies.error);
}

QString Shown(const QString& name)
{
    return name.isEmpty() ? QStringLiteral("nothing (empty bank)") : name;
}

} // namespace

// One unit's way through the rollout.
class CRolloutJob : public QObject {
public:
    CRolloutJob(CFleetRollout& owner, std::size_t index, SRolloutRow& row, std::function<void(std::size_t)> done)
        : owner_(owner), options_(owner.Options()), index_(index), row_(row), done_(std::move(done))
    {
        poll_.setSingleShot(true);
        connect(&poll_, &QTimer::timeout, this, [this] { ReadAfterRestart(); });
    }

    void Start()
    {
        stage_ = Stage::Reading;
        owner_.ReadNames(row_.connection, [this](const SFleetUnitReplies& r) { OnNamesBefore(r); }, this);
    }

    void Cancel()
    {
        cancelRequested_ = true;
        if (stage_ == Stage::Downloading && child_) {
            // The child ends its download with the end command and exits.
            child_->terminate();
        } else if (stage_ == Stage::Restarting && poll_.isActive()) {
            poll_.stop();
            Finish(ERolloutOutcome::Cancelled, QStringLiteral("activated; the restart was not awaited"));
        }
        // A read or an activation under way finishes first: its result decides.
    }

    // A second interrupt: the children go at once, whatever they were doing.
    void Kill()
    {
        killed_ = true;
        Cancel();
        if (child_)
            child_->kill();
    }

    [[nodiscard]] bool Running() const { return stage_ != Stage::Waiting && stage_ != Stage::Done; }

    [[nodiscard]] QString StageText() const
    {
        switch (stage_) {
        case Stage::Reading:
            return QStringLiteral("reading");
        case Stage::Downloading:
            return verifying_ ? QStringLiteral("verifying") : QStringLiteral("%1 %").arg(percent_);
        case Stage::Checking:
            return QStringLiteral("checking");
        case Stage::Activating:
            return QStringLiteral("activating");
        case Stage::Restarting:
            return QStringLiteral("restarting");
        case Stage::Waiting:
        case Stage::Done:
            break;
        }
        return {};
    }

private:
    enum class Stage { Waiting, Reading, Downloading, Checking, Activating, Restarting, Done };

    void OnNamesBefore(const SFleetUnitReplies& replies)
    {
        if (cancelRequested_)
            return Finish(ERolloutOutcome::Cancelled, QStringLiteral("not started"));
        if (!replies.reachable)
            return Finish(ERolloutOutcome::Failed, QStringLiteral("no connection: ") + ErrorOf(replies));
        const auto names = NamesOf(replies);
        if (!names)
            return Finish(ERolloutOutcome::Failed, QStringLiteral("firmware names not read: ") + ErrorOf(replies));
        if (IsRolloutSoftware(names->active, options_.software))
            return Finish(ERolloutOutcome::Skipped, QStringLiteral("already running ") + names->active);
        StartChild(Stage::Downloading, {QStringLiteral("download"), options_.masterPath, QStringLiteral("--yes")});
    }

    void StartChild(Stage stage, const QStringList& command)
    {
        stage_ = stage;
        verifying_ = false;
        percent_ = 0;
        message_.clear();
        errorText_.clear();
        auto* child = new QProcess(this);
        child_ = child;
#ifdef Q_OS_UNIX
        // Ctrl+C on the terminal reaches the rollout alone, which ends each
        // child as suits its step.
        child->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
        child->setProcessChannelMode(QProcess::SeparateChannels);
        child->setStandardOutputFile(QProcess::nullDevice());
        connect(child, &QProcess::readyReadStandardError, this, [this, child] { TakeErrorLines(*child); });
        connect(child, &QProcess::finished, this, [this, child](int code, QProcess::ExitStatus status) {
            TakeErrorLines(*child);
            child->deleteLater();
            child_ = nullptr;
            OnChildExit(status == QProcess::NormalExit ? code : -1);
        });
        connect(child, &QProcess::errorOccurred, this, [this, child](QProcess::ProcessError error) {
            if (error != QProcess::FailedToStart)
                return;
            child->deleteLater();
            child_ = nullptr;
            message_ = QStringLiteral("cannot start %1: %2").arg(options_.program, child->errorString());
            OnChildExit(-1);
        });
        const QStringList arguments =
            options_.childArguments + QStringList{QStringLiteral("--connection"), row_.connection} + command;
        qCInfo(lcFirmware, "rollout: %s: %s", qPrintable(row_.name), qPrintable(command.first()));
        child->start(options_.program, arguments);
    }

    // The child's standard error: progress lines, and the reason of a failure.
    void TakeErrorLines(QProcess& child)
    {
        static const QRegularExpression kPercent(QStringLiteral("^\\s*(\\d{1,3}) %$"));
        errorText_ += QString::fromLocal8Bit(child.readAllStandardError());
        qsizetype end = 0;
        while ((end = errorText_.indexOf(u'\n')) >= 0) {
            const QString line = errorText_.left(end).trimmed();
            errorText_.remove(0, end + 1);
            if (const auto match = kPercent.match(line); match.hasMatch())
                percent_ = match.captured(1).toInt();
            else if (line == QStringLiteral("verifying..."))
                verifying_ = true;
            else if (!line.isEmpty())
                message_ = line.simplified();
        }
    }

    QString Reason(int code) const
    {
        if (!message_.isEmpty())
            return message_;
        return code < 0 ? QStringLiteral("ended abnormally") : QStringLiteral("exit status %1").arg(code);
    }

    void OnChildExit(int code)
    {
        if (stage_ == Stage::Downloading)
            OnDownloadExit(code);
        else if (stage_ == Stage::Activating)
            OnActivateExit(code);
    }

    void OnDownloadExit(int code)
    {
        if (killed_ && code != 0)
            return Finish(ERolloutOutcome::Cancelled, QStringLiteral("killed; the unit may be left mid-download"));
        if (code != 0) {
            if (cancelRequested_ && code == kChildInterrupted)
                return Finish(ERolloutOutcome::Cancelled, QStringLiteral("interrupted; the download was ended"));
            // The signal came before the child could take it: it had sent nothing yet.
            if (cancelRequested_ && code < 0)
                return Finish(ERolloutOutcome::Cancelled, QStringLiteral("interrupted before the download began"));
            return Finish(ERolloutOutcome::Failed, QStringLiteral("download: ") + Reason(code));
        }
        if (!options_.activate)
            return Finish(ERolloutOutcome::Downloaded, {});
        if (cancelRequested_)
            return Finish(ERolloutOutcome::Cancelled, QStringLiteral("downloaded; not activated"));
        stage_ = Stage::Checking;
        owner_.ReadNames(row_.connection, [this](const SFleetUnitReplies& r) { OnNamesAfterDownload(r); }, this);
    }

    // Activating whatever the inactive bank holds would be wrong when the
    // download did not leave the new software there.
    void OnNamesAfterDownload(const SFleetUnitReplies& replies)
    {
        if (cancelRequested_)
            return Finish(ERolloutOutcome::Cancelled, QStringLiteral("downloaded; not activated"));
        const auto names = NamesOf(replies);
        if (!names) {
            return Finish(ERolloutOutcome::Failed,
                          QStringLiteral("downloaded; firmware names not read: ") + ErrorOf(replies));
        }
        if (!IsRolloutSoftware(names->inactive, options_.software)) {
            return Finish(ERolloutOutcome::Failed,
                          QStringLiteral("downloaded, but the inactive bank holds ") + Shown(names->inactive));
        }
        StartChild(Stage::Activating, {QStringLiteral("activate")});
    }

    void OnActivateExit(int code)
    {
        if (killed_ && code != 0)
            return Finish(ERolloutOutcome::Cancelled, QStringLiteral("killed during the activation"));
        if (code != 0)
            return Finish(ERolloutOutcome::Failed, QStringLiteral("downloaded; activation: ") + Reason(code));
        if (cancelRequested_)
            return Finish(ERolloutOutcome::Cancelled, QStringLiteral("activated; the restart was not awaited"));
        stage_ = Stage::Restarting;
        restart_.start();
        lastSeen_.clear();
        poll_.start(options_.restartPollMs);
    }

    void ReadAfterRestart()
    {
        owner_.ReadNames(row_.connection, [this](const SFleetUnitReplies& r) { OnNamesAfterRestart(r); }, this);
    }

    void OnNamesAfterRestart(const SFleetUnitReplies& replies)
    {
        if (stage_ != Stage::Restarting)
            return;
        if (cancelRequested_)
            return Finish(ERolloutOutcome::Cancelled, QStringLiteral("activated; the restart was not awaited"));
        const auto names = NamesOf(replies);
        if (names && IsRolloutSoftware(names->active, options_.software))
            return Finish(ERolloutOutcome::Activated, {});
        if (names)
            lastSeen_ = QStringLiteral("running %1 after the restart, not %2")
                            .arg(Shown(names->active), options_.software.imageName);
        else if (lastSeen_.isEmpty() || !lastSeen_.startsWith(QStringLiteral("running")))
            lastSeen_ = ErrorOf(replies);
        if (restart_.elapsed() + options_.restartPollMs > options_.restartTimeoutMs) {
            if (lastSeen_.startsWith(QStringLiteral("running")))
                return Finish(ERolloutOutcome::Failed, lastSeen_);
            return Finish(ERolloutOutcome::Failed, QStringLiteral("not back within %1 s after the restart (%2)")
                                                       .arg(options_.restartTimeoutMs / 1000)
                                                       .arg(lastSeen_));
        }
        poll_.start(options_.restartPollMs);
    }

    void Finish(ERolloutOutcome outcome, const QString& reason)
    {
        if (stage_ == Stage::Done)
            return;
        stage_ = Stage::Done;
        row_.outcome = outcome;
        row_.reason = reason;
        if (outcome == ERolloutOutcome::Failed)
            qCWarning(lcFirmware, "rollout: %s failed: %s", qPrintable(row_.name), qPrintable(reason));
        else
            qCInfo(lcFirmware, "rollout: %s %s", qPrintable(row_.name), qPrintable(RolloutOutcomeText(outcome)));
        done_(index_);
    }

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
    QString message_;   // the child's last line that is no progress
    int percent_ = 0;
    bool verifying_ = false;
    QTimer poll_;
    QElapsedTimer restart_;
    QString lastSeen_; // what the reads after the restart found last
};

CFleetRollout::CFleetRollout(std::vector<SRolloutRow> rows, SRolloutOptions options, QObject* parent)
    : QObject(parent), rows_(std::move(rows)), options_(std::move(options))
{
    options_.jobs = std::clamp(options_.jobs, 1, kRolloutMaxJobs);
    readers_.setMaxThreadCount(options_.jobs);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        jobs_.push_back(std::make_unique<CRolloutJob>(*this, i, rows_[i], [this](std::size_t index) {
            // Later: the job is still inside its own handler.
            QMetaObject::invokeMethod(this, [this, index] { OnJobDone(index); }, Qt::QueuedConnection);
        }));
    }
}

CFleetRollout::~CFleetRollout()
{
    readers_.waitForDone();
}

void CFleetRollout::Start()
{
    if (rows_.empty()) {
        QMetaObject::invokeMethod(this, [this] { emit Finished(); }, Qt::QueuedConnection);
        return;
    }
    for (int i = 0; i < options_.jobs; ++i)
        StartNext();
}

void CFleetRollout::StartNext()
{
    if (cancelled_ || next_ >= jobs_.size())
        return;
    jobs_[next_++]->Start();
}

void CFleetRollout::Cancel()
{
    if (cancelled_ || done_)
        return;
    cancelled_ = true;
    qCWarning(lcFirmware, "rollout interrupted: no other unit starts");
    for (std::size_t i = next_; i < rows_.size(); ++i) {
        rows_[i].outcome = ERolloutOutcome::Cancelled;
        rows_[i].reason = QStringLiteral("not started");
        ++finished_;
    }
    next_ = rows_.size();
    for (const auto& job : jobs_) {
        if (job->Running())
            job->Cancel();
    }
    if (finished_ == rows_.size()) {
        done_ = true;
        QMetaObject::invokeMethod(this, [this] { emit Finished(); }, Qt::QueuedConnection);
    }
}

void CFleetRollout::Kill()
{
    Cancel();
    for (const auto& job : jobs_) {
        if (job->Running())
            job->Kill();
    }
}

void CFleetRollout::OnJobDone(std::size_t index)
{
    ++finished_;
    emit UnitFinished(index);
    StartNext();
    if (finished_ == rows_.size() && !done_) {
        done_ = true;
        emit Finished();
    }
}

QStringList CFleetRollout::RunningUnits() const
{
    QStringList running;
    for (std::size_t i = 0; i < jobs_.size(); ++i) {
        if (jobs_[i]->Running())
            running.append(rows_[i].name + u' ' + jobs_[i]->StageText());
    }
    return running;
}

void CFleetRollout::ReadNames(const QString& connection, std::function<void(const SFleetUnitReplies&)> done,
                              QObject* context)
{
    readers_.start([connection = connection.toStdString(), makeLink = options_.makeLink, done = std::move(done),
                    context] {
        static const std::vector<CDeviceMessage> kRequests{FirmwareNamesRequest()};
        SFleetUnitReplies replies;
        if (std::unique_ptr<IRksLink> link = makeLink ? makeLink() : nullptr)
            replies = ReadFleetUnit(*link, connection, kRequests);
        else
            replies.error = "no link to the unit";
        // The context outlives every read: the rollout waits for its readers first.
        QMetaObject::invokeMethod(context, [done, replies] { done(replies); }, Qt::QueuedConnection);
    });
}
