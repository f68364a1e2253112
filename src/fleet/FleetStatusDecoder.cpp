#include "fleet/FleetStatusDecoder.h"

#include "fleet/FleetIdentity.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

namespace {

enum Reply : std::size_t { VersionReply, NamesReply, GpsReply, InstallReply, ConstellationReply, kReplies };

// A status window's decoder, fed by hand instead of by the handler.
template <class View>
struct Fed : View {
    using View::View;
    using View::BuildRequest;
    using View::ClearStatus;
    using View::OnStatusReply;
};

} // namespace

struct CFleetStatusDecoder::Gps : Fed<CGPSStatusView> {
    using Fed::Fed;
};
struct CFleetStatusDecoder::Install : Fed<CInstallStatusView> {
    using Fed::Fed;
};
struct CFleetStatusDecoder::Constellation : Fed<CConstellationStatisticsView> {
    using Fed::Fed;
};

CFleetStatusDecoder::CFleetStatusDecoder()
    : gps_(std::make_unique<Gps>(frame_)),
      install_(std::make_unique<Install>(frame_, [this] { return unitAddressText_; })),
      constellation_(std::make_unique<Constellation>(frame_))
{
    requests_.resize(kReplies);
    requests_[VersionReply] = VersionBlockRequest();
    requests_[NamesReply] = FirmwareNamesRequest();
    requests_[GpsReply] = *gps_->BuildRequest();
    requests_[InstallReply] = *install_->BuildRequest();
    requests_[ConstellationReply] = *constellation_->BuildRequest();
}

CFleetStatusDecoder::~CFleetStatusDecoder() = default;

SFleetUnitHealth CFleetStatusDecoder::Decode(const SFleetUnitReplies& replies, const QString& unitAddressText)
{
    // The constellation decoder works on the program's one copy of the
    // statistics, which may be the connected unit's: it gets it back as it was.
    struct Keep {
        ConstellationStatisticsData saved = SharedConstellationStatistics();
        ~Keep() { SharedConstellationStatistics() = saved; }
    } keep;

    SFleetUnitHealth health;
    health.reachable = replies.reachable;
    health.error = QString::fromStdString(replies.error);
    unitAddressText_ = unitAddressText;
    gps_->ClearStatus();
    install_->ClearStatus();
    constellation_->ClearStatus();

    const auto reply = [&](Reply which) -> const CDeviceMessage* {
        return which < replies.replies.size() && replies.replies[which] ? &*replies.replies[which] : nullptr;
    };
    const auto note = [&](const char* what) {
        if (health.error.isEmpty())
            health.error = QStringLiteral("%1 not understood").arg(QLatin1String(what));
    };
    if (!replies.reachable)
        return health;

    if (const CDeviceMessage* version = reply(VersionReply)) {
        if (const auto serial = SerialNumberOf(*version))
            health.serial = *serial;
        else
            note("version block");
    }
    if (const CDeviceMessage* names = reply(NamesReply)) {
        if (const auto decoded = FirmwareNamesOf(*names)) {
            health.activeFirmware = decoded->active;
            health.inactiveFirmware = decoded->inactive;
        } else {
            note("firmware names");
        }
    }
    if (const CDeviceMessage* gps = reply(GpsReply)) {
        gps_->OnStatusReply(*gps);
        health.latitude = gps_->LatitudeText().trimmed();
        health.longitude = gps_->LongitudeText().trimmed();
        health.latitudeDegrees = gps_->GetLatitudeDegrees();
        health.longitudeDegrees = gps_->GetLongitudeDegrees();
    }
    if (const CDeviceMessage* install = reply(InstallReply))
        install_->OnStatusReply(*install);
    health.selfTest = install_->RowText(CInstallStatusView::SelfTests).trimmed();
    health.gpsFix = install_->RowText(CInstallStatusView::GpsFix).trimmed();
    health.clockState = install_->RowText(CInstallStatusView::ClockState).trimmed();
    health.selfTestOk = reply(InstallReply) && install_->CodeOf(CInstallStatusView::SelfTests) == CInstallStatusView::Ok;
    health.selfTestCode = install_->CodeOf(CInstallStatusView::SelfTests);
    health.gpsFixCode = install_->CodeOf(CInstallStatusView::GpsFix);
    health.clockStateCode = install_->CodeOf(CInstallStatusView::ClockState);
    if (const CDeviceMessage* constellation = reply(ConstellationReply))
        constellation_->OnStatusReply(*constellation);
    health.verdict = CConstellationStatisticsView::GetVerdictText().trimmed();
    health.verdictCode = SharedConstellationStatistics().verdict;
    return health;
}
