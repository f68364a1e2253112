#include "fleet/FleetOverviewSweep.h"

#include "link/ComponentFactory.h"
#include "platform/LogCategories.h"
#include "protocol/Connection.h"
#include "rks/RksNodeDirectory.h"

#include <algorithm>

CFleetOverviewSweep::CFleetOverviewSweep(QObject* parent)
    : QObject(parent), makeLink_([] { return ComponentFactory<IRksLink>::Create(CLSID_RksLink); })
{
}

CFleetOverviewSweep::~CFleetOverviewSweep()
{
    stop_ = true;
    Join();
}

void CFleetOverviewSweep::Join()
{
    if (thread_.joinable())
        thread_.join();
}

bool CFleetOverviewSweep::Start(const std::vector<std::string>& connections, int jobs)
{
    if (running_)
        return false;
    Join(); // the last sweep's thread has ended its work already
    connections_ = connections;
    stop_ = false;
    running_ = true;
    qCInfo(lcLink, "fleet overview: reading %zu units, %d at once", connections_.size(), jobs);

    SFleetSweepOptions options;
    options.jobs = std::clamp(jobs, 1, kFleetMaxJobs);
    options.makeLink = makeLink_;
    options.stop = &stop_;
    // Posted, so the reports arrive on this object's thread, in the order the
    // units finish, and are dropped if this object is gone.
    options.unitRead = [this](std::size_t unit, const SFleetUnitReplies& replies) {
        QMetaObject::invokeMethod(this, [this, unit, replies] { OnUnitRead(unit, replies); }, Qt::QueuedConnection);
    };
    thread_ = std::thread([this, options, requests = decoder_.Requests(), connections = connections_] {
        (void)SweepFleet(connections, requests, options);
        QMetaObject::invokeMethod(this, [this] { OnSweepEnded(); }, Qt::QueuedConnection);
    });
    return true;
}

void CFleetOverviewSweep::Stop()
{
    if (running_)
        stop_ = true;
}

void CFleetOverviewSweep::OnUnitRead(std::size_t unit, const SFleetUnitReplies& replies)
{
    if (unit >= connections_.size())
        return;
    // The transmission row names the unit's address as the connection writes it.
    const std::string address = Protocol::ParseConnection(connections_[unit]).addressText;
    emit UnitRead(unit, decoder_.Decode(replies, QString::fromStdString(address)));
}

void CFleetOverviewSweep::OnSweepEnded()
{
    Join();
    running_ = false;
    const bool stopped = stop_;
    qCInfo(lcLink, "fleet overview: sweep %s", stopped ? "stopped" : "done");
    emit Finished(stopped);
}
