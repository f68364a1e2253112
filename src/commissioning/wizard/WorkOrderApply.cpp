#include "commissioning/wizard/WorkOrderApply.h"

#include "commissioning/wizard/WizardProblem.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr std::int32_t kMaxWorkOrderAltitudeCm = 65535;
constexpr std::int32_t kMaxWorkOrderGpsDelayNs = 65535;
constexpr std::int32_t kMaxWorkOrderFrameDelayNs = 4800;
// The work order may name speeds 600 to 115200 (codes 3 to 11); anything else
// falls back to 9600.
constexpr int kMaxWorkOrderSpeedIndex = 8;

// A GPS mode text as the string table names it (the English one when the
// table lacks it, so an empty mode can never match).
bool IsMode(const QString& mode, unsigned id, const char* english)
{
    QString name = WizardString(id);
    if (name.isEmpty())
        name = QString::fromLatin1(english);
    return mode == name;
}

double CoordinateOrZero(double degrees, double limit)
{
    return std::isfinite(degrees) && degrees > -limit && degrees < limit ? degrees : 0.0;
}

void ApplyAddress(const QString& text, Ipv4Fields& octets, bool& fromWorkOrder)
{
    const auto parsed = WorkOrderOctets(text);
    fromWorkOrder = parsed.has_value();
    if (parsed)
        octets = *parsed;
}
} // namespace

void ResetPages(SWizardPageValues& pages)
{
    pages.gps.latitude = 0.0;
    pages.gps.longitude = 0.0;
    pages.gps.altitudeCm = 0;
    pages.gps.selfSurvey = false;
    pages.gps.positionLocked = false;

    pages.rf.gpsAntennaDelayNs = 0;
    pages.rf.frameClockDelayNs = 0;
    pages.rf.gpsAntennaDelayText = QStringLiteral("0");
    pages.rf.frameClockDelayText = QStringLiteral("0");
    pages.rf.onePps = false;

    pages.q1.q1Address = kDefaultQ1Address;
    pages.q1.speedIndex = kDefaultSpeedIndex;
    pages.q1.relayDefault = true;

    pages.user.userName.clear();
    pages.user.actions.clear();
    pages.user.comments.clear();
}

std::optional<Ipv4Fields> WorkOrderOctets(const QString& text)
{
    if (text.isEmpty())
        return std::nullopt;
    Ipv4Fields octets{};
    qsizetype start = 0;
    for (std::size_t part = 0; part < 4; ++part) {
        qsizetype end = text.size();
        if (part < 3) {
            end = text.indexOf(u'.', start);
            if (end < 0)
                return std::nullopt;
        }
        const long long value = std::llabs(ReadDecimalInteger(text.mid(start, end - start)));
        // An octet beyond 255 would show a different address than the work order names.
        if (value > 255)
            return std::nullopt;
        octets[part] = static_cast<int>(value);
        start = end + 1;
    }
    return octets;
}

void ApplyWorkOrderValues(SWizardPageValues& pages, const WorkOrderValues& values)
{
    SGpsPageValues& gps = pages.gps;
    gps.latitude = CoordinateOrZero(values.antennaLatitude, 90.0);
    gps.longitude = CoordinateOrZero(values.antennaLongitude, 180.0);
    gps.altitudeCm = values.antennaAltitude < 0 || values.antennaAltitude > kMaxWorkOrderAltitudeCm
                         ? 0
                         : values.antennaAltitude;
    if (IsMode(values.gpsMode, WizardStringId::GpsModeLocked, "Locked")) {
        gps.positionLocked = true;
    } else if (IsMode(values.gpsMode, WizardStringId::GpsModeSurvey, "Survey")) {
        gps.selfSurvey = true;
    } else if (IsMode(values.gpsMode, WizardStringId::GpsModeUndefined, "Undefined")) {
        gps.positionLocked = false;
        gps.selfSurvey = false;
    }

    SRfPageValues& rf = pages.rf;
    rf.gpsAntennaDelayNs = values.gpsAntennaDelay < 0 || values.gpsAntennaDelay > kMaxWorkOrderGpsDelayNs
                               ? 0
                               : values.gpsAntennaDelay;
    rf.frameClockDelayNs = std::clamp(values.frameClockDelay, 0, kMaxWorkOrderFrameDelayNs);
    rf.gpsAntennaDelayText = QString::number(rf.gpsAntennaDelayNs);
    rf.frameClockDelayText = QString::number(rf.frameClockDelayNs);

    SQ1PageValues& q1 = pages.q1;
    q1.q1Address = values.q1Address < 0 || values.q1Address > kWizardMaxQ1Address ? kDefaultQ1Address : values.q1Address;
    const long long index = static_cast<long long>(values.q1SpeedCode) - kSpeedCodeOffset;
    q1.speedIndex = index < 0 || index > kMaxWorkOrderSpeedIndex ? kDefaultSpeedIndex : static_cast<int>(index);
    q1.relayDefault = true;
    ApplyAddress(values.ipAddress, q1.ipOctets, q1.ipFromWorkOrder);
    ApplyAddress(values.gatewayAddress, q1.gatewayOctets, q1.gatewayFromWorkOrder);
    ApplyAddress(values.subnetMask, q1.maskOctets, q1.maskFromWorkOrder);
}
