#include "commissioning/wizard/WorkOrderReplacements.h"

#include "commissioning/wizard/WizardProblem.h"
#include "commissioning/wizard/WorkOrderApply.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
using Field = SWorkOrderReplacement::Field;

// Positions are kept in the work order as degrees x 10^7.
QString PositionValue(double degrees)
{
    if (!std::isfinite(degrees))
        return QString::number(degrees);
    return QStringLiteral("%1 (%2 degrees)").arg(QString::number(degrees * 1e7, 'f', 0), QString::number(degrees, 'g', 12));
}

QString SpeedValue(long long code)
{
    const QString text = SpeedTextOfIndex(static_cast<int>(std::clamp<long long>(code - kSpeedCodeOffset, -1, 99)));
    return text.isEmpty() ? QString::number(code) : QStringLiteral("%1 (%2)").arg(code).arg(text);
}

bool SameNumber(double a, double b)
{
    return a == b; // a NaN is never taken as it stands
}

// The flags a GPS mode text leaves when both start as `start`: a text the
// wizard does not know changes neither.
std::pair<bool, bool> ModeFlags(const QString& mode, bool start)
{
    SWizardPageValues pages;
    pages.gps.selfSurvey = start;
    pages.gps.positionLocked = start;
    WorkOrderValues values;
    values.gpsMode = mode;
    ApplyWorkOrderValues(pages, values);
    return {pages.gps.selfSurvey, pages.gps.positionLocked};
}

bool KnownMode(const QString& mode)
{
    // Known texts set or clear at least one flag whatever the flags were.
    return ModeFlags(mode, false) != std::pair{false, false} || ModeFlags(mode, true) != std::pair{true, true};
}

void CheckAddress(QList<SWorkOrderReplacement>& found, Field field, const char* parameter, const QString& text,
                  const Ipv4Fields& shown)
{
    const auto plain = ParseIpv4(text);
    if (plain && *plain == shown)
        return;
    found.append({field, QString::fromLatin1(parameter), QLatin1Char('"') + text + QLatin1Char('"'), FormatIpv4(shown)});
}
} // namespace

QString SWorkOrderReplacement::Describe() const
{
    return parameter + QStringLiteral(" = ") + value + QStringLiteral(": the wizard would take ") + replacement +
           QStringLiteral(" instead");
}

bool SWorkOrderReplacement::IsAddressText() const
{
    switch (field) {
    case Field::IpAddress:
    case Field::Gateway:
    case Field::SubnetMask:
        return true;
    default:
        return false;
    }
}

QList<SWorkOrderReplacement> WorkOrderReplacements(const WorkOrderValues& values)
{
    SWizardPageValues pages;
    ResetPages(pages);
    ApplyWorkOrderValues(pages, values);

    QList<SWorkOrderReplacement> found;
    const auto add = [&found](Field field, const char* parameter, const QString& value, const QString& replacement) {
        found.append({field, QString::fromLatin1(parameter), value, replacement});
    };
    if (!SameNumber(pages.gps.latitude, values.antennaLatitude))
        add(Field::Latitude, "qorGPSAntennaLatitudeLocation", PositionValue(values.antennaLatitude),
            QString::number(pages.gps.latitude));
    if (!SameNumber(pages.gps.longitude, values.antennaLongitude))
        add(Field::Longitude, "qorGPSAntennaLongitudeLocation", PositionValue(values.antennaLongitude),
            QString::number(pages.gps.longitude));
    if (pages.gps.altitudeCm != values.antennaAltitude)
        add(Field::Altitude, "qorGPSAntennaAltitude", QString::number(values.antennaAltitude),
            QString::number(pages.gps.altitudeCm));
    if (!KnownMode(values.gpsMode))
        add(Field::GpsMode, "qorGPSMode", QLatin1Char('"') + values.gpsMode + QLatin1Char('"'),
            WizardString(WizardStringId::GpsModeUndefined));
    if (pages.rf.gpsAntennaDelayNs != values.gpsAntennaDelay)
        add(Field::GpsAntennaDelay, "qorBtsGpsDelay", QString::number(values.gpsAntennaDelay),
            QString::number(pages.rf.gpsAntennaDelayNs));
    if (pages.rf.frameClockDelayNs != values.frameClockDelay)
        add(Field::FrameClockDelay, "qorBtsFrDelay", QString::number(values.frameClockDelay),
            QString::number(pages.rf.frameClockDelayNs));
    if (pages.q1.q1Address != values.q1Address)
        add(Field::Q1Address, "qorQ1Address", QString::number(values.q1Address), QString::number(pages.q1.q1Address));
    if (SpeedCodeOfIndex(pages.q1.speedIndex) != values.q1SpeedCode)
        add(Field::Q1Speed, "qorQ1Speed", SpeedValue(values.q1SpeedCode),
            SpeedValue(SpeedCodeOfIndex(pages.q1.speedIndex)));
    CheckAddress(found, Field::IpAddress, "qorQ1IP", values.ipAddress, OpeningIpAddress(pages.q1));
    CheckAddress(found, Field::Gateway, "qorQ1GW", values.gatewayAddress, OpeningGateway(pages.q1));
    CheckAddress(found, Field::SubnetMask, "qorQ1Mask", values.subnetMask, OpeningSubnetMask(pages.q1));
    return found;
}
