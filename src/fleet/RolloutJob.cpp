#include "fleet/RolloutJob.h"

#include "fleet/ChildProgress.h"
#include "fleet/FleetIdentity.h"
#include "platform/LogCategories.h"

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// The child's exit status when its download was interrupted.
constexpr int kChildInterrupted = 3;
// Longer than any progress line.
constexpr qsizetype kMaxProgressLine = 4096;

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

// A child's line without the program's name in front of its failures: the
// row already says which step failed.
QString OwnWords(const QString& line)
{
    static const QString kProgram = QStringLiteral("qora-cli: ");
    return line.startsWith(kProgram) ? line.mid(kProgram.size()) : line;
}

} // namespace

CRolloutJob::CRolloutJob(CFleetRollout& owner, std::size_t index, SRolloutRow& row,
                         std::function<void(std::size_t)> done)
    : owner_(owner), options_(owner.Options()), index_(index), row_(row), done_(std::move(done))
{
    poll_.setSingleShot(true);
    connect(&poll_, &QTimer::timeout, this, [this] { ReadAfterRestart(); });
}

void CRolloutJob::Start()
{
    stage_ = Stage::Reading;
    owner_.ReadNames(row_.connection, [this](const SFleetUnitReplies& r) { OnNamesBefore(r); }, this);
}

void CRolloutJob::Cancel()
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

void CRolloutJob::Kill()
{
    killed_ = true;
    Cancel();
    if (child_)
        child_->kill();
}

QString CRolloutJob::StageText() const
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

void CRolloutJob::OnNamesBefore(const SFleetUnitReplies& replies)
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
    inactiveBefore_ = names->inactive.trimmed();
    StartChild(Stage::Downloading, {QStringLiteral("download"), options_.masterPath, QStringLiteral("--yes"),
                                    QStringLiteral("--json-progress")});
}

void CRolloutJob::StartChild(Stage stage, const QStringList& command)
{
    stage_ = stage;
    verifying_ = false;
    percent_ = 0;
    message_.clear();
    errorText_.clear();
    progressText_.clear();
    auto* child = new QProcess(this);
    child_ = child;
#ifdef Q_OS_UNIX
    // Ctrl+C on the terminal reaches the rollout alone, which ends each
    // child as suits its step.
    child->setChildProcessModifier([] { ::setpgid(0, 0); });
#endif
    child->setProcessChannelMode(QProcess::SeparateChannels);
    connect(child, &QProcess::readyReadStandardOutput, this, [this, child] { TakeProgressLines(*child); });
    connect(child, &QProcess::readyReadStandardError, this, [this, child] { TakeErrorLines(*child); });
    connect(child, &QProcess::finished, this, [this, child](int code, QProcess::ExitStatus status) {
        TakeProgressLines(*child);
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

void CRolloutJob::TakeProgressLines(QProcess& child)
{
    progressText_ += child.readAllStandardOutput();
    qsizetype end = 0;
    while ((end = progressText_.indexOf('\n')) >= 0) {
        const std::optional<SChildProgress> event =
            ParseChildProgressLine(QByteArrayView(progressText_.constData(), end));
        progressText_.remove(0, end + 1);
        if (!event)
            continue;
        if (event->kind == SChildProgress::Kind::Verifying)
            verifying_ = true;
        else
            percent_ = event->percent;
    }
    // A child that writes no line ends is not kept in memory without bound.
    if (progressText_.size() > kMaxProgressLine)
        progressText_.clear();
}

void CRolloutJob::TakeErrorLines(QProcess& child)
{
    errorText_ += QString::fromLocal8Bit(child.readAllStandardError());
    qsizetype end = 0;
    while ((end = errorText_.indexOf(u'\n')) >= 0) {
        const QString line = errorText_.left(end).trimmed();
        errorText_.remove(0, end + 1);
        if (!line.isEmpty())
            message_ = OwnWords(line.simplified());
    }
}

QString CRolloutJob::Reason(int code) const
{
    if (!message_.isEmpty())
        return message_;
    return code < 0 ? QStringLiteral("ended abnormally") : QStringLiteral("exit status %1").arg(code);
}

void CRolloutJob::OnChildExit(int code)
{
    if (stage_ == Stage::Downloading)
        OnDownloadExit(code);
    else if (stage_ == Stage::Activating)
        OnActivateExit(code);
}

void CRolloutJob::OnDownloadExit(int code)
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

void CRolloutJob::OnNamesAfterDownload(const SFleetUnitReplies& replies)
{
    if (cancelRequested_)
        return Finish(ERolloutOutcome::Cancelled, QStringLiteral("downloaded; not activated"));
    const auto names = NamesOf(replies);
    if (!names) {
        return Finish(ERolloutOutcome::Failed,
                      QStringLiteral("downloaded; firmware names not read: ") + ErrorOf(replies));
    }
    // The bank is the new software when it bears its name, or when the download
    // renamed it: a unit may name what it received in its own way (the image
    // goes to it as "SWDownload0"), and that name must run after the restart.
    // A bank that kept an unrelated name would activate whatever was there.
    const QString filled = names->inactive.trimmed();
    const bool ours = IsRolloutSoftware(filled, options_.software) ||
                      filled.compare(options_.software.imageName.trimmed(), Qt::CaseInsensitive) == 0 ||
                      filled != inactiveBefore_;
    if (filled.isEmpty() || filled == names->active.trimmed() || !ours) {
        return Finish(ERolloutOutcome::Failed,
                      QStringLiteral("downloaded, but the inactive bank holds ") + Shown(names->inactive));
    }
    if (!IsRolloutSoftware(filled, options_.software))
        qCInfo(lcFirmware, "rollout: %s names the new software %s", qPrintable(row_.name), qPrintable(filled));
    filledBank_ = filled;
    StartChild(Stage::Activating, {QStringLiteral("activate")});
}

void CRolloutJob::OnActivateExit(int code)
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
    unitGone_ = false;
    poll_.start(options_.restartPollMs);
}

void CRolloutJob::ReadAfterRestart()
{
    owner_.ReadNames(row_.connection, [this](const SFleetUnitReplies& r) { OnNamesAfterRestart(r); }, this);
}

void CRolloutJob::OnNamesAfterRestart(const SFleetUnitReplies& replies)
{
    if (stage_ != Stage::Restarting)
        return;
    if (cancelRequested_)
        return Finish(ERolloutOutcome::Cancelled, QStringLiteral("activated; the restart was not awaited"));
    const auto names = NamesOf(replies);
    // The new software running is the restart itself: the banks swap only then.
    if (names && (names->active.trimmed() == filledBank_ || IsRolloutSoftware(names->active, options_.software)))
        return Finish(ERolloutOutcome::Activated, {});
    if (names) {
        lastSeen_ = QStringLiteral("running %1 after the restart, not %2").arg(Shown(names->active), filledBank_);
        // The old software from a unit that went down and came back, or that
        // never went away within the retry time, is what it restarted with.
        // Before that it may be the unit still running its old setup for a
        // while after its acknowledgement.
        if (unitGone_ || restart_.elapsed() >= options_.restartedAfterMs)
            return Finish(ERolloutOutcome::Failed, lastSeen_);
        qCInfo(lcFirmware, "rollout: %s still answers: not restarted yet", qPrintable(row_.name));
    } else {
        unitGone_ = true;
        if (lastSeen_.isEmpty() || !lastSeen_.startsWith(QStringLiteral("running")))
            lastSeen_ = ErrorOf(replies);
    }
    if (restart_.elapsed() + options_.restartPollMs > options_.restartTimeoutMs) {
        if (lastSeen_.startsWith(QStringLiteral("running")))
            return Finish(ERolloutOutcome::Failed, lastSeen_);
        return Finish(ERolloutOutcome::Failed, QStringLiteral("not back within %1 s after the restart (%2)")
                                                   .arg(options_.restartTimeoutMs / 1000)
                                                   .arg(lastSeen_));
    }
    poll_.start(options_.restartPollMs);
}

void CRolloutJob::Finish(ERolloutOutcome outcome, const QString& reason)
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
