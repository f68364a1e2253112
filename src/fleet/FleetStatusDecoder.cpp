#include "fleet/FleetStatusDecoder.h"

#include "fleet/FleetIdentity.h"
#include "protocol/ConstellationStatistics.h"
#include "protocol/GpsStatus.h"
#include "protocol/InstallationStatus.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/install/InstallStatusView.h"

namespace {
enum Reply : std::size_t { VersionReply, NamesReply, GpsReply, InstallReply, ConstellationReply, kReplies };
} // namespace

CFleetStatusDecoder::CFleetStatusDecoder()
{
    requests_.resize(kReplies);
    requests_[VersionReply] = VersionBlockRequest();
    requests_[NamesReply] = FirmwareNamesRequest();
    requests_[GpsReply] = CDeviceMessage::Of(Protocol::GpsStatusRequest());
    requests_[InstallReply] = CDeviceMessage::Of(Protocol::InstallStatusRequest());
    requests_[ConstellationReply] = CDeviceMessage::Of(Protocol::ConstellationStatisticsRequest());
}

SFleetUnitHealth CFleetStatusDecoder::Decode(const SFleetUnitReplies& replies, const QString& unitAddressText) const
{
    SFleetUnitHealth health;
    health.reachable = replies.reachable;
    health.error = QString::fromStdString(replies.error);

    const auto reply = [&](Reply which) -> const CDeviceMessage* {
        return which < replies.replies.size() && replies.replies[which] ? &*replies.replies[which] : nullptr;
    };
    const auto note = [&](const char* what) {
        if (health.error.isEmpty())
            health.error = QStringLiteral("%1 not understood").arg(QLatin1String(what));
    };

    if (!replies.reachable)
        return health;

    // Each record starts as "nothing known"; a reply cut short fills what it carries.
    Protocol::SGpsStatus gps;
    Protocol::SInstallationStatus install;
    Protocol::SConstellationStatistics constellation;
    {
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
        if (const CDeviceMessage* message = reply(GpsReply)) {
            Protocol::DecodeGpsStatus(message->Bytes(), gps);
            health.latitude = CGPSStatusView::PackedAngleText(gps.latitude.packed, true).trimmed();
            health.longitude = CGPSStatusView::PackedAngleText(gps.longitude.packed, false).trimmed();
            health.latitudeDegrees = gps.latitude.InDegrees().value;
            health.longitudeDegrees = gps.longitude.InDegrees().value;
        }
        if (const CDeviceMessage* message = reply(InstallReply))
            Protocol::DecodeInstallationStatus(message->Bytes(), install);
        if (const CDeviceMessage* message = reply(ConstellationReply))
            Protocol::DecodeConstellationStatistics(message->Bytes(), constellation);
    }

    using Row = Protocol::SInstallationStatus;
    health.selfTest = CInstallStatusView::RowText(install, Row::SelfTests, unitAddressText).trimmed();
    health.gpsFix = CInstallStatusView::RowText(install, Row::GpsFix, unitAddressText).trimmed();
    health.clockState = CInstallStatusView::RowText(install, Row::ClockState, unitAddressText).trimmed();
    health.selfTestOk = reply(InstallReply) && install.codes[Row::SelfTests] == Row::Ok;
    health.selfTestCode = install.codes[Row::SelfTests];
    health.gpsFixCode = install.codes[Row::GpsFix];
    health.clockStateCode = install.codes[Row::ClockState];
    health.verdict = CConstellationStatisticsView::VerdictText(constellation.verdict).trimmed();
    health.verdictCode = constellation.verdict;
    return health;
}
