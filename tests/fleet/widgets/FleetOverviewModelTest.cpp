// The fleet overview's table without a window: the health each unit is
// given, the colours of the status windows, the texts before and after a
// unit is read, sorting, and the summary line.

#include "fleet/FleetOverviewModel.h"
#include "status/install/InstallStatusView.h"

#include <QFont>
#include <QPersistentModelIndex>

#include <gtest/gtest.h>

namespace {

using Code = CInstallStatusView::Code;

// A unit that answered with everything fine.
SFleetUnitHealth Healthy()
{
    SFleetUnitHealth h;
    h.reachable = true;
    h.serial = QStringLiteral("QSIMF00004");
    h.activeFirmware = QStringLiteral("QOR0300.bin");
    h.inactiveFirmware = QStringLiteral("QOR0290.bin");
    h.selfTest = QStringLiteral("OK");
    h.selfTestCode = Code::Ok;
    h.selfTestOk = true;
    h.gpsFix = QStringLiteral("OK  (Locked)");
    h.gpsFixCode = Code::OkLocked;
    h.clockState = QStringLiteral("PLL Locked");
    h.clockStateCode = Code::PllLocked;
    h.verdict = QStringLiteral("Good");
    h.verdictCode = 0;
    h.latitude = QStringLiteral("N 59°19'45.660\"");
    h.longitude = QStringLiteral("E 018°04'06.960\"");
    return h;
}

SFleetUnitHealth Unreachable(const char* why)
{
    SFleetUnitHealth h;
    h.error = QString::fromLatin1(why);
    return h;
}

const QColor kGood(0, 160, 32);
const QColor kWarning(160, 32, 0);
const QColor kCaution(255, 215, 0);

class FleetOverviewModelTest : public testing::Test {
protected:
    void List(std::initializer_list<const char*> names)
    {
        nodes.clear();
        for (const char* name : names)
            nodes.push_back(RksNode{name, kRksRemoteUnitKind,
                                    std::string("WP=SOCKET,HOST=10.0.0.") + std::to_string(nodes.size() + 1)
                                        + ",PORT=7000,WP=NEQ1,ADDR=131"});
        std::vector<const RksNode*> units;
        for (const RksNode& node : nodes)
            units.push_back(&node);
        model.SetUnits(units);
    }
    QVariant At(int row, int column, int role = Qt::DisplayRole) const
    {
        return model.data(model.index(row, column), role);
    }
    QString Text(int row, int column) const { return At(row, column).toString(); }
    QStringList Names() const
    {
        QStringList names;
        for (int row = 0; row < model.rowCount(); ++row)
            names << Text(row, CFleetOverviewModel::NameColumn);
        return names;
    }

    std::vector<RksNode> nodes;
    CFleetOverviewModel model;
};

} // namespace

TEST(FleetHealth, EachUnitIsSummedUpByItsWorstCondition)
{
    EXPECT_EQ(FleetHealthOf(Healthy()), EFleetHealth::Ok);
    EXPECT_EQ(FleetHealthOf(Unreachable("no answer")), EFleetHealth::Unreachable);

    // A failed self-test, or one not reported at all, is a fault whatever else holds.
    SFleetUnitHealth failed = Healthy();
    failed.selfTestCode = Code::NotOk;
    failed.selfTestOk = false;
    EXPECT_EQ(FleetHealthOf(failed), EFleetHealth::Fault);
    SFleetUnitHealth unknown = Healthy();
    unknown.selfTestCode = Code::Unset;
    unknown.selfTestOk = false;
    unknown.error = QStringLiteral("no answer");
    EXPECT_EQ(FleetHealthOf(unknown), EFleetHealth::Fault);

    // What the status windows draw in their warning or caution colour is a warning.
    const auto with = [](auto change) {
        SFleetUnitHealth h = Healthy();
        change(h);
        return FleetHealthOf(h);
    };
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.gpsFixCode = Code::NotOk; }), EFleetHealth::Warning);
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.clockStateCode = Code::FreeRunning; }), EFleetHealth::Warning);
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.clockStateCode = Code::Unknown; }), EFleetHealth::Warning);
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.verdictCode = 1; }), EFleetHealth::Warning);
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.verdictCode = 2; }), EFleetHealth::Warning);
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.error = QStringLiteral("firmware names not understood"); }),
              EFleetHealth::Warning);
    // Neutral states (surveying, a verdict still initialising, a "?") are no warning.
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.gpsFixCode = Code::OkSurvey; }), EFleetHealth::Ok);
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.verdictCode = 255; }), EFleetHealth::Ok);
    EXPECT_EQ(with([](SFleetUnitHealth& h) { h.clockStateCode = Code::Unset; }), EFleetHealth::Ok);

    EXPECT_EQ(FleetHealthColour(EFleetHealth::Unreachable), kWarning);
    EXPECT_EQ(FleetHealthColour(EFleetHealth::Fault), kWarning);
    EXPECT_EQ(FleetHealthColour(EFleetHealth::Warning), kCaution);
    EXPECT_EQ(FleetHealthColour(EFleetHealth::Ok), kGood);
    EXPECT_FALSE(FleetHealthColour(EFleetHealth::NotRead).isValid());
}

TEST_F(FleetOverviewModelTest, RowsShowTheDirectoryUntilReadThenTheUnitsTextsAndColours)
{
    List({"QORA-1", "QORA-2", "QORA-3"});
    ASSERT_EQ(model.rowCount(), 3);
    ASSERT_EQ(model.columnCount(), 14);
    EXPECT_EQ(model.headerData(CFleetOverviewModel::SerialColumn, Qt::Horizontal).toString(),
              QStringLiteral("Serial Number"));
    EXPECT_EQ(model.headerData(CFleetOverviewModel::ActiveFirmwareColumn, Qt::Horizontal).toString(),
              QStringLiteral("Active Firmware"));

    // Not read: name and connection only, no colour.
    EXPECT_EQ(Text(1, CFleetOverviewModel::HealthColumn), QStringLiteral("Not read"));
    EXPECT_EQ(Text(1, CFleetOverviewModel::ConnectionColumn),
              QStringLiteral("WP=SOCKET,HOST=10.0.0.2,PORT=7000,WP=NEQ1,ADDR=131"));
    EXPECT_EQ(Text(1, CFleetOverviewModel::ReachableColumn), QString());
    EXPECT_FALSE(At(1, CFleetOverviewModel::HealthColumn, Qt::BackgroundRole).isValid());
    EXPECT_EQ(model.ReadCount(), 0u);

    SFleetUnitHealth failed = Healthy();
    failed.selfTest = QStringLiteral("Not OK");
    failed.selfTestCode = Code::NotOk;
    failed.selfTestOk = false;
    failed.clockState = QStringLiteral("Free Running");
    failed.clockStateCode = Code::FreeRunning;
    model.SetHealth(0, failed);
    model.SetHealth(1, Unreachable("gateway 127.0.0.1:1 answered result 2 (unit did not answer)"));
    model.SetHealth(2, Healthy());
    model.SetHealth(7, Healthy()); // no such unit: nothing happens
    EXPECT_EQ(model.ReadCount(), 3u);

    EXPECT_EQ(Text(0, CFleetOverviewModel::HealthColumn), QStringLiteral("Fault"));
    EXPECT_EQ(At(0, CFleetOverviewModel::HealthColumn, Qt::BackgroundRole).value<QColor>(), kWarning);
    EXPECT_EQ(Text(0, CFleetOverviewModel::SelfTestColumn), QStringLiteral("Not OK"));
    EXPECT_EQ(At(0, CFleetOverviewModel::SelfTestColumn, Qt::ForegroundRole).value<QColor>(), kWarning);
    EXPECT_EQ(At(0, CFleetOverviewModel::ClockStateColumn, Qt::BackgroundRole).value<QColor>(), kCaution);
    EXPECT_EQ(At(0, CFleetOverviewModel::ClockStateColumn, Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));
    EXPECT_FALSE(At(0, CFleetOverviewModel::SelfTestColumn, Qt::BackgroundRole).isValid());
    EXPECT_EQ(At(0, CFleetOverviewModel::VerdictColumn, Qt::ForegroundRole).value<QColor>(), kGood);
    EXPECT_FALSE(At(0, CFleetOverviewModel::SerialColumn, Qt::ForegroundRole).isValid());
    // The reasons are one glance away.
    const QString why = At(0, CFleetOverviewModel::HealthColumn, Qt::ToolTipRole).toString();
    EXPECT_TRUE(why.contains(QStringLiteral("Self-tests: Not OK"))) << why.toStdString();
    EXPECT_TRUE(why.contains(QStringLiteral("Clock state: Free Running"))) << why.toStdString();

    EXPECT_EQ(Text(1, CFleetOverviewModel::HealthColumn), QStringLiteral("Unreachable"));
    EXPECT_EQ(Text(1, CFleetOverviewModel::ReachableColumn), QStringLiteral("No"));
    EXPECT_EQ(Text(1, CFleetOverviewModel::ErrorColumn),
              QStringLiteral("gateway 127.0.0.1:1 answered result 2 (unit did not answer)"));
    EXPECT_EQ(Text(1, CFleetOverviewModel::SelfTestColumn), QString());
    EXPECT_FALSE(At(1, CFleetOverviewModel::SelfTestColumn, Qt::ForegroundRole).isValid());

    EXPECT_EQ(Text(2, CFleetOverviewModel::HealthColumn), QStringLiteral("OK"));
    EXPECT_EQ(At(2, CFleetOverviewModel::HealthColumn, Qt::BackgroundRole).value<QColor>(), kGood);
    EXPECT_EQ(Text(2, CFleetOverviewModel::ReachableColumn), QStringLiteral("Yes"));
    EXPECT_EQ(Text(2, CFleetOverviewModel::GpsFixColumn), QStringLiteral("OK  (Locked)"));
    EXPECT_EQ(Text(2, CFleetOverviewModel::LatitudeColumn), QStringLiteral("N 59°19'45.660\""));

    // A new directory starts over.
    List({"QORA-9"});
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(Text(0, CFleetOverviewModel::HealthColumn), QStringLiteral("Not read"));
}

TEST_F(FleetOverviewModelTest, SortingPutsTroubleFirstCountsNamesAndKeepsUnitsApart)
{
    List({"QORA-10", "QORA-9", "qora-2", "QORA-1"});
    model.SetHealth(0, Healthy());
    model.SetHealth(1, Unreachable("no answer"));
    SFleetUnitHealth warning = Healthy();
    warning.gpsFixCode = Code::NotOk;
    model.SetHealth(2, warning);
    const QPersistentModelIndex selected = model.index(0, CFleetOverviewModel::NameColumn); // QORA-10

    model.sort(CFleetOverviewModel::HealthColumn, Qt::AscendingOrder);
    EXPECT_EQ(Names(), (QStringList{"QORA-9", "qora-2", "QORA-10", "QORA-1"}));
    EXPECT_EQ(model.HealthAt(0), EFleetHealth::Unreachable);
    EXPECT_EQ(model.HealthAt(3), EFleetHealth::NotRead);
    EXPECT_EQ(selected.row(), 2) << "a selection stays on its unit";

    // Names as people count them, whatever their case.
    model.sort(CFleetOverviewModel::NameColumn, Qt::AscendingOrder);
    EXPECT_EQ(Names(), (QStringList{"QORA-1", "qora-2", "QORA-9", "QORA-10"}));
    model.sort(CFleetOverviewModel::NameColumn, Qt::DescendingOrder);
    EXPECT_EQ(Names(), (QStringList{"QORA-10", "QORA-9", "qora-2", "QORA-1"}));

    // Empty cells (units not read, or without a serial number) go last both ways.
    model.sort(CFleetOverviewModel::SerialColumn, Qt::DescendingOrder);
    EXPECT_EQ(model.HealthAt(0), EFleetHealth::Ok);
    EXPECT_EQ(model.HealthAt(1), EFleetHealth::Warning);

    // A unit read after sorting lands in its own row, found by its directory place.
    model.sort(CFleetOverviewModel::NameColumn, Qt::AscendingOrder);
    SFleetUnitHealth failed = Healthy();
    failed.selfTestOk = false;
    failed.selfTestCode = Code::NotOk;
    model.SetHealth(3, failed);
    EXPECT_EQ(model.UnitName(0), QStringLiteral("QORA-1"));
    EXPECT_EQ(model.HealthAt(0), EFleetHealth::Fault);
    EXPECT_EQ(model.UnitConnection(0), QStringLiteral("WP=SOCKET,HOST=10.0.0.4,PORT=7000,WP=NEQ1,ADDR=131"));
    // The sweep still gets the connections in directory order.
    EXPECT_EQ(model.Connections().front(), "WP=SOCKET,HOST=10.0.0.1,PORT=7000,WP=NEQ1,ADDR=131");
    EXPECT_EQ(model.UnitName(9), QString());
}

TEST_F(FleetOverviewModelTest, SummaryCountsWhatWasReadAndWhatIsLeft)
{
    List({"A", "B", "C"});
    EXPECT_EQ(model.Summary(), QStringLiteral("3 units, not read yet"));
    SFleetUnitHealth failed = Healthy();
    failed.selfTestOk = false;
    model.SetHealth(0, failed);
    model.SetHealth(1, Unreachable("no answer"));
    EXPECT_EQ(model.Summary(),
              QStringLiteral("2 units: 1 reachable, 1 unreachable, 1 not reporting self-test OK (1 of 3 units not read)"));
    model.SetHealth(2, Healthy());
    EXPECT_EQ(model.Summary(), QStringLiteral("3 units: 2 reachable, 1 unreachable, 1 not reporting self-test OK"));
}

TEST(FleetUnits, OnlyUnitNodesOfEveryGroupInBrowserOrder)
{
    RksNodeGroup root;
    root.nodes.push_back({"gateway", 2, "WP=SOCKET,HOST=1,ADDR=1"});
    RksNodeGroup north{"North", {}, {{"N-1", kRksRemoteUnitKind, "ADDR=131"}}};
    north.groups.push_back(RksNodeGroup{"Site", {}, {{"N-2", kRksRemoteUnitKind, "ADDR=132"}}});
    root.groups.push_back(north);
    root.groups.push_back(RksNodeGroup{"South", {}, {{"S-1", kRksRemoteUnitKind, "ADDR=133"}}});
    std::vector<std::string> names;
    for (const RksNode* node : FleetUnitsOf(root))
        names.push_back(node->name);
    EXPECT_EQ(names, (std::vector<std::string>{"N-1", "N-2", "S-1"}));
}

TEST(FleetFirmware, OlderOnlyWithinOneFamilyByItsNumbers)
{
    const struct {
        const char* name;
        const char* than;
        bool older;
    } cases[] = {
        {"QOR0290.bin", "QOR0300.bin", true},
        {"QOR0300.bin", "QOR0290.bin", false},
        {"QOR0300.bin", "QOR0300.bin", false},
        {"qor0290.BIN", "QOR0300.bin", true},   // case does not make another family
        {"QOR_2.9.1.bin", "QOR_2.10.0.bin", true}, // numbers by value, not as text
        {"QOR_2.10.0.bin", "QOR_2.9.1.bin", false},
        {"QOR0290.bin", "QORB0300.bin", false}, // another family: not compared
        {"QOR0290.bin", "QOR0300", false},
        {"", "QOR0300.bin", false},
        {"QOR0290.bin", "", false},
        {"QOR99999999999999999999.bin", "QOR100000000000000000000.bin", true}, // beyond 64 bits
    };
    for (const auto& c : cases)
        EXPECT_EQ(FirmwareOlder(QString::fromLatin1(c.name), QString::fromLatin1(c.than)), c.older)
            << c.name << " than " << c.than;
}

TEST_F(FleetOverviewModelTest, OlderFirmwareThanTheNewestReadOrTheExpectedIsAmber)
{
    List({"A", "B", "C", "D"});
    const auto on = [](const char* firmware) {
        SFleetUnitHealth h = Healthy();
        h.activeFirmware = QString::fromLatin1(firmware);
        return h;
    };
    model.SetHealth(0, on("QOR0290.bin"));
    EXPECT_EQ(model.HealthAt(0), EFleetHealth::Ok) << "nothing newer read yet";
    model.SetHealth(1, on("QOR0300.bin"));
    // The newer release read later turns the first unit amber.
    EXPECT_EQ(model.HealthAt(0), EFleetHealth::OldFirmware);
    EXPECT_EQ(Text(0, CFleetOverviewModel::HealthColumn), QStringLiteral("Old firmware"));
    EXPECT_EQ(At(0, CFleetOverviewModel::HealthColumn, Qt::BackgroundRole).value<QColor>(), kCaution);
    EXPECT_EQ(At(0, CFleetOverviewModel::ActiveFirmwareColumn, Qt::BackgroundRole).value<QColor>(), kCaution);
    EXPECT_EQ(At(0, CFleetOverviewModel::ActiveFirmwareColumn, Qt::ToolTipRole).toString(),
              QStringLiteral("Older than QOR0300.bin, the newest firmware read"));
    EXPECT_EQ(model.HealthAt(1), EFleetHealth::Ok);
    // A worse condition stays what the health says; the firmware cell still shows its age.
    SFleetUnitHealth warning = on("QOR0280.bin");
    warning.gpsFixCode = Code::NotOk;
    model.SetHealth(2, warning);
    EXPECT_EQ(model.HealthAt(2), EFleetHealth::Warning);
    EXPECT_EQ(At(2, CFleetOverviewModel::ActiveFirmwareColumn, Qt::BackgroundRole).value<QColor>(), kCaution);
    // An unreachable unit has no firmware to compare.
    model.SetHealth(3, Unreachable("no answer"));
    EXPECT_EQ(model.HealthAt(3), EFleetHealth::Unreachable);
    // Sorted by health, old firmware comes after the warnings and before OK.
    model.sort(CFleetOverviewModel::HealthColumn, Qt::AscendingOrder);
    EXPECT_EQ(Names(), (QStringList{"D", "C", "A", "B"}));

    // The unit holding the newest release is read again on an older one: the
    // reference falls back to what the others run.
    model.SetHealth(1, on("QOR0290.bin"));
    EXPECT_EQ(model.ReferenceFirmware(), QStringLiteral("QOR0290.bin"));
    EXPECT_EQ(model.HealthAt(model.rowCount() - 1), EFleetHealth::Ok);

    // An expected release set by the user is the reference instead.
    model.SetExpectedFirmware(QStringLiteral(" QOR0310.bin "));
    EXPECT_EQ(model.ReferenceFirmware(), QStringLiteral("QOR0310.bin"));
    for (int row = 0; row < model.rowCount(); ++row)
        EXPECT_NE(model.HealthAt(row), EFleetHealth::Ok) << row;
    EXPECT_TRUE(At(2, CFleetOverviewModel::HealthColumn, Qt::ToolTipRole)
                    .toString()
                    .contains(QStringLiteral("older than QOR0310.bin, the expected firmware")));
    model.SetExpectedFirmware(QString());
    EXPECT_EQ(model.ReferenceFirmware(), QStringLiteral("QOR0290.bin"));
}

TEST_F(FleetOverviewModelTest, ARefreshKeepsEachRowUntilItsUnitIsReadAgainAndSaysSo)
{
    List({"A", "B", "C"});
    model.SetHealth(0, Healthy(), 1'700'000'000'000); // 22:13:20 UTC
    model.SetHealth(1, Unreachable("no answer"), 1'700'000'000'000);
    EXPECT_EQ(model.Summary(), QStringLiteral("2 units: 1 reachable, 1 unreachable, 0 not reporting self-test OK "
                                              "(1 of 3 units not read)"));

    // The directory read again for the next refresh: what was read stays, marked.
    List({"A", "B", "C"});
    EXPECT_EQ(model.ReadCount(), 0u);
    EXPECT_EQ(model.EarlierCount(), 2u);
    EXPECT_EQ(Text(0, CFleetOverviewModel::HealthColumn), QStringLiteral("OK"));
    EXPECT_EQ(Text(1, CFleetOverviewModel::ErrorColumn), QStringLiteral("no answer"));
    EXPECT_EQ(model.UnitError(1), QStringLiteral("no answer"));
    EXPECT_TRUE(model.IsFromEarlierRefresh(0));
    EXPECT_TRUE(At(0, CFleetOverviewModel::NameColumn, Qt::FontRole).value<QFont>().italic());
    EXPECT_EQ(At(0, CFleetOverviewModel::SerialColumn, Qt::ForegroundRole).value<QColor>(), QColor(Qt::darkGray));
    EXPECT_TRUE(At(0, CFleetOverviewModel::HealthColumn, Qt::ToolTipRole)
                    .toString()
                    .startsWith(QStringLiteral("As read at 22:13:20 UTC, by an earlier refresh")));
    EXPECT_EQ(model.Summary(), QStringLiteral("2 units: 1 reachable, 1 unreachable, 0 not reporting self-test OK "
                                              "(1 of 3 units not read; 2 of 3 units as an earlier refresh read them)"));

    // Read again: the row is this refresh's, and counts as read.
    model.SetHealth(1, Healthy(), 1'700'000'060'000);
    EXPECT_EQ(model.ReadCount(), 1u);
    EXPECT_FALSE(model.IsFromEarlierRefresh(1));
    EXPECT_FALSE(At(1, CFleetOverviewModel::NameColumn, Qt::FontRole).isValid());
    EXPECT_EQ(model.HealthAt(1), EFleetHealth::Ok);
    EXPECT_TRUE(model.Summary().endsWith(QStringLiteral("(1 of 3 units not read; 1 of 3 units as an earlier refresh read it)")));

    // A unit that left the directory takes its values with it; a renamed one starts unread.
    List({"A", "B2"});
    EXPECT_EQ(model.HealthAt(1), EFleetHealth::NotRead);
    EXPECT_EQ(model.EarlierCount(), 1u);
    EXPECT_EQ(model.ReadRows().size(), 1u);
}

TEST_F(FleetOverviewModelTest, OneUnitIsCountedInTheSingular)
{
    List({"A"});
    EXPECT_EQ(model.Summary(), QStringLiteral("1 unit, not read yet"));
    model.SetHealth(0, Healthy());
    EXPECT_EQ(model.Summary(), QStringLiteral("1 unit: 1 reachable, 0 unreachable, 0 not reporting self-test OK"));
    List({"A", "B"});
    EXPECT_TRUE(model.Summary().endsWith(QStringLiteral("(1 of 2 units not read; 1 of 2 units as an earlier refresh read it)")))
        << model.Summary().toStdString();
}
