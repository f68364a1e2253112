#include "status/history/StatusHistoryFeed.h"

#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <QDateTime>

namespace {

std::size_t IndexOf(StatusSampleKind kind)
{
    return static_cast<std::size_t>(kind);
}

} // namespace

CStatusHistoryFeed::CStatusHistoryFeed(CStatusHistory& history, QObject* parent)
    : QObject(parent), history_(history), clock_([] { return QDateTime::currentMSecsSinceEpoch(); })
{
}

std::int64_t CStatusHistoryFeed::Now() const
{
    return clock_();
}

void CStatusHistoryFeed::AttachPoller(StatusSampleKind kind, CStatusPoller& poller)
{
    pollers_[IndexOf(kind)] = &poller;
    poller.SetWanted(IsWanted(kind));
    // A request that did not get through breaks every line at this point.
    connect(&poller, &CStatusPoller::RequestFailed, this, [this] { history_.MarkGap(); });
}

void CStatusHistoryFeed::Attach(CGPSStatusView& view)
{
    AttachPoller(StatusSampleKind::Gps, view);
    connect(&view, &CStatusPoller::Answered, this, [this, &view] { history_.AddGps(GpsSample(view, Now())); });
}

void CStatusHistoryFeed::Attach(CInstallStatusView& view)
{
    AttachPoller(StatusSampleKind::Installation, view);
    connect(&view, &CStatusPoller::Answered, this,
            [this, &view] { history_.AddInstallation(InstallationSample(view, Now())); });
}

void CStatusHistoryFeed::Attach(CConstellationStatisticsView& view)
{
    AttachPoller(StatusSampleKind::Constellation, view);
    connect(&view, &CStatusPoller::Answered, this,
            [this, &view] { history_.AddConstellation(ConstellationSample(view, Now())); });
}

void CStatusHistoryFeed::SetWanted(StatusSampleKind kind, bool wanted, const void* by)
{
    std::set<const void*>& wanting = wanted_[IndexOf(kind)];
    if (wanted)
        wanting.insert(by);
    else
        wanting.erase(by);
    if (CStatusPoller* poller = pollers_[IndexOf(kind)])
        poller->SetWanted(!wanting.empty());
}

bool CStatusHistoryFeed::IsWanted(StatusSampleKind kind) const
{
    return !wanted_[IndexOf(kind)].empty();
}

SGpsSample CStatusHistoryFeed::GpsSample(const CGPSStatusView& view, std::int64_t timeMs)
{
    return GpsSample(view.Status(), view.ChannelStatesReceived(), timeMs);
}

SGpsSample CStatusHistoryFeed::GpsSample(const Protocol::SGpsStatus& status, bool statesReceived, std::int64_t timeMs)
{
    SGpsSample sample;
    static_cast<Protocol::SGpsPosition&>(sample) = Protocol::PositionOf(status);
    sample.timeMs = timeMs;
    for (int c = 0; c < CGPSStatusView::kChannels; ++c) {
        SChannelSample& channel = sample.channels[std::size_t(c)];
        // An angle the unit does not know is drawn at 0.
        static_cast<Protocol::SGpsChannelReading&>(channel) = Protocol::ReadingOf(status.channels[std::size_t(c)]);
        channel.weak = CGPSStatusView::IsWeak(status, statesReceived, c);
    }
    return sample;
}

SInstallationSample CStatusHistoryFeed::InstallationSample(const CInstallStatusView& view, std::int64_t timeMs)
{
    SInstallationSample sample;
    static_cast<Protocol::SInstallationStatus&>(sample) = view.Status();
    sample.timeMs = timeMs;
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        sample.texts[std::size_t(row)] = view.RowText(row);
    return sample;
}

SInstallationSample CStatusHistoryFeed::InstallationSample(const Protocol::SInstallationStatus& status,
                                                           const QString& unitAddressText, std::int64_t timeMs)
{
    SInstallationSample sample;
    static_cast<Protocol::SInstallationStatus&>(sample) = status;
    sample.timeMs = timeMs;
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        sample.texts[std::size_t(row)] = CInstallStatusView::RowText(status, row, unitAddressText);
    return sample;
}

SConstellationSample CStatusHistoryFeed::ConstellationSample(const CConstellationStatisticsView& view,
                                                             std::int64_t timeMs)
{
    SConstellationSample sample;
    sample.timeMs = timeMs;
    sample.statistics = view.Statistics();
    sample.verdictText = view.VerdictPaneText();
    return sample;
}

SConstellationSample CStatusHistoryFeed::ConstellationSample(const Protocol::SConstellationStatistics& statistics,
                                                             bool valid, std::int64_t timeMs)
{
    SConstellationSample sample;
    sample.timeMs = timeMs;
    sample.statistics = statistics;
    sample.verdictText = CConstellationStatisticsView::VerdictPaneText(statistics, valid);
    return sample;
}
