#include "cli/ReportStatusReader.h"

#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

#include <limits>

CReportStatusReader::CReportStatusReader(QString unitAddressText, int giveUpMs)
{
    gps_ = std::make_unique<CGPSStatusView>(frame_);
    install_ = std::make_unique<CInstallStatusView>(frame_, [address = std::move(unitAddressText)] { return address; });
    constellation_ = std::make_unique<CConstellationStatisticsView>(frame_);
    giveUp_.setSingleShot(true);
    giveUp_.setInterval(giveUpMs);
    QObject::connect(&giveUp_, &QTimer::timeout, [this] { Complete(false); });
}

CReportStatusReader::~CReportStatusReader()
{
    for (CStatusPoller* view : {static_cast<CStatusPoller*>(gps_.get()), static_cast<CStatusPoller*>(install_.get()),
                                static_cast<CStatusPoller*>(constellation_.get())})
        view->StopRefresh();
}

SReportStatus CReportStatusReader::Unknown()
{
    constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
    SReportStatus status;
    status.position = SMeasuredPosition{kUnknown, kUnknown, kUnknown};
    const std::uint32_t undefined = CInstallStatusView::Unset;
    status.installation = SInstallationSnapshot{undefined, undefined, undefined, QStringLiteral("?"),
                                                QStringLiteral("?"), QStringLiteral("?")};
    status.constellationVerdict = -1;
    return status;
}

void CReportStatusReader::Start(Done done)
{
    done_ = std::move(done);
    gpsAnswered_ = installAnswered_ = constellationAnswered_ = false;
    QObject::connect(gps_.get(), &CGPSStatusView::Redraw, [this] {
        gpsAnswered_ = true;
        Check();
    });
    install_->SetRedrawHandler([this] {
        installAnswered_ = true;
        Check();
    });
    constellation_->SetRedrawHandler([this] {
        constellationAnswered_ = true;
        Check();
    });
    giveUp_.start();
    for (CStatusPoller* view : {static_cast<CStatusPoller*>(gps_.get()), static_cast<CStatusPoller*>(install_.get()),
                                static_cast<CStatusPoller*>(constellation_.get())}) {
        view->SetVisible(true);
        view->StartRefresh(); // listens and asks at once
    }
}

void CReportStatusReader::Check()
{
    if (gpsAnswered_ && installAnswered_ && constellationAnswered_)
        Complete(true);
}

void CReportStatusReader::Complete(bool complete)
{
    if (!done_)
        return;
    giveUp_.stop();
    for (CStatusPoller* view : {static_cast<CStatusPoller*>(gps_.get()), static_cast<CStatusPoller*>(install_.get()),
                                static_cast<CStatusPoller*>(constellation_.get())})
        view->StopRefresh();

    SReportStatus status = Unknown();
    if (gpsAnswered_)
        status.position = SMeasuredPosition{gps_->GetLatitudeDegrees(), gps_->GetLongitudeDegrees(),
                                            gps_->GetAltitudeMetres()};
    if (installAnswered_) {
        InstallationSummary summary;
        install_->GetInstallationSummary(summary);
        status.installation = SInstallationSnapshot{summary.selfTests,    summary.clockOutput, summary.clockState,
                                                    summary.transmission, summary.busTime,     summary.gpsFix};
    }
    if (constellationAnswered_)
        status.constellationVerdict = constellation_->Statistics().verdict;
    const Done done = std::exchange(done_, nullptr);
    done(status, complete);
}
