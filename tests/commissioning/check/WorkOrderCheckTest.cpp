// One unit of a work order checked as the wizard would check it: each rule
// with a value just inside and just outside its bounds, each value the pages
// replace without a word, the gateway that is the unit itself, the missing
// parameters, and the one-line form of what is found.

#include "commissioning/WorkOrderReader.h"
#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/WorkOrderCheck.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using Changes = std::map<std::string, std::optional<std::string>>; // nothing: the parameter is left out

const std::vector<std::pair<std::string, std::string>> kGoodUnit{
    {"qorName", "Site QORA"},
    {"qorType", "QORA-2"},
    {"qorQ1Address", "140"},
    {"qorQ1Speed", "8"},
    {"qorGPSAntennaLatitudeLocation", "605000000"},
    {"qorGPSAntennaLongitudeLocation", "-2500000"},
    {"qorGPSAntennaAltitude", "1000"},
    {"qorBtsGpsDelay", "120"},
    {"qorBtsFrDelay", "300"},
    {"qorGPSMode", "Survey"},
    {"qorQ1Relay", "NO"},
    {"qorQ1IP", "192.168.1.10"},
    {"qorQ1GW", "192.168.1.1"},
    {"qorQ1Mask", "255.255.255.0"},
};

QByteArray UnitXml(const Changes& changes)
{
    std::string xml = "<raml><cmData><managedObject class=\"QOR\" distName=\"BSC-1/QOR-1\">";
    for (const auto& [name, good] : kGoodUnit) {
        std::optional<std::string> value = good;
        if (const auto changed = changes.find(name); changed != changes.end())
            value = changed->second;
        if (value)
            xml += "<p name=\"" + name + "\">" + *value + "</p>";
    }
    xml += "</managedObject></cmData></raml>";
    return QByteArray::fromStdString(xml);
}

QList<SWorkOrderProblem> Check(const Changes& changes)
{
    CWorkOrder workOrder;
    const auto loaded = workOrder.LoadFromBytes(UnitXml(changes));
    EXPECT_TRUE(loaded);
    return CheckWorkOrderUnit(workOrder);
}

std::vector<std::string> Lines(const Changes& changes)
{
    std::vector<std::string> lines;
    for (const SWorkOrderProblem& problem : Check(changes))
        lines.push_back(problem.Line().toStdString());
    return lines;
}

using LineList = std::vector<std::string>;

struct Row {
    Changes changes;
    LineList lines; // empty: the unit passes
};

void ExpectRows(const std::vector<Row>& rows)
{
    for (const Row& row : rows) {
        std::string trace;
        for (const auto& [name, value] : row.changes)
            trace += name + "=" + (value ? *value : "<none>") + " ";
        SCOPED_TRACE(trace);
        EXPECT_EQ(Lines(row.changes), row.lines);
    }
}

TEST(WorkOrderCheck, AUnitTheWizardTakesAsWrittenPasses)
{
    EXPECT_TRUE(Check({}).isEmpty());
    // Blanks around the values, as pretty-printed files have them, change nothing.
    EXPECT_TRUE(Check({{"qorQ1Address", "\n  140\n"}, {"qorQ1IP", " 192.168.1.10 "}}).isEmpty());
}

TEST(WorkOrderCheck, Q1AddressAndSpeed)
{
    ExpectRows({
        {{{"qorQ1Address", "4095"}}, {}},
        {{{"qorQ1Address", "0"}}, {}},
        {{{"qorQ1Address", "4096"}},
         {R"(qorQ1Address 4096: "Enter an integer between 0 and 4095.")",
          "qorQ1Address 4096: replaced: the wizard would use 131 instead"}},
        {{{"qorQ1Address", "-1"}},
         {R"(qorQ1Address -1: "Enter an integer between 0 and 4095.")",
          "qorQ1Address -1: replaced: the wizard would use 131 instead"}},
        {{{"qorQ1Speed", "3"}}, {}},
        {{{"qorQ1Speed", "11"}}, {}},
        // 230500 is in the list, but a work order cannot choose it.
        {{{"qorQ1Speed", "12"}}, {"qorQ1Speed 12: replaced: the wizard would use 7 (9600) instead"}},
        {{{"qorQ1Speed", "2"}}, {"qorQ1Speed 2: replaced: the wizard would use 7 (9600) instead"}},
    });
}

TEST(WorkOrderCheck, AddressClass)
{
    const std::string ranges = R"("Valid ranges for IP Address are :\n\ni) 192.168.0.0 - 192.168.255.255\n)"
                               R"(ii) 172.16.0.0 - 172.31.255.255\niii) 10.0.0.0 - 10.255.255.255")";
    ExpectRows({
        {{{"qorQ1IP", "172.31.0.5"}, {"qorQ1Mask", "255.255.0.0"}, {"qorQ1GW", "172.31.0.1"}}, {}},
        {{{"qorQ1IP", "172.16.0.5"}, {"qorQ1Mask", "255.255.0.0"}, {"qorQ1GW", "172.16.0.1"}}, {}},
        {{{"qorQ1IP", "172.32.0.5"}, {"qorQ1Mask", "255.255.0.0"}, {"qorQ1GW", "172.32.0.1"}},
         {"qorQ1IP 172.32.0.5: " + ranges}},
        {{{"qorQ1IP", "172.15.0.5"}, {"qorQ1Mask", "255.255.0.0"}, {"qorQ1GW", "172.15.0.1"}},
         {"qorQ1IP 172.15.0.5: " + ranges}},
        {{{"qorQ1IP", "192.169.1.10"}, {"qorQ1GW", "192.169.1.1"}}, {"qorQ1IP 192.169.1.10: " + ranges}},
        {{{"qorQ1IP", "11.0.0.5"}, {"qorQ1Mask", "255.0.0.0"}, {"qorQ1GW", "11.0.0.1"}},
         {"qorQ1IP 11.0.0.5: " + ranges}},
        {{{"qorQ1IP", "10.255.255.254"}, {"qorQ1Mask", "255.0.0.0"}, {"qorQ1GW", "10.0.0.1"}}, {}},
    });
}

TEST(WorkOrderCheck, SubnetMaskForTheClass)
{
    const std::string refused = R"(: "Invalid Subnet Mask for the given IP address")";
    ExpectRows({
        // 10.x: prefixes 8 to 30
        {{{"qorQ1IP", "10.1.1.5"}, {"qorQ1Mask", "255.0.0.0"}, {"qorQ1GW", "10.1.1.1"}}, {}},
        {{{"qorQ1IP", "10.1.1.5"}, {"qorQ1Mask", "254.0.0.0"}, {"qorQ1GW", "10.1.1.1"}},
         {"qorQ1Mask 254.0.0.0" + refused}},
        {{{"qorQ1IP", "10.1.1.5"}, {"qorQ1Mask", "255.128.0.0"}, {"qorQ1GW", "10.1.1.1"}}, {}},
        // 172.16-31.x: 12 to 30
        {{{"qorQ1IP", "172.20.1.5"}, {"qorQ1Mask", "255.240.0.0"}, {"qorQ1GW", "172.20.1.1"}}, {}},
        {{{"qorQ1IP", "172.20.1.5"}, {"qorQ1Mask", "255.224.0.0"}, {"qorQ1GW", "172.20.1.1"}},
         {"qorQ1Mask 255.224.0.0" + refused}},
        {{{"qorQ1IP", "172.20.1.5"}, {"qorQ1Mask", "255.128.0.0"}, {"qorQ1GW", "172.20.1.1"}},
         {"qorQ1Mask 255.128.0.0" + refused}},
        // 192.168.x: 16 to 30
        {{{"qorQ1Mask", "255.255.0.0"}}, {}},
        {{{"qorQ1Mask", "255.254.0.0"}}, {"qorQ1Mask 255.254.0.0" + refused}},
        {{{"qorQ1Mask", "255.255.255.252"}, {"qorQ1GW", "192.168.1.9"}}, {}},
        {{{"qorQ1Mask", "255.255.255.254"}}, {"qorQ1Mask 255.255.255.254" + refused}},
        {{{"qorQ1Mask", "255.255.255.255"}}, {"qorQ1Mask 255.255.255.255" + refused}},
        {{{"qorQ1Mask", "255.255.0.255"}}, {"qorQ1Mask 255.255.0.255" + refused}},
    });
}

TEST(WorkOrderCheck, HostAndGateway)
{
    const std::string host = R"("Invalid IP Address for the given Subnet Mask")";
    const std::string gateway = R"("Invalid GW Address for the given Subnet Mask")";
    ExpectRows({
        {{{"qorQ1IP", "10.0.0.0"}, {"qorQ1Mask", "255.0.0.0"}, {"qorQ1GW", "10.0.0.1"}}, {"qorQ1IP 10.0.0.0: " + host}},
        {{{"qorQ1IP", "10.0.0.1"}, {"qorQ1Mask", "255.0.0.0"}, {"qorQ1GW", "10.0.0.2"}}, {}},
        {{{"qorQ1IP", "192.168.1.11"}, {"qorQ1Mask", "255.255.255.252"}, {"qorQ1GW", "192.168.1.9"}},
         {"qorQ1IP 192.168.1.11: " + host}},
        {{{"qorQ1IP", "192.168.1.10"}, {"qorQ1Mask", "255.255.255.252"}, {"qorQ1GW", "192.168.1.9"}}, {}},
        {{{"qorQ1GW", "192.168.2.1"}},
         {R"(qorQ1GW 192.168.2.1: "Valid range IP GW Address is : 192.168.1.0 - 192.168.1.255")"}},
        {{{"qorQ1GW", "192.168.1.255"}}, {"qorQ1GW 192.168.1.255: " + gateway}},
        {{{"qorQ1GW", "192.168.1.0"}}, {"qorQ1GW 192.168.1.0: " + gateway}},
        {{{"qorQ1GW", "192.168.1.254"}}, {}},
        // A host and a gateway problem are both told.
        {{{"qorQ1IP", "192.168.1.255"}, {"qorQ1GW", "192.168.3.1"}},
         {"qorQ1IP 192.168.1.255: " + host,
          R"(qorQ1GW 192.168.3.1: "Valid range IP GW Address is : 192.168.1.0 - 192.168.1.255")"}},
    });
}

TEST(WorkOrderCheck, AGatewayThatIsTheUnitItselfIsAWarningThatFailsTheUnit)
{
    const QList<SWorkOrderProblem> problems = Check({{"qorQ1GW", "192.168.1.10"}});
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0].kind, SWorkOrderProblem::Kind::Warning);
    EXPECT_EQ(problems[0].parameter, QStringLiteral("qorQ1GW"));
    EXPECT_TRUE(problems[0].Line().startsWith(QStringLiteral("qorQ1GW 192.168.1.10: warning: ")));
    // Written differently, still the same address.
    EXPECT_EQ(Check({{"qorQ1GW", "192.168.001.010"}}).size(), 1);
}

TEST(WorkOrderCheck, PositionAndAltitudeOutOfRangeAreReplaced)
{
    ExpectRows({
        {{{"qorGPSAntennaLatitudeLocation", "899999999"}}, {}},
        {{{"qorGPSAntennaLatitudeLocation", "-899999999"}}, {}},
        {{{"qorGPSAntennaLatitudeLocation", "900000000"}},
         {"qorGPSAntennaLatitudeLocation 900000000: replaced: the wizard would use 0 degrees instead of 90 degrees"}},
        {{{"qorGPSAntennaLatitudeLocation", "-900000000"}},
         {"qorGPSAntennaLatitudeLocation -900000000: replaced: the wizard would use 0 degrees instead of -90 degrees"}},
        {{{"qorGPSAntennaLatitudeLocation", "950000000"}},
         {"qorGPSAntennaLatitudeLocation 950000000: replaced: the wizard would use 0 degrees instead of 95 degrees"}},
        {{{"qorGPSAntennaLongitudeLocation", "1799999999"}}, {}},
        {{{"qorGPSAntennaLongitudeLocation", "1800000000"}},
         {"qorGPSAntennaLongitudeLocation 1800000000: replaced: the wizard would use 0 degrees instead of 180 "
          "degrees"}},
        {{{"qorGPSAntennaLongitudeLocation", "-1800000000"}},
         {"qorGPSAntennaLongitudeLocation -1800000000: replaced: the wizard would use 0 degrees instead of -180 "
          "degrees"}},
        {{{"qorGPSAntennaAltitude", "65535"}}, {}},
        {{{"qorGPSAntennaAltitude", "0"}}, {}},
        {{{"qorGPSAntennaAltitude", "65536"}}, {"qorGPSAntennaAltitude 65536: replaced: the wizard would use 0 instead"}},
        {{{"qorGPSAntennaAltitude", "-1"}}, {"qorGPSAntennaAltitude -1: replaced: the wizard would use 0 instead"}},
    });
}

TEST(WorkOrderCheck, DelaysOutOfRangeAreRefusedAndReplaced)
{
    ExpectRows({
        {{{"qorBtsGpsDelay", "65535"}}, {}},
        {{{"qorBtsGpsDelay", "0"}}, {}},
        {{{"qorBtsGpsDelay", "65536"}},
         {R"(qorBtsGpsDelay 65536: "Enter an integer between 0 and 65535.")",
          "qorBtsGpsDelay 65536: replaced: the wizard would use 0 instead"}},
        {{{"qorBtsGpsDelay", "-1"}},
         {R"(qorBtsGpsDelay -1: "Enter an integer between 0 and 65535.")",
          "qorBtsGpsDelay -1: replaced: the wizard would use 0 instead"}},
        {{{"qorBtsFrDelay", "4800"}}, {}},
        {{{"qorBtsFrDelay", "4801"}},
         {R"(qorBtsFrDelay 4801: "Enter an integer between 0 and 4800.")",
          "qorBtsFrDelay 4801: replaced: the wizard would use 4800 instead"}},
        {{{"qorBtsFrDelay", "-45"}},
         {R"(qorBtsFrDelay -45: "Enter an integer between 0 and 4800.")",
          "qorBtsFrDelay -45: replaced: the wizard would use 0 instead"}},
    });
}

// A whole-number field written with a fraction is most often in another unit:
// the reader would take 24.93845 as 0.0000024938 degrees without a word.
TEST(WorkOrderCheck, AWholeNumberWrittenWithAFractionIsRefusedNamingTheUnit)
{
    const std::string positions = "refused: not a number as written: positions are whole numbers of 1/10 000 000 degree";
    ExpectRows({
        {{{"qorGPSAntennaLongitudeLocation", "24.93845"}},
         {"qorGPSAntennaLongitudeLocation 24.93845: " + positions + " (24.93845 degrees is written 249384500)"}},
        {{{"qorGPSAntennaLatitudeLocation", "-60.5"}},
         {"qorGPSAntennaLatitudeLocation -60.5: " + positions + " (-60.5 degrees is written -605000000)"}},
        {{{"qorGPSAntennaLatitudeLocation", "605000000.5"}}, {"qorGPSAntennaLatitudeLocation 605000000.5: " + positions}},
        // Whole numbers however written are what the format has.
        {{{"qorGPSAntennaLatitudeLocation", "605000000.0"}}, {}},
        {{{"qorGPSAntennaLongitudeLocation", "-2.5e6"}}, {}},
        {{{"qorGPSAntennaAltitude", "10.5"}},
         {"qorGPSAntennaAltitude 10.5: refused: not a number as written: the altitude is a whole number of "
          "centimetres (10.5 metres is written 1050)"}},
        {{{"qorBtsFrDelay", "300.5"}},
         {"qorBtsFrDelay 300.5: refused: not a number as written: the delay is a whole number of nanoseconds"}},
        {{{"qorQ1Speed", "8.5"}},
         {"qorQ1Speed 8.5: refused: not a number as written: the speed is a whole-number code, 3 to 11"}},
    });
    // The window's box shows the reason without the prefix.
    const QList<SWorkOrderProblem> problems = Check({{"qorGPSAntennaLongitudeLocation", "24.93845"}});
    ASSERT_EQ(problems.size(), 1);
    EXPECT_EQ(problems[0].kind, SWorkOrderProblem::Kind::NotAsWritten);
    EXPECT_TRUE(problems[0].Text().startsWith(QStringLiteral("qorGPSAntennaLongitudeLocation 24.93845: not a number")));
}

TEST(WorkOrderCheck, APositionAtZeroNorthZeroEastIsAWarning)
{
    const auto warned = [](const std::string& latitude, const std::string& longitude) {
        const QList<SWorkOrderProblem> problems =
            Check({{"qorGPSAntennaLatitudeLocation", latitude}, {"qorGPSAntennaLongitudeLocation", longitude}});
        return problems.size() == 1 && problems[0].kind == SWorkOrderProblem::Kind::Warning
            && problems[0].parameter == QStringLiteral("qorGPSAntennaLatitudeLocation");
    };
    EXPECT_TRUE(warned("0", "0"));
    EXPECT_TRUE(warned("60", "25")); // whole degrees where the format wants 1/10 000 000
    EXPECT_TRUE(warned("100000", "-100000"));
    EXPECT_FALSE(warned("100001", "0"));
    EXPECT_FALSE(warned("0", "-100001"));
    EXPECT_TRUE(Check({{"qorGPSAntennaLatitudeLocation", "0"}, {"qorGPSAntennaLongitudeLocation", "249384500"}})
                    .isEmpty());
    // Told once: a position already refused is not warned about as well.
    EXPECT_EQ(Check({{"qorGPSAntennaLatitudeLocation", "60.17"}, {"qorGPSAntennaLongitudeLocation", "24.93845"}}).size(),
              2);
}

// commission stops for what check fails; --accept-replaced takes only what
// the wizard itself replaces, and a wizard without the Q1 page never uses the
// addresses.
TEST(WorkOrderCheck, ACommissioningStopsForWhatTheCheckFails)
{
    using Use = EProblemUse;
    const struct {
        Changes changes;
        std::vector<Use> plain, accepting, remote; // per problem, in the check's order
    } rows[] = {
        {{{"qorQ1GW", "192.168.1.10"}}, {Use::Stops}, {Use::Stops}, {Use::NotUsed}},
        {{{"qorGPSAntennaLongitudeLocation", "24.93845"}}, {Use::Stops}, {Use::Stops}, {Use::Stops}},
        {{{"qorBtsFrDelay", "5000"}}, {Use::Stops, Use::Stops}, {Use::Replaced, Use::Replaced}, {Use::Stops, Use::Stops}},
        {{{"qorGPSAntennaLatitudeLocation", "0"}, {"qorGPSAntennaLongitudeLocation", "0"}},
         {Use::Stops}, {Use::Stops}, {Use::Stops}},
        // The gateway is refused because the address was replaced: a page
        // would still refuse it.
        {{{"qorQ1IP", "192.168.1.300"}}, {Use::Stops, Use::Stops}, {Use::Replaced, Use::Stops},
         {Use::NotUsed, Use::NotUsed}},
        {{{"qorQ1Mask", std::nullopt}}, {Use::Stops}, {Use::Stops}, {Use::Stops}},
    };
    for (const auto& row : rows) {
        const QList<SWorkOrderProblem> problems = Check(row.changes);
        SCOPED_TRACE(problems.isEmpty() ? std::string() : problems.front().Line().toStdString());
        ASSERT_EQ(problems.size(), qsizetype(row.plain.size()));
        for (qsizetype i = 0; i < problems.size(); ++i) {
            EXPECT_EQ(CommissioningUse(problems[i], problems, false, false), row.plain[std::size_t(i)]) << i;
            EXPECT_EQ(CommissioningUse(problems[i], problems, true, false), row.accepting[std::size_t(i)]) << i;
            EXPECT_EQ(CommissioningUse(problems[i], problems, false, true), row.remote[std::size_t(i)]) << i;
        }
    }
}

TEST(WorkOrderCheck, ModesAndTextsTheWizardDoesNotReadAsWrittenAreReplaced)
{
    ExpectRows({
        {{{"qorGPSMode", "Locked"}}, {}},
        {{{"qorGPSMode", "Undefined"}}, {}},
        {{{"qorGPSMode", "survey"}}, {"qorGPSMode survey: replaced: the wizard would use Undefined instead"}},
        {{{"qorQ1Speed", "7 baud"}}, {R"(qorQ1Speed "7 baud": replaced: not a number as written; the wizard )"
                                      R"(would use 7 (9600) instead)"}},
        {{{"qorQ1Address", "131abc"}},
         {"qorQ1Address 131abc: replaced: not a number as written; the wizard would use 131 instead"}},
        {{{"qorGPSAntennaLatitudeLocation", "north"}},
         {"qorGPSAntennaLatitudeLocation north: replaced: not a number as written; the wizard would use 0 degrees "
          "instead"}},
        {{{"qorGPSAntennaLatitudeLocation", "6.05e8"}}, {}},
        // Octets over 255 and texts that are no address give way to the
        // default address, which is then checked as the page checks it.
        {{{"qorQ1IP", "192.168.1.300"}},
         {"qorQ1IP 192.168.1.300: replaced: the wizard would use 192.168.255.120 instead",
          R"(qorQ1GW 192.168.1.1: "Valid range IP GW Address is : 192.168.255.0 - 192.168.255.255")"}},
        {{{"qorQ1Mask", "255.255.256.0"}}, {"qorQ1Mask 255.255.256.0: replaced: the wizard would use 255.255.255.0 instead"}},
        {{{"qorQ1GW", "192.168.1"}},
         {"qorQ1GW 192.168.1: replaced: the wizard would use 192.168.255.32 instead",
          R"(qorQ1GW 192.168.1: "Valid range IP GW Address is : 192.168.1.0 - 192.168.1.255")"}},
    });
}

TEST(WorkOrderCheck, MissingAndEmptyParametersAreNamed)
{
    ExpectRows({
        {{{"qorQ1Mask", std::nullopt}}, {R"(qorQ1Mask (missing): "Error reading the Work Order file.")"}},
        {{{"qorName", std::nullopt}, {"qorQ1Relay", std::nullopt}},
         {R"(qorName (missing): "Error reading the Work Order file.")",
          R"(qorQ1Relay (missing): "Error reading the Work Order file.")"}},
        {{{"qorQ1Address", ""}},
         {R"(qorQ1Address "": "Enter Q1 Address")",
          R"(qorQ1Address "": replaced: empty; the wizard would use 0 instead)"}},
        {{{"qorBtsGpsDelay", ""}},
         {R"(qorBtsGpsDelay "": "Enter Value for GPS Delay")",
          R"(qorBtsGpsDelay "": replaced: empty; the wizard would use 0 instead)"}},
        {{{"qorBtsFrDelay", " "}},
         {R"(qorBtsFrDelay "": "Enter Value for Frame Delay")",
          R"(qorBtsFrDelay "": replaced: empty; the wizard would use 0 instead)"}},
        {{{"qorGPSAntennaAltitude", ""}},
         {R"(qorGPSAntennaAltitude "": "Enter value for Altitude")",
          R"(qorGPSAntennaAltitude "": replaced: empty; the wizard would use 0 instead)"}},
    });
    // A unit lacking everything is told so once per parameter, and nothing else.
    Changes none;
    for (const auto& [name, value] : kGoodUnit)
        none[name] = std::nullopt;
    const QList<SWorkOrderProblem> problems = Check(none);
    EXPECT_EQ(problems.size(), 14);
    for (const SWorkOrderProblem& problem : problems) {
        EXPECT_EQ(problem.kind, SWorkOrderProblem::Kind::Missing);
        EXPECT_FALSE(problem.value.has_value());
    }
}

TEST(WorkOrderCheck, SeveralProblemsAreToldInThePagesOrder)
{
    EXPECT_EQ(Lines({{"qorQ1Mask", "255.0.0.0"},
                     {"qorQ1Speed", "1"},
                     {"qorType", std::nullopt},
                     {"qorGPSAntennaAltitude", "70000"}}),
              (LineList{R"(qorType (missing): "Error reading the Work Order file.")",
                        "qorGPSAntennaAltitude 70000: replaced: the wizard would use 0 instead",
                        "qorQ1Speed 1: replaced: the wizard would use 7 (9600) instead",
                        R"(qorQ1Mask 255.0.0.0: "Invalid Subnet Mask for the given IP address")"}));
}

TEST(WorkOrderCheck, MessagesKeepTheirLineBreaksForAPersonAndTheirLineForAProgram)
{
    SWorkOrderProblem problem;
    problem.parameter = QStringLiteral("qorName");
    problem.value = QStringLiteral("Espoo \"north\"\nsite");
    problem.message = QStringLiteral("first\nsecond \\ \"third\"");
    EXPECT_EQ(problem.Line().toStdString(), R"(qorName "Espoo \"north\"\nsite": "first\nsecond \\ \"third\"")");
    EXPECT_EQ(problem.Text(), QStringLiteral("qorName \"Espoo \\\"north\\\"\\nsite\": first\nsecond \\ \"third\""));
    // A value that could be taken for "(missing)" is quoted.
    problem.value = QStringLiteral("(missing)");
    EXPECT_TRUE(problem.Line().startsWith(QStringLiteral("qorName \"(missing)\": ")));
}

// The check reads each unit from one reading of the file; the window reads the
// file again and keeps only the chosen unit. Both must find the same values,
// also for units inside units and in namespaces.
TEST(WorkOrderCheck, EachUnitReadsAsTheWindowReadsItWhenChosen)
{
    const QStringList files{
        QStringLiteral(WORKORDER_TESTDATA "/nested_units.xml"),
        QStringLiteral(WORKORDER_TESTDATA "/nested_units_namespaced.xml"),
        QStringLiteral(WORKORDER_TESTDATA "/nested_unit.xml"),
        QStringLiteral(WORKORDER_TESTDATA "/namespace_scopes.xml"),
        QStringLiteral(WORKORDER_TESTDATA "/export_prefixed.xml"),
        QStringLiteral(WORKORDER_TESTDATA "/two_units.xml"),
        QStringLiteral(WORKORDER_SAMPLES "/namespace_default.xml"),
        QStringLiteral(WORKORDER_SAMPLES "/unit_inside_object.xml"),
        QStringLiteral(CHECK_TESTDATA "/several_units.xml"),
        QStringLiteral(CHECK_TESTDATA "/unit_in_unit.xml"),
    };
    for (const QString& file : files) {
        const auto read = ReadWorkOrderFile(file);
        ASSERT_TRUE(read) << file.toStdString();
        for (int index = 0; index < read.Value().Names().size(); ++index) {
            SCOPED_TRACE(file.toStdString() + " unit " + std::to_string(index + 1));
            const CWorkOrder copy = read.Value().CopyUnit(index);
            auto again = ReadWorkOrderFile(file);
            ASSERT_TRUE(again);
            const CWorkOrder chosen = std::move(again.Value()).Choose(index);
            for (const auto& [name, good] : kGoodUnit) {
                QString fromCopy, fromChosen;
                const bool inCopy = copy.FindParameterText(QString::fromStdString(name), fromCopy);
                EXPECT_EQ(inCopy, chosen.FindParameterText(QString::fromStdString(name), fromChosen)) << name;
                EXPECT_EQ(fromCopy, fromChosen) << name;
            }
            QStringList copyLines, chosenLines;
            for (const SWorkOrderProblem& problem : CheckWorkOrderUnit(copy))
                copyLines << problem.Line();
            for (const SWorkOrderProblem& problem : CheckWorkOrderUnit(chosen))
                chosenLines << problem.Line();
            EXPECT_EQ(copyLines, chosenLines);
        }
    }
    // The outer unit does not borrow the mask of the unit inside it.
    const auto read = ReadWorkOrderFile(QStringLiteral(CHECK_TESTDATA "/unit_in_unit.xml"));
    ASSERT_TRUE(read);
    const QList<SWorkOrderProblem> outer = CheckWorkOrderUnit(read.Value().CopyUnit(0));
    ASSERT_EQ(outer.size(), 1);
    EXPECT_EQ(outer[0].Line(), QStringLiteral("qorQ1Mask (missing): \"Error reading the Work Order file.\""));
    EXPECT_TRUE(CheckWorkOrderUnit(read.Value().CopyUnit(1)).isEmpty());
}

TEST(WorkOrderCheck, TheTimeCalculationPageAsksForAnEntryBeforeItChecksARange)
{
    SRfPageValues values;
    auto problem = TakeRfPage({QStringLiteral("70000"), QString(), false}, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->text, QStringLiteral("Enter Value for Frame Delay"));
    problem = TakeRfPage({QStringLiteral("70000"), QStringLiteral("4801"), false}, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->text, QStringLiteral("Enter an integer between 0 and 65535."));
    problem = TakeRfPage({QStringLiteral("1"), QStringLiteral("4801"), false}, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->text, QStringLiteral("Enter an integer between 0 and 4800."));
    EXPECT_FALSE(TakeRfPage({QStringLiteral("65535"), QStringLiteral("4800"), false}, values));
    EXPECT_EQ(values.gpsAntennaDelayNs, 65535);
    EXPECT_EQ(values.frameClockDelayNs, 4800);
}

} // namespace
