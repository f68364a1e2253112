// Resetting the pages, pre-filling them from a work order, and what Finish
// hands over to commissioning.

#include "commissioning/wizard/CommissionHandover.h"
#include "commissioning/wizard/WorkOrderApply.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

WorkOrderValues SampleOrder()
{
    WorkOrderValues order;
    order.unitName = QStringLiteral("QOR-1");
    order.q1Address = 200;
    order.q1SpeedCode = 8; // 19200
    order.antennaLatitude = 60.5;
    order.antennaLongitude = -0.25;
    order.antennaAltitude = 12345;
    order.gpsAntennaDelay = 150;
    order.frameClockDelay = 300;
    order.gpsMode = QStringLiteral("Survey");
    order.ipAddress = QStringLiteral("10.1.2.3");
    order.subnetMask = QStringLiteral("255.255.0.0");
    order.gatewayAddress = QStringLiteral("10.1.0.1");
    return order;
}

TEST(WorkOrderApply, ValuesWithinBoundsAreTaken)
{
    SWizardPageValues pages;
    ApplyWorkOrderValues(pages, SampleOrder());
    EXPECT_EQ(pages.gps.latitude, 60.5);
    EXPECT_EQ(pages.gps.longitude, -0.25);
    EXPECT_EQ(pages.gps.altitudeCm, 12345);
    EXPECT_TRUE(pages.gps.selfSurvey);
    EXPECT_FALSE(pages.gps.positionLocked);
    EXPECT_EQ(pages.rf.gpsAntennaDelayNs, 150);
    EXPECT_EQ(pages.rf.frameClockDelayNs, 300);
    EXPECT_EQ(pages.q1.q1Address, 200);
    EXPECT_EQ(pages.q1.speedIndex, 5);
    EXPECT_TRUE(pages.q1.relayDefault);
    EXPECT_TRUE(pages.q1.ipFromWorkOrder);
    EXPECT_EQ(pages.q1.ipOctets, (Ipv4Fields{10, 1, 2, 3}));
    EXPECT_EQ(OpeningIpAddress(pages.q1), (Ipv4Fields{10, 1, 2, 3}));
    EXPECT_EQ(OpeningSubnetMask(pages.q1), (Ipv4Fields{255, 255, 0, 0}));
    EXPECT_EQ(OpeningGateway(pages.q1), (Ipv4Fields{10, 1, 0, 1}));
}

TEST(WorkOrderApply, ValuesOutOfBoundsGiveWay)
{
    const struct {
        double latitude, longitude;
        std::int32_t altitude, gpsDelay, frameDelay, q1Address, speedCode;
        double wantLatitude, wantLongitude;
        std::int32_t wantAltitude, wantGpsDelay, wantFrameDelay, wantQ1Address, wantSpeedIndex;
    } rows[] = {
        {90.0, 180.0, 65536, 65536, 4801, 4096, 12, 0, 0, 0, 0, 4800, 131, 4},
        {-90.0, -180.0, -1, -1, -1, -1, 2, 0, 0, 0, 0, 0, 131, 4},
        {89.9, 179.9, 65535, 65535, 4800, 4095, 11, 89.9, 179.9, 65535, 65535, 4800, 4095, 8},
        {-89.9, -179.9, 0, 0, 0, 0, 3, -89.9, -179.9, 0, 0, 0, 0, 0},
        {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1, 1, 1, 1,
         std::numeric_limits<std::int32_t>::min(), 0, 0, 1, 1, 1, 1, 4},
    };
    for (const auto& row : rows) {
        WorkOrderValues order;
        order.antennaLatitude = row.latitude;
        order.antennaLongitude = row.longitude;
        order.antennaAltitude = row.altitude;
        order.gpsAntennaDelay = row.gpsDelay;
        order.frameClockDelay = row.frameDelay;
        order.q1Address = row.q1Address;
        order.q1SpeedCode = row.speedCode;
        SWizardPageValues pages;
        ApplyWorkOrderValues(pages, order);
        SCOPED_TRACE(row.speedCode);
        EXPECT_EQ(pages.gps.latitude, row.wantLatitude);
        EXPECT_EQ(pages.gps.longitude, row.wantLongitude);
        EXPECT_EQ(pages.gps.altitudeCm, row.wantAltitude);
        EXPECT_EQ(pages.rf.gpsAntennaDelayNs, row.wantGpsDelay);
        EXPECT_EQ(pages.rf.frameClockDelayNs, row.wantFrameDelay);
        EXPECT_EQ(pages.q1.q1Address, row.wantQ1Address);
        EXPECT_EQ(pages.q1.speedIndex, row.wantSpeedIndex);
    }
}

TEST(WorkOrderApply, TheGpsModeSetsOrClearsTheFlags)
{
    SWizardPageValues pages;
    WorkOrderValues order;
    order.gpsMode = QStringLiteral("Locked");
    ApplyWorkOrderValues(pages, order);
    EXPECT_TRUE(pages.gps.positionLocked);
    order.gpsMode = QStringLiteral("Survey");
    ApplyWorkOrderValues(pages, order);
    EXPECT_TRUE(pages.gps.selfSurvey);
    EXPECT_TRUE(pages.gps.positionLocked); // only the named flag is set
    order.gpsMode = QStringLiteral("locked");
    ApplyWorkOrderValues(pages, order);
    EXPECT_TRUE(pages.gps.selfSurvey);
    order.gpsMode = QString();
    ApplyWorkOrderValues(pages, order);
    EXPECT_TRUE(pages.gps.selfSurvey);
    order.gpsMode = QStringLiteral("Undefined");
    ApplyWorkOrderValues(pages, order);
    EXPECT_FALSE(pages.gps.selfSurvey);
    EXPECT_FALSE(pages.gps.positionLocked);
}

TEST(WorkOrderApply, AddressTextsAreReadLeniently)
{
    EXPECT_EQ(WorkOrderOctets(QStringLiteral("192.168.1.5")), (Ipv4Fields{192, 168, 1, 5}));
    EXPECT_EQ(WorkOrderOctets(QStringLiteral(" 10.-2.3x.4.9")), (Ipv4Fields{10, 2, 3, 4}));
    EXPECT_EQ(WorkOrderOctets(QStringLiteral("10..3.")), (Ipv4Fields{10, 0, 3, 0}));
    EXPECT_FALSE(WorkOrderOctets(QStringLiteral("10.1.2")));
    EXPECT_FALSE(WorkOrderOctets(QString()));
    EXPECT_FALSE(WorkOrderOctets(QStringLiteral("192.168.300.5"))); // would show another address

    SWizardPageValues pages;
    WorkOrderValues order;
    order.ipAddress = QStringLiteral("192.168.300.5");
    order.subnetMask = QStringLiteral("255.255.255.0");
    ApplyWorkOrderValues(pages, order);
    EXPECT_FALSE(pages.q1.ipFromWorkOrder);
    EXPECT_EQ(OpeningIpAddress(pages.q1), kDefaultUnitIp);
    EXPECT_TRUE(pages.q1.maskFromWorkOrder);
    EXPECT_FALSE(pages.q1.gatewayFromWorkOrder);
}

TEST(WorkOrderApply, ResetPagesKeepsTheWorkOrderAddresses)
{
    SWizardPageValues pages;
    ApplyWorkOrderValues(pages, SampleOrder());
    pages.gps.positionLocked = true;
    pages.rf.onePps = true;
    pages.q1.relayDefault = false;
    pages.user = {QStringLiteral("Ann"), QStringLiteral("c"), QStringLiteral("a"), 2009, 3, 7};
    ResetPages(pages);
    EXPECT_EQ(pages.gps.latitude, 0.0);
    EXPECT_EQ(pages.gps.longitude, 0.0);
    EXPECT_EQ(pages.gps.altitudeCm, 0);
    EXPECT_FALSE(pages.gps.selfSurvey);
    EXPECT_FALSE(pages.gps.positionLocked);
    EXPECT_EQ(pages.rf.gpsAntennaDelayNs, 0);
    EXPECT_EQ(pages.rf.frameClockDelayNs, 0);
    EXPECT_FALSE(pages.rf.onePps);
    EXPECT_EQ(pages.q1.q1Address, 131);
    EXPECT_EQ(pages.q1.speedIndex, 4);
    EXPECT_TRUE(pages.q1.relayDefault);
    EXPECT_TRUE(pages.q1.ipFromWorkOrder);
    EXPECT_EQ(pages.q1.ipOctets, (Ipv4Fields{10, 1, 2, 3}));
    EXPECT_TRUE(pages.user.userName.isEmpty());
    EXPECT_TRUE(pages.user.comments.isEmpty());
    EXPECT_TRUE(pages.user.actions.isEmpty());
    EXPECT_EQ(pages.user.year, 2009); // the date is not reset
}

TEST(CommissionHandover, ThePagesBecomeTheCommissionValues)
{
    SWizardPageValues pages;
    // Untouched pages hand over the page defaults; the address texts stay
    // empty until a Q1 page accepted them.
    SCommissionValues values = GatherCommissionValues(pages);
    EXPECT_TRUE(values.ipAddress.isEmpty());
    EXPECT_TRUE(values.subnetMask.isEmpty());
    EXPECT_TRUE(values.gatewayAddress.isEmpty());
    EXPECT_EQ(values.q1SpeedCode, 7);
    EXPECT_EQ(values.q1Address, 131);
    EXPECT_TRUE(values.q1Relay);

    ApplyWorkOrderValues(pages, SampleOrder());
    values = GatherCommissionValues(pages);
    // Without a Q1 page (remote) no address goes, not even the work order's:
    // the unit must stay reachable where it is.
    EXPECT_TRUE(values.ipAddress.isEmpty());
    EXPECT_TRUE(values.subnetMask.isEmpty());
    EXPECT_TRUE(values.gatewayAddress.isEmpty());
    EXPECT_EQ(values.q1Address, 200) << "the page values that are not addresses still go";

    pages.q1.ipAddressText = QStringLiteral("192.168.1.10");
    pages.q1.subnetMaskText = QStringLiteral("255.255.255.0");
    pages.q1.gatewayText = QStringLiteral("192.168.1.1");
    pages.q1.relay = false;
    pages.rf.onePps = true;
    pages.user = {QStringLiteral("Ann"), QStringLiteral("c"), QStringLiteral("a"), 2009, 3, 7};
    values = GatherCommissionValues(pages);
    EXPECT_EQ(values.latitude, 60.5);
    EXPECT_EQ(values.longitude, -0.25);
    EXPECT_EQ(values.altitudeCm, 12345);
    EXPECT_TRUE(values.selfSurvey);
    EXPECT_FALSE(values.positionLocked);
    EXPECT_EQ(values.gpsAntennaDelayNs, 150);
    EXPECT_EQ(values.frameClockDelayNs, 300);
    EXPECT_TRUE(values.onePps);
    EXPECT_EQ(values.q1Address, 200);
    EXPECT_EQ(values.q1SpeedCode, 8);
    EXPECT_EQ(values.ipAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(values.subnetMask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(values.gatewayAddress, QStringLiteral("192.168.1.1"));
    EXPECT_FALSE(values.q1Relay);
    EXPECT_EQ(values.userName, QStringLiteral("Ann"));
    EXPECT_EQ(values.comments, QStringLiteral("c"));
    EXPECT_EQ(values.actions, QStringLiteral("a"));
    EXPECT_EQ(values.year, 2009);
    EXPECT_EQ(values.month, 3);
    EXPECT_EQ(values.day, 7);
}

} // namespace
