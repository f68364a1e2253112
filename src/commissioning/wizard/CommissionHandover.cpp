#include "commissioning/wizard/CommissionHandover.h"

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
    // The texts the Q1 page accepted, as they are: empty when the page was
    // never passed (a remote connection has none), so that the unit keeps
    // the addresses it is reached at.
    values.ipAddress = pages.q1.ipAddressText;
    values.gatewayAddress = pages.q1.gatewayText;
    values.subnetMask = pages.q1.subnetMaskText;
    values.q1Relay = pages.q1.relay;

    values.userName = pages.user.userName;
    values.actions = pages.user.actions;
    values.comments = pages.user.comments;
    values.day = pages.user.day;
    values.month = pages.user.month;
    values.year = pages.user.year;
    return values;
}
