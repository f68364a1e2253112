#include "fleet/FleetRollout.h"

#include "fleet/FleetIdentity.h"
#include "fleet/RolloutJob.h"
#include "platform/LogCategories.h"

#include <algorithm>

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
