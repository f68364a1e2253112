// The work order values that the wizard's pages would replace: each one found,
// named with its parameter and value, and nothing found where the pages take
// the values as they stand.

#include "commissioning/wizard/WorkOrderApply.h"
#include "commissioning/wizard/WorkOrderReplacements.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace {

using Field = SWorkOrderReplacement::Field;

WorkOrderValues GoodOrder()
{
    WorkOrderValues order;
    order.q1Address = 140;
    order.q1SpeedCode = 8;
    order.antennaLatitude = 60.5;
    order.antennaLongitude = -0.25;
    order.antennaAltitude = 1000;
    order.gpsAntennaDelay = 120;
    order.frameClockDelay = 300;
    order.gpsMode = QStringLiteral("Survey");
    order.q1Relay = QStringLiteral("NO");
    order.ipAddress = QStringLiteral("192.168.255.121");
    order.gatewayAddress = QStringLiteral("192.168.255.32");
    order.subnetMask = QStringLiteral("255.255.255.0");
    return order;
}

TEST(WorkOrderReplacements, ValuesTheWizardTakesAsTheyStandAreNotNamed)
{
    EXPECT_TRUE(WorkOrderReplacements(GoodOrder()).isEmpty());
    // The pages' bounds themselves are taken.
    WorkOrderValues edge = GoodOrder();
    edge.antennaLatitude = 89.9999999;
    edge.antennaLongitude = -179.9999999;
    edge.antennaAltitude = 65535;
    edge.gpsAntennaDelay = 65535;
    edge.frameClockDelay = 4800;
    edge.q1Address = 4095;
    edge.q1SpeedCode = 11; // 115200
    edge.gpsMode = QStringLiteral("Undefined");
    edge.ipAddress = QStringLiteral(" 010.001.002.003 "); // the same address
    edge.subnetMask = QStringLiteral("255.0.0.0");
    edge.gatewayAddress = QStringLiteral("10.1.0.1");
    EXPECT_TRUE(WorkOrderReplacements(edge).isEmpty());
    edge.antennaAltitude = 0;
    edge.gpsAntennaDelay = 0;
    edge.frameClockDelay = 0;
    edge.q1Address = 0;
    edge.q1SpeedCode = 3;
    edge.gpsMode = QStringLiteral("Locked");
    EXPECT_TRUE(WorkOrderReplacements(edge).isEmpty());
}

TEST(WorkOrderReplacements, EachReplacedValueIsNamedWithWhatTakesItsPlace)
{
    const struct {
        std::function<void(WorkOrderValues&)> change;
        Field field;
        const char* description;
    } rows[] = {
        {[](WorkOrderValues& o) { o.antennaLatitude = 95.0; }, Field::Latitude,
         "qorGPSAntennaLatitudeLocation = 950000000 (95 degrees): the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.antennaLatitude = -90.0; }, Field::Latitude,
         "qorGPSAntennaLatitudeLocation = -900000000 (-90 degrees): the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.antennaLongitude = 180.0; }, Field::Longitude,
         "qorGPSAntennaLongitudeLocation = 1800000000 (180 degrees): the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.antennaLongitude = std::numeric_limits<double>::quiet_NaN(); }, Field::Longitude,
         "qorGPSAntennaLongitudeLocation = nan: the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.antennaAltitude = 65536; }, Field::Altitude,
         "qorGPSAntennaAltitude = 65536: the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.antennaAltitude = -1; }, Field::Altitude,
         "qorGPSAntennaAltitude = -1: the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.gpsMode = QStringLiteral("survey"); }, Field::GpsMode,
         "qorGPSMode = \"survey\": the wizard would take Undefined instead"},
        {[](WorkOrderValues& o) { o.gpsAntennaDelay = -5; }, Field::GpsAntennaDelay,
         "qorBtsGpsDelay = -5: the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.frameClockDelay = 4801; }, Field::FrameClockDelay,
         "qorBtsFrDelay = 4801: the wizard would take 4800 instead"},
        {[](WorkOrderValues& o) { o.frameClockDelay = -1; }, Field::FrameClockDelay,
         "qorBtsFrDelay = -1: the wizard would take 0 instead"},
        {[](WorkOrderValues& o) { o.q1Address = 4096; }, Field::Q1Address,
         "qorQ1Address = 4096: the wizard would take 131 instead"},
        {[](WorkOrderValues& o) { o.q1SpeedCode = 12; }, Field::Q1Speed,
         "qorQ1Speed = 12 (230500): the wizard would take 7 (9600) instead"},
        {[](WorkOrderValues& o) { o.q1SpeedCode = 2; }, Field::Q1Speed,
         "qorQ1Speed = 2: the wizard would take 7 (9600) instead"},
        {[](WorkOrderValues& o) { o.ipAddress = QStringLiteral("192.168.1.5abc"); }, Field::IpAddress,
         "qorQ1IP = \"192.168.1.5abc\": the wizard would take 192.168.1.5 instead"},
        {[](WorkOrderValues& o) { o.ipAddress = QString(); }, Field::IpAddress,
         "qorQ1IP = \"\": the wizard would take 192.168.255.120 instead"},
        {[](WorkOrderValues& o) { o.gatewayAddress = QStringLiteral("300.1.1.1"); }, Field::Gateway,
         "qorQ1GW = \"300.1.1.1\": the wizard would take 192.168.255.32 instead"},
        {[](WorkOrderValues& o) { o.subnetMask = QStringLiteral("-255.255.0.0"); }, Field::SubnetMask,
         "qorQ1Mask = \"-255.255.0.0\": the wizard would take 255.255.0.0 instead"},
    };
    for (const auto& row : rows) {
        WorkOrderValues order = GoodOrder();
        row.change(order);
        const QList<SWorkOrderReplacement> found = WorkOrderReplacements(order);
        ASSERT_EQ(found.size(), 1) << row.description;
        EXPECT_EQ(found[0].field, row.field) << row.description;
        EXPECT_EQ(found[0].Describe().toStdString(), row.description);
        const bool address = row.field == Field::IpAddress || row.field == Field::Gateway ||
                             row.field == Field::SubnetMask;
        EXPECT_EQ(found[0].IsAddressText(), address) << row.description;
    }
}

TEST(WorkOrderReplacements, SeveralAreNamedInTheWorkOrdersOrder)
{
    WorkOrderValues order = GoodOrder();
    order.q1Address = -3;
    order.antennaLatitude = 91.0;
    order.frameClockDelay = 9999;
    const QList<SWorkOrderReplacement> found = WorkOrderReplacements(order);
    ASSERT_EQ(found.size(), 3);
    EXPECT_EQ(found[0].parameter, QStringLiteral("qorGPSAntennaLatitudeLocation"));
    EXPECT_EQ(found[1].parameter, QStringLiteral("qorBtsFrDelay"));
    EXPECT_EQ(found[2].parameter, QStringLiteral("qorQ1Address"));
    // What is named as the replacement is what the pages then hold.
    SWizardPageValues pages;
    ApplyWorkOrderValues(pages, order);
    EXPECT_EQ(found[1].replacement, QString::number(pages.rf.frameClockDelayNs));
    EXPECT_EQ(found[2].replacement, QString::number(pages.q1.q1Address));
}

} // namespace
