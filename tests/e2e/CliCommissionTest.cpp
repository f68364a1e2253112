// qora-cli commission: the pages' checks without a unit, and the whole run
// against the simulated unit.

#include "cli/CliPrompts.h"
#include "cli/CliSession.h"
#include "cli/CommissionCommand.h"
#include "cli/CommissionPlan.h"
#include "commissioning/wizard/WizardProblem.h"
#include "e2e/CliCommandFixture.h"
#include "support/CliRun.h"
#include "support/SimProcess.h"
#include "support/SimTrace.h"
#include "app/ManagerSettings.h"
#include "cli/ActivateCommand.h"
#include "support/EventLoop.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

using Args = std::vector<std::string>;

struct UnitEntry {
    QString distName = QStringLiteral("SITE/QOR-1");
    QString ip = QStringLiteral("192.168.255.121");
    QString gateway = QStringLiteral("192.168.255.32");
    QString mask = QStringLiteral("255.255.255.0");
    QString speed = QStringLiteral("8");
    QString mode = QStringLiteral("Survey");
    QString q1Address = QStringLiteral("140");
    QString frameDelay = QStringLiteral("4800");
    QString latitude = QStringLiteral("605000000");
};

QString UnitXml(const UnitEntry& u)
{
    return QStringLiteral(R"(<managedObject class="QOR" distName="%1">
  <p name="qorName">Site unit</p><p name="qorType">QORA-2</p>
  <p name="qorQ1Address">%7</p><p name="qorQ1Speed">%5</p>
  <p name="qorGPSAntennaLatitudeLocation">%9</p><p name="qorGPSAntennaLongitudeLocation">-2500000</p>
  <p name="qorGPSAntennaAltitude">1000</p><p name="qorBtsGpsDelay">120</p><p name="qorBtsFrDelay">%8</p>
  <p name="qorGPSMode">%6</p><p name="qorQ1Relay">NO</p>
  <p name="qorQ1IP">%2</p><p name="qorQ1GW">%3</p><p name="qorQ1Mask">%4</p>
</managedObject>)")
        .arg(u.distName, u.ip, u.gateway, u.mask, u.speed, u.mode, u.q1Address, u.frameDelay, u.latitude);
}

QString WriteWorkOrder(const QTemporaryDir& dir, const QString& name, const std::vector<UnitEntry>& units)
{
    QString body;
    for (const UnitEntry& unit : units)
        body += UnitXml(unit);
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(("<?xml version=\"1.0\"?><raml><cmData><managedObject class=\"BSC\" distName=\"SITE\">"
                "<p name=\"name\">site</p></managedObject>" +
                body + "</cmData></raml>")
                   .toUtf8());
    return path;
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

WorkOrderValues Values(const UnitEntry& unit)
{
    QTemporaryDir dir;
    std::string error;
    const auto opened = OpenCommissionWorkOrder(WriteWorkOrder(dir, QStringLiteral("w.xml"), {unit}), std::nullopt,
                                                stderr, error);
    return opened && opened->values ? *opened->values : WorkOrderValues{};
}

SCommissionOptions Options()
{
    SCommissionOptions options;
    options.userName = QStringLiteral("Ann");
    options.date = QDate(2009, 3, 7);
    return options;
}

TEST(CliCommissionPlan, PagesTakeTheWorkOrderAsTheWizardDoes)
{
    SCommissionSurroundings local;
    local.settingsIpAddress = QStringLiteral("192.168.255.120");
    UnitEntry entry;
    entry.frameDelay = QStringLiteral("4801");
    const SCommissionPlan plan = PlanCommissioning(Values(entry), Options(), local);
    ASSERT_FALSE(plan.refusal);
    EXPECT_TRUE(plan.notices.isEmpty()) << plan.notices.join(u'|').toStdString();
    const SCommissionValues& v = plan.values;
    // Without advanced features the position is not offered: the controls' zero.
    EXPECT_EQ(v.latitude, 0.0);
    EXPECT_EQ(v.longitude, 0.0);
    EXPECT_EQ(v.altitudeCm, 1000);
    EXPECT_TRUE(v.selfSurvey);
    EXPECT_FALSE(v.positionLocked);
    EXPECT_EQ(v.gpsAntennaDelayNs, 120);
    EXPECT_EQ(v.frameClockDelayNs, 4800); // held at the page's bound
    EXPECT_EQ(v.q1Address, 140);
    EXPECT_EQ(v.q1SpeedCode, 8);
    EXPECT_TRUE(v.q1Relay); // the relay follows the page's default, not the work order
    EXPECT_EQ(v.ipAddress, QStringLiteral("192.168.255.121"));
    EXPECT_EQ(v.gatewayAddress, QStringLiteral("192.168.255.32"));
    EXPECT_EQ(v.subnetMask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(v.userName, QStringLiteral("Ann"));
    EXPECT_EQ(v.year * 10000 + v.month * 100 + v.day, 20090307);

    // With advanced features the position goes through the coordinate
    // controls, and a locked mode brings the page's advice.
    UnitEntry locked;
    locked.mode = QStringLiteral("Locked");
    locked.speed = QStringLiteral("12"); // 230500 is not taken from a work order: 9600
    SCommissionSurroundings advanced = local;
    advanced.advancedMode = true;
    advanced.feet = true; // 1000 cm shown as 32.80 ft and taken back as 999 cm
    const SCommissionPlan lockedPlan = PlanCommissioning(Values(locked), Options(), advanced);
    ASSERT_FALSE(lockedPlan.refusal);
    EXPECT_NEAR(lockedPlan.values.latitude, 60.5, 1e-9);
    EXPECT_NEAR(lockedPlan.values.longitude, -0.25, 1e-9);
    EXPECT_EQ(lockedPlan.values.altitudeCm, 999);
    EXPECT_TRUE(lockedPlan.values.positionLocked);
    EXPECT_FALSE(lockedPlan.values.selfSurvey);
    EXPECT_EQ(lockedPlan.values.q1SpeedCode, 7);
    ASSERT_EQ(lockedPlan.notices.size(), 1);
    EXPECT_EQ(lockedPlan.notices[0], WizardString(WizardStringId::ManualPositionAdvice));
}

TEST(CliCommissionPlan, TheFirstRefusingPageEndsThePlanAndNoticesDoNot)
{
    SCommissionSurroundings local;
    local.settingsIpAddress = QStringLiteral("192.168.255.120");

    UnitEntry badIp;
    badIp.ip = QStringLiteral("172.32.0.5");
    auto plan = PlanCommissioning(Values(badIp), Options(), local);
    ASSERT_TRUE(plan.refusal);
    EXPECT_EQ(plan.refusal->messageId, WizardStringId::IpRanges);

    UnitEntry badMask;
    badMask.mask = QStringLiteral("255.255.255.254");
    plan = PlanCommissioning(Values(badMask), Options(), local);
    ASSERT_TRUE(plan.refusal);
    EXPECT_EQ(plan.refusal->messageId, WizardStringId::InvalidMask);

    UnitEntry badGateway;
    badGateway.gateway = QStringLiteral("192.168.254.1");
    plan = PlanCommissioning(Values(badGateway), Options(), local);
    ASSERT_TRUE(plan.refusal);
    EXPECT_EQ(plan.refusal->messageId, WizardStringId::GatewayRange);

    // Another network than the PC reaches: a notice, and the plan goes on.
    UnitEntry moved;
    moved.ip = QStringLiteral("10.1.1.5");
    moved.mask = QStringLiteral("255.0.0.0");
    moved.gateway = QStringLiteral("10.1.1.1");
    plan = PlanCommissioning(Values(moved), Options(), local);
    EXPECT_FALSE(plan.refusal);
    EXPECT_EQ(plan.notices, QStringList{WizardString(WizardStringId::IpChangeWarning)});
    EXPECT_EQ(plan.values.ipAddress, QStringLiteral("10.1.1.5"));
}

TEST(CliCommissionPlan, UnitChoiceListsSeveralUnitsAndRefusesOneThatIsNotThere)
{
    QTemporaryDir dir;
    UnitEntry second;
    second.distName = QStringLiteral("SITE/QOR-2");
    second.q1Address = QStringLiteral("141");
    const QString path = WriteWorkOrder(dir, QStringLiteral("two.xml"), {UnitEntry{}, second});
    CCliPrompts prompts;

    CapturedOutput listed;
    std::string error;
    auto opened = OpenCommissionWorkOrder(path, std::nullopt, listed.Output().err, error);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->chosen, 0);
    EXPECT_EQ(opened->values->q1Address, 140);
    EXPECT_EQ(listed.Err(), "the work order holds 2 QORA units; taking the first (choose with --unit N):\n"
                            "  1  SITE/QOR-1\n  2  SITE/QOR-2\n");

    CapturedOutput quiet;
    opened = OpenCommissionWorkOrder(path, 2, quiet.Output().err, error);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->values->q1Address, 141);
    EXPECT_EQ(quiet.Err(), "");

    EXPECT_FALSE(OpenCommissionWorkOrder(path, 3, quiet.Output().err, error));
    EXPECT_EQ(error, "the work order has no unit 3 (it holds 2)");
    const QString single = WriteWorkOrder(dir, QStringLiteral("one.xml"), {UnitEntry{}});
    EXPECT_TRUE(OpenCommissionWorkOrder(single, 1, quiet.Output().err, error));
    EXPECT_FALSE(OpenCommissionWorkOrder(single, 2, quiet.Output().err, error));
}

TEST(CliCommissionPlan, AWorkOrderThatCannotBeUsedIsToldAsTheDesktopTellsIt)
{
    QTemporaryDir dir;
    const QString malformed = dir.filePath(QStringLiteral("bad.xml"));
    {
        QFile file(malformed);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<raml><managedObject class=\"QOR\"></raml>");
    }
    // Units without their mask parameter at all.
    UnitEntry second;
    second.distName = QStringLiteral("SITE/QOR-2");
    const QString noMask = UnitXml(UnitEntry{}).remove(QStringLiteral("<p name=\"qorQ1Mask\">255.255.255.0</p>"));
    ASSERT_FALSE(noMask.contains(QStringLiteral("qorQ1Mask")));
    const QString missing = dir.filePath(QStringLiteral("missing.xml"));
    const QString firstLacksMask = dir.filePath(QStringLiteral("two.xml"));
    for (const auto& [path, units] : {std::pair{missing, noMask}, std::pair{firstLacksMask, noMask + UnitXml(second)}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("<raml>" + units + "</raml>").toUtf8());
    }
    struct Case {
        QString path;
        std::optional<int> unit;
        std::string told;  // on standard error, in this order
        std::string error; // the command's own words
    };
    for (const Case& c : {
             Case{malformed, std::nullopt, "Parsing the work order file failed.\nError reading the Work Order file.\n", ""},
             Case{missing, std::nullopt, "Error reading the Work Order file.\n", ""},
             // A unit the file does not have is said as such, whatever the
             // unit that would have stood in for it holds.
             Case{firstLacksMask, 3, "", "the work order has no unit 3 (it holds 2)"},
         }) {
        SCOPED_TRACE(c.path.toStdString());
        CapturedOutput output;
        CCliPrompts prompts(MsgAnswer::No, output.Output().err);
        std::string error;
        EXPECT_FALSE(OpenCommissionWorkOrder(c.path, c.unit, output.Output().err, error));
        EXPECT_EQ(output.Err(), c.told);
        EXPECT_EQ(error, c.error);
    }
}

TEST(CliCommissionArguments, TextsBeyondThePageLimitsAndBadDatesAreRefused)
{
    const QDate today(2024, 1, 2);
    std::string error;
    auto options = ParseCommissionArguments({"w.xml", "--unit", "2", "--report", "r.xml", "--user", "Ann", "--date",
                                             "2009-03-07", "--comments", "c", "--actions", "a", "--no-reset"},
                                            today, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->unit, 2);
    EXPECT_EQ(options->reportPath, QStringLiteral("r.xml"));
    EXPECT_EQ(options->date, QDate(2009, 3, 7));
    EXPECT_FALSE(options->reset);
    EXPECT_EQ(ParseCommissionArguments({"w.xml"}, today, error)->date, today);
    EXPECT_TRUE(ParseCommissionArguments({"w.xml", "--user", std::string(31, 'n')}, today, error));
    // Line breaks reach the unit as CR LF: 33 lines of "a" fill the 99 bytes, 34 would not fit.
    std::string lines;
    for (int i = 0; i < 33; ++i)
        lines += "a\n";
    EXPECT_TRUE(ParseCommissionArguments({"w.xml", "--comments", lines}, today, error)) << error;
    error.clear();
    EXPECT_FALSE(ParseCommissionArguments({"w.xml", "--actions", lines + "a"}, today, error));
    EXPECT_NE(error.find("--actions: longer than 99 bytes"), std::string::npos) << error;
    // The unit holds Latin-1 only: "\u0141" would arrive as "?".
    EXPECT_TRUE(ParseCommissionArguments({"w.xml", "--user", "Jos\xC3\xA9"}, today, error)) << error;
    error.clear();
    EXPECT_FALSE(ParseCommissionArguments({"w.xml", "--user", "\xC5\x81ukasz"}, today, error));
    EXPECT_EQ(error, "--user: The unit cannot hold the character \"\xC5\x81\" (U+0141): its texts take Western "
                     "European (Latin-1) characters only.");
    for (const Args& bad :
         {Args{}, Args{"--unit", "1"}, Args{"w.xml", "--unit", "0"}, Args{"w.xml", "--unit"},
          Args{"w.xml", "--date", "07/03/2009"}, Args{"w.xml", "--user", std::string(32, 'n')},
          Args{"w.xml", "--comments", std::string(100, 'c')}, Args{"w.xml", "--actions"}, Args{"w.xml", "x.xml"},
          Args{"w.xml", "--report"}, Args{"w.xml", "--force"}}) {
        error.clear();
        EXPECT_FALSE(ParseCommissionArguments(bad, today, error));
        EXPECT_FALSE(error.empty());
    }
}

const std::string kBasicModeLine =
    "Basic mode: the work order's position is not written (latitude and longitude stay 0, as the wizard's GPS "
    "page without advanced features); --advanced writes it.\n";

class CliCommission : public CliCommandTest {};

TEST_F(CliCommission, CommissionsTheUnitRecordsTheReportAndResetsIt)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace, QStringLiteral("--reboot-ms"), QStringLiteral("200")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    const QString workOrder = WriteWorkOrder(dir, QStringLiteral("w.xml"), {UnitEntry{}});
    const QString report = dir.filePath(QStringLiteral("report.xml"));

    CapturedOutput output;
    const int status = RunCommissionCommand(kConnection, false,
                                            {workOrder.toStdString(), "--report", report.toStdString(), "--user",
                                             "Ann", "--comments", "antenna on the roof"},
                                            output.Output());
    EXPECT_EQ(status, kExitOk) << output.Err();
    EXPECT_EQ(output.Out(), "Commissioning SITE/QOR-1\n" + kBasicModeLine + "The unit acknowledged every value.\n"
                            "The unit restarts with the new values.\nReport: " +
                                report.toStdString() + "\n");

    // The unit got the commissioning block with the new address, and the reset.
    const QByteArray sent = ReadAll(trace);
    EXPECT_TRUE(sent.contains(QByteArray("192.168.255.121").toHex())) << sent.constData();
    EXPECT_TRUE(sent.contains("\"req\":\"53770000\"")) << sent.constData(); // the reset on the link

    const QByteArray saved = ReadAll(report);
    EXPECT_TRUE(saved.contains("<p name=\"installStatus\">Commissioning was successful</p>")) << saved.constData();
    EXPECT_TRUE(saved.contains("<p name=\"installUser\">Ann</p>"));
    EXPECT_TRUE(saved.contains("<p name=\"installComments\">antenna on the roof</p>"));
    EXPECT_TRUE(saved.contains("<p name=\"qorQ1Address\">140</p>"));
    EXPECT_TRUE(saved.contains("<p name=\"qorMeasuredLatitudeLocation\">")); // read from the GPS status
    EXPECT_TRUE(saved.contains("<p name=\"installQ1Transmission\">OK (131)</p>"));
    EXPECT_FALSE(saved.contains("name=\"name\">site<")) << "non-unit managed objects are dropped";
}

TEST_F(CliCommission, WithoutReportOrResetOnlyTheGuardedWriteGoesOut)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    const QString workOrder = WriteWorkOrder(dir, QStringLiteral("w.xml"), {UnitEntry{}});

    CapturedOutput output;
    EXPECT_EQ(RunCommissionCommand(kConnection, false, {workOrder.toStdString(), "--no-reset"}, output.Output()),
              kExitOk)
        << output.Err();
    const QByteArray sent = ReadAll(trace);
    EXPECT_TRUE(sent.contains("\"kind\":\"transfer\""));
    EXPECT_FALSE(sent.contains("\"req\":\"53770000\""));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("report.xml"))));
}

TEST(CliCommissionProcess, BadQ1AddressIsRefusedWithTheWizardsTextAndNothingIsSent)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace});
    ASSERT_TRUE(sim.Running());
    UnitEntry bad;
    bad.ip = QStringLiteral("11.20.0.11");
    const QString workOrder = WriteWorkOrder(dir, QStringLiteral("bad.xml"), {bad});

    const CliRun run = RunCli({QStringLiteral("commission"), workOrder},
                              {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(sim.Port())},
                               {QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config"))}});
    EXPECT_EQ(run.status, kExitRequestFailed);
    EXPECT_EQ(run.out, QString());
    EXPECT_EQ(run.err, workOrder + QStringLiteral(" unit 1 (SITE/QOR-1): qorQ1IP 11.20.0.11: \"Valid ranges for IP "
                                                  "Address are :\\n\\ni) 192.168.0.0 - 192.168.255.255\\nii) "
                                                  "172.16.0.0 - 172.31.255.255\\niii) 10.0.0.0 - 10.255.255.255\"\n"
                                                  "qora-cli: commission refused: qorQ1IP as the work order check says "
                                                  "above; nothing was sent to the unit. Correct the work order.\n"));
    EXPECT_TRUE(ReadAll(trace).isEmpty()); // not even a connection
}

// One set of rules: every line "qora-cli check" fails a unit with, commission
// refuses it with, before it connects, naming the parameters and saying that
// nothing was sent; also a latitude in degrees and a gateway that is the
// unit's own address, which no page refuses.
TEST(CliCommissionProcess, WhatCheckFailsCommissionRefusesOnTheSameLines)
{
    QTemporaryDir dir;
    UnitEntry degrees;
    degrees.latitude = QStringLiteral("60.17");
    UnitEntry ownGateway;
    ownGateway.gateway = ownGateway.ip;
    UnitEntry both = degrees;
    both.gateway = both.ip;
    const QString noMask = UnitXml(UnitEntry{}).remove(QStringLiteral("<p name=\"qorQ1Mask\">255.255.255.0</p>"));
    const QString missing = dir.filePath(QStringLiteral("missing.xml"));
    {
        QFile file(missing);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("<raml>" + noMask + "</raml>").toUtf8());
    }
    const struct {
        QString path;
        QStringList parameters; // named in the refusal, in the pages' order
    } rows[] = {
        {WriteWorkOrder(dir, QStringLiteral("degrees.xml"), {degrees}), {QStringLiteral("qorGPSAntennaLatitudeLocation")}},
        {WriteWorkOrder(dir, QStringLiteral("gateway.xml"), {ownGateway}), {QStringLiteral("qorQ1GW")}},
        {WriteWorkOrder(dir, QStringLiteral("both.xml"), {both}),
         {QStringLiteral("qorGPSAntennaLatitudeLocation"), QStringLiteral("qorQ1GW")}},
        {missing, {QStringLiteral("qorQ1Mask")}},
    };
    // Nothing listens at the gateway: a command that tried to connect would
    // end with "no connection" (2) instead.
    const std::vector<std::pair<QString, QString>> environment{
        {QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:1")},
        {QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config"))}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path.toStdString());
        const CliRun check = RunCli({QStringLiteral("check"), row.path}, environment);
        EXPECT_EQ(check.status, 1);
        for (const QString& accept : {QString(), QStringLiteral("--accept-replaced")}) {
            QStringList arguments{QStringLiteral("commission"), row.path};
            if (!accept.isEmpty())
                arguments << accept;
            const CliRun commission = RunCli(arguments, environment);
            EXPECT_EQ(commission.status, kExitRequestFailed) << commission.err.toStdString();
            EXPECT_EQ(commission.out, QString());
            EXPECT_EQ(commission.err,
                      check.out + QStringLiteral("qora-cli: commission refused: %1 as the work order check says above; "
                                                 "nothing was sent to the unit. Correct the work order.\n")
                                      .arg(row.parameters.join(QStringLiteral(", "))));
        }
    }
}

TEST(CliCommissionProcess, UsageNamesTheNewCommands)
{
    const CliRun run = RunCli({QStringLiteral("--help")});
    EXPECT_EQ(run.status, 0);
    for (const char* command : {"  download MASTERFILE", "  activate [--dry-run]", "  commission WORKORDER"})
        EXPECT_TRUE(run.out.contains(QLatin1String(command))) << command;
    EXPECT_EQ(RunCli({QStringLiteral("commission")}).status, kExitUsage);
    EXPECT_EQ(RunCli({QStringLiteral("download"), QStringLiteral("a.MFI"), QStringLiteral("--chunk"),
                      QStringLiteral("99")})
                  .status,
              kExitUsage);
}

// The commissioning block (0x9001) the unit received, as bytes; empty when none came.
QByteArray TracedCommissioningBlock(const QString& trace)
{
    const QByteArray write = "5353900158"; // write, 0x9001, 88 bytes
    for (const QByteArray& request : TracedRequests(trace)) {
        if (request.startsWith(write))
            return QByteArray::fromHex(request.mid(write.size()));
    }
    return {};
}

QByteArray BigEndian(std::int32_t value)
{
    QByteArray bytes;
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(char(std::uint32_t(value) >> shift));
    return bytes;
}

TEST(CliCommissionPlan, RemotePlanHasNoQ1Page)
{
    UnitEntry farAway;
    farAway.ip = QStringLiteral("172.32.0.5"); // the Q1 page would refuse it
    SCommissionSurroundings remote;
    remote.remote = true;
    const SCommissionPlan plan = PlanCommissioning(Values(farAway), Options(), remote);
    ASSERT_FALSE(plan.refusal) << plan.refusal->text.toStdString();
    EXPECT_TRUE(plan.notices.isEmpty());
    // The addresses are the page's, never passed: empty.
    EXPECT_EQ(plan.values.ipAddress, QString());
    EXPECT_EQ(plan.values.gatewayAddress, QString());
    EXPECT_EQ(plan.values.subnetMask, QString());
    EXPECT_EQ(plan.values.frameClockDelayNs, 4800);
    EXPECT_EQ(plan.values.userName, QStringLiteral("Ann"));
}

TEST_F(CliCommission, RemoteCommissioningLeavesTheUnitWhereItIs)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace, QStringLiteral("--reboot-ms"), QStringLiteral("200")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    const QString workOrder = WriteWorkOrder(dir, QStringLiteral("w.xml"), {UnitEntry{}});
    const QString report = dir.filePath(QStringLiteral("report.xml"));

    CapturedOutput output;
    ASSERT_EQ(RunCommissionCommand(kConnection, true, {workOrder.toStdString(), "--remote", "--report",
                                                       report.toStdString()},
                                   output.Output()),
              kExitOk)
        << output.Err();
    const QByteArray block = TracedCommissioningBlock(trace);
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block.left(48), QByteArray(48, '\0')) << block.toHex().constData();
    EXPECT_EQ(block.mid(84, 4), QByteArray::fromHex("00000001"));
    const QByteArray saved = ReadAll(report);
    for (const char* parameter : {"qorQ1IP", "qorQ1GW", "qorQ1Mask"}) {
        const QByteArray name = QByteArray("<p name=\"") + parameter + "\"";
        EXPECT_TRUE(saved.contains(name + "/>") || saved.contains(name + "></p>")) << parameter << saved.constData();
    }
    // A remote commissioning leaves the local connection's settings alone.
    CManagerSettings settings;
    settings.LoadSettings();
    EXPECT_EQ(settings.ipAddress, QStringLiteral("192.168.255.120"));
    EXPECT_EQ(settings.q1Address, 131u);

    // After its restart the unit answers where it was.
    bool answered = false;
    for (int attempt = 0; attempt < 100 && !answered; ++attempt) {
        PumpFor(50);
        CapturedOutput again;
        answered = RunActivateCommand(kConnection, {"--dry-run"}, again.Output()) == kExitOk;
    }
    EXPECT_TRUE(answered);
}

TEST_F(CliCommission, AdvancedModeWritesTheWorkOrdersPositionAndBasicModeDoesNot)
{
    QTemporaryDir dir;
    const QString workOrder = WriteWorkOrder(dir, QStringLiteral("w.xml"), {UnitEntry{}});
    const auto commission = [&](const std::vector<std::string>& more, std::string& out) {
        const QString trace = dir.filePath(QStringLiteral("trace-%1.jsonl").arg(more.size() + out.size()));
        SimProcess sim({QStringLiteral("--trace"), trace});
        UseGateway(sim.Port());
        std::vector<std::string> arguments{workOrder.toStdString(), "--no-reset"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        CapturedOutput output;
        EXPECT_EQ(RunCommissionCommand(kConnection, false, arguments, output.Output()), kExitOk) << output.Err();
        out = output.Out();
        return TracedCommissioningBlock(trace);
    };
    std::string out;
    QByteArray block = commission({"--advanced"}, out);
    EXPECT_NE(out.find("Advanced mode: the work order's position is written (latitude 60.5, longitude -0.25 "
                       "degrees).\n"),
              std::string::npos)
        << out;
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block.mid(52, 4), BigEndian(605000000));
    EXPECT_EQ(block.mid(56, 4), BigEndian(-2500000));

    block = commission({"--basic"}, out);
    EXPECT_NE(out.find(kBasicModeLine), std::string::npos) << out;
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block.mid(52, 8), QByteArray(8, '\0'));

    // Without either, the settings' Advanced Mode decides.
    CManagerSettings settings;
    settings.LoadSettings();
    settings.advancedMode = 1;
    settings.SaveSettings();
    block = commission({}, out);
    settings.advancedMode = 0;
    settings.SaveSettings();
    EXPECT_NE(out.find("Advanced mode:"), std::string::npos) << out;
    EXPECT_EQ(block.mid(52, 4), BigEndian(605000000));
}

TEST_F(CliCommission, ValuesTheWizardWouldReplaceAreRefusedUnlessAccepted)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    UnitEntry wrong;
    wrong.latitude = QStringLiteral("950000000");
    wrong.frameDelay = QStringLiteral("5000");
    const QString workOrder = WriteWorkOrder(dir, QStringLiteral("w.xml"), {wrong});

    CapturedOutput refused;
    EXPECT_EQ(RunCommissionCommand(kConnection, false, {workOrder.toStdString()}, refused.Output()),
              kExitRequestFailed);
    EXPECT_EQ(refused.Out(), "");
    const std::string unit = workOrder.toStdString() + " unit 1 (SITE/QOR-1): ";
    const std::string lines =
        unit + "qorGPSAntennaLatitudeLocation 950000000: replaced: the wizard would use 0 degrees instead of 95 "
               "degrees\n" +
        unit + "qorBtsFrDelay 5000: \"Enter an integer between 0 and 4800.\"\n" + unit +
        "qorBtsFrDelay 5000: replaced: the wizard would use 4800 instead\n";
    EXPECT_EQ(refused.Err(), lines + "qora-cli: commission refused: qorGPSAntennaLatitudeLocation, qorBtsFrDelay as the "
                                     "work order check says above; nothing was sent to the unit. Correct the work "
                                     "order, or give --accept-replaced to commission with the values the wizard would "
                                     "use instead.\n");
    EXPECT_TRUE(TracedRequests(trace).empty());

    CapturedOutput accepted;
    EXPECT_EQ(RunCommissionCommand(kConnection, false, {workOrder.toStdString(), "--accept-replaced", "--no-reset"},
                                   accepted.Output()),
              kExitOk)
        << accepted.Err();
    EXPECT_EQ(accepted.Err().substr(0, lines.size()), lines);
    const QByteArray block = TracedCommissioningBlock(trace);
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block.mid(72, 4), QByteArray::fromHex("12c012c0")); // 4800 twice

    // A remote commissioning never uses the addresses, so they are not looked at.
    UnitEntry noAddress;
    noAddress.ip = QStringLiteral("not an address");
    CapturedOutput remote;
    EXPECT_EQ(RunCommissionCommand(kConnection, false,
                                   {WriteWorkOrder(dir, QStringLiteral("r.xml"), {noAddress}).toStdString(),
                                    "--remote", "--no-reset"},
                                   remote.Output()),
              kExitOk)
        << remote.Err();
}

// Needs the simulated unit's --reset-unanswered and --reset-silent.
TEST_F(CliCommission, AResetTheUnitDoesNotAnswerIsSaidAndIsNoFailure)
{
    QTemporaryDir dir;
    const QString workOrder = WriteWorkOrder(dir, QStringLiteral("w.xml"), {UnitEntry{}});
    for (const char* option : {"--reset-unanswered", "--reset-silent"}) {
        SimProcess sim({QLatin1String(option)});
        ASSERT_TRUE(sim.Running()) << option;
        UseGateway(sim.Port());
        CapturedOutput output;
        // A short transfer timeout, for the unit that does not answer at all.
        EXPECT_EQ(RunCommissionCommand(std::string(kConnection) + ",TMO=400", false, {workOrder.toStdString()},
                                       output.Output()),
                  kExitOk)
            << option << output.Err();
        EXPECT_EQ(output.Out(), "Commissioning SITE/QOR-1\n" + kBasicModeLine +
                                    "The unit acknowledged every value.\n"
                                    "reset requested; the unit did not answer (it may already be restarting)\n")
            << option;
    }
}

TEST_F(CliCommission, AResetTheUnitRefusesIsAFailure)
{
    QTemporaryDir dir;
    SimProcess sim({QStringLiteral("--nak-opcode"), QStringLiteral("0x77")}); // the reset's service opcode
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    CapturedOutput output;
    EXPECT_EQ(RunCommissionCommand(kConnection, false,
                                   {WriteWorkOrder(dir, QStringLiteral("w.xml"), {UnitEntry{}}).toStdString()},
                                   output.Output()),
              kExitRequestFailed);
    EXPECT_EQ(output.Err(), "qora-cli: the unit refused the reset; reset it to apply the values\n");
    EXPECT_EQ(output.Out().find("reset requested"), std::string::npos);
}

} // namespace
