#include "commissioning/wizard/CommissionHandover.h"

namespace {
// The Q1 page's accepted text, or, when the page was never passed (a remote
// connection has none), the address it would have shown: never an empty one.
QString AddressText(const QString& accepted, const Ipv4Fields& opening)
{
    return accepted.isEmpty() ? FormatIpv4(opening) : accepted;
}
} // namespace

SCommissionValues GatherCommissionValues(const SWizardPageValues& pages)
{
    SCommissionValues values;
    values.latitude = pages.gps.latitude;
    values.longitude = pages.gps.longitude;
    values.altitudeCm = pages.gps.altitudeCm;
    values.selfSurvey = pages.gps.selfSurvey;
    values.positionLocked = pages.gps.positionLocked;

    values.gpsAntennaDelayNs = pages.rf.gpsAntennaDelayNs;
    values.frameClockDelayNs = pages.rf.frameClockDelayNs;
    values.onePps = pages.rf.onePps;

    values.q1Address = pages.q1.q1Address;
    values.q1SpeedCode = SpeedCodeOfIndex(pages.q1.speedIndex);
    values.ipAddress = AddressText(pages.q1.ipAddressText, OpeningIpAddress(pages.q1));
    values.gatewayAddress = AddressText(pages.q1.gatewayText, OpeningGateway(pages.q1));
    values.subnetMask = AddressText(pages.q1.subnetMaskText, OpeningSubnetMask(pages.q1));
    values.q1Relay = pages.q1.relay;

    values.userName = pages.user.userName;
    values.actions = pages.user.actions;
    values.comments = pages.user.comments;
    values.day = pages.user.day;
    values.month = pages.user.month;
    values.year = pages.user.year;
    return values;
}
