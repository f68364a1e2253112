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

// The unit sends angles in 1e-7 degree.
double Degrees(std::uint32_t value)
{
    return double(value) / 1e7;
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
    SGpsSample sample;
    sample.timeMs = timeMs;
    for (int c = 0; c < CGPSStatusView::kChannels; ++c) {
        SChannelSample& channel = sample.channels[std::size_t(c)];
        channel.satellite = view.SatelliteNumber(c);
        channel.cno = view.CNo(c);
        channel.elevationDeg = Degrees(view.Elevation(c));
        channel.azimuthDeg = Degrees(view.Azimuth(c));
        channel.weak = view.IsWeak(c);
    }
    sample.latitudeDeg = view.GetLatitudeDegrees();
    sample.longitudeDeg = view.GetLongitudeDegrees();
    sample.altitudeM = view.GetAltitudeMetres();
    return sample;
}

SInstallationSample CStatusHistoryFeed::InstallationSample(const CInstallStatusView& view, std::int64_t timeMs)
{
    SInstallationSample sample;
    sample.timeMs = timeMs;
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row) {
        sample.codes[std::size_t(row)] = view.CodeOf(row);
        sample.texts[std::size_t(row)] = view.RowText(row);
    }
    sample.surveyProgress = view.SurveyProgress();
    return sample;
}

SConstellationSample CStatusHistoryFeed::ConstellationSample(const CConstellationStatisticsView& view,
                                                             std::int64_t timeMs)
{
    SConstellationSample sample;
    sample.timeMs = timeMs;
    sample.statistics = SharedConstellationStatistics();
    sample.verdictText = view.VerdictPaneText();
    return sample;
}
