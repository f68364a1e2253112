// qora-cli commission --verify against the simulated unit: a unit that comes
// back with every value, one that acknowledged everything and applied
// nothing, and one that does not come back in time.

#include "cli/CliSession.h"
#include "cli/CommissionCommand.h"
#include "cli/CommissionPlan.h"
#include "cli/CommissionVerify.h"
#include "e2e/CliCommandFixture.h"
#include "support/SimProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

namespace {

using Args = std::vector<std::string>;

QString WriteWorkOrder(const QTemporaryDir& dir, const QString& ip, int q1Address)
{
    const QString unit = QStringLiteral(R"(<managedObject class="QOR" distName="SITE/QOR-1">
  <p name="qorName">Site unit</p><p name="qorType">QORA-2</p>
  <p name="qorQ1Address">%2</p><p name="qorQ1Speed">8</p>
  <p name="qorGPSAntennaLatitudeLocation">605000000</p><p name="qorGPSAntennaLongitudeLocation">-2500000</p>
  <p name="qorGPSAntennaAltitude">1000</p><p name="qorBtsGpsDelay">120</p><p name="qorBtsFrDelay">4800</p>
  <p name="qorGPSMode">Locked</p><p name="qorQ1Relay">NO</p>
  <p name="qorQ1IP">%1</p><p name="qorQ1GW">%3</p><p name="qorQ1Mask">255.255.255.0</p>
</managedObject>)")
                             .arg(ip)
                             .arg(q1Address)
                             .arg(ip.section(u'.', 0, 2) + QStringLiteral(".32"));
    const QString path = dir.filePath(QStringLiteral("w.xml"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(("<?xml version=\"1.0\"?><raml><cmData>" + unit + "</cmData></raml>").toUtf8());
    return path;
}

QJsonObject ReadJson(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

QStringList Mismatched(const QJsonObject& report)
{
    QStringList names;
    for (const QJsonValue row : report[QStringLiteral("rows")].toArray())
        if (!row[QStringLiteral("match")].toBool())
            names.append(row[QStringLiteral("parameter")].toString());
    return names;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class CliCommissionVerify : public CliCommandTest {
protected:
    Args Arguments(const QString& workOrder, const QString& report, Args more = {}) const
    {
        Args arguments{workOrder.toStdString(), "--advanced", "--user", "Ann", "--date", "2009-03-07",
                       "--comments", "antenna\non the roof", "--verify-report", report.toStdString()};
        arguments.insert(arguments.end(), more.begin(), more.end());
        return arguments;
    }
    QTemporaryDir dir;
};

} // namespace

TEST(CliCommissionVerifyArguments, VerifyNeedsTheResetAndASensibleTimeout)
{
    const QDate today(2024, 1, 2);
    std::string error;
    auto options = ParseCommissionArguments({"w.xml", "--verify"}, today, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->verify);
    EXPECT_EQ(options->verifyTimeoutSeconds, kDefaultVerifyTimeoutSeconds);
    options = ParseCommissionArguments({"w.xml", "--verify-report", "v.json", "--verify-timeout", "30"}, today, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->verify) << "a report asks for the verification";
    EXPECT_EQ(options->verifyTimeoutSeconds, 30);
    for (const Args& bad : {Args{"w.xml", "--verify", "--no-reset"}, Args{"w.xml", "--no-reset", "--verify-report", "v"},
                            Args{"w.xml", "--verify-timeout", "0"}, Args{"w.xml", "--verify-timeout", "soon"},
                            Args{"w.xml", "--verify-timeout"}, Args{"w.xml", "--verify-report", ""}}) {
        error.clear();
        EXPECT_FALSE(ParseCommissionArguments(bad, today, error)) << bad[1];
        EXPECT_FALSE(error.empty());
    }

    // A local place moves HOST and ADDR, whatever else the string holds; a remote one keeps it.
    const SUnitPlace place{false, QStringLiteral("10.0.0.5"), 77};
    EXPECT_EQ(ConnectionAt("WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131,TMO=900", place),
              "WP=SOCKET,HOST=10.0.0.5,PORT=7000,WP=NEQ1,ADDR=77,TMO=900");
    EXPECT_EQ(ConnectionAt("WP=NEQ1,ADDR=131,CH=3", SUnitPlace{true, {}, 0}), "WP=NEQ1,ADDR=131,CH=3");
    const auto at = PlaceOf("WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
    ASSERT_TRUE(at);
    EXPECT_EQ(at->ipAddress, QStringLiteral("192.168.255.120"));
    EXPECT_EQ(at->q1Address, 131);
    EXPECT_FALSE(PlaceOf("WP=NEQ1,ADDR=131,CH=3")) << "no host";
    EXPECT_FALSE(PlaceOf("WP=SOCKET,HOST=10.0.0.1,PORT=7000")) << "no address";
}

TEST_F(CliCommissionVerify, AUnitBackAtItsNewPlaceWithEveryValuePasses)
{
    SimProcess sim({QStringLiteral("--reboot-ms"), QStringLiteral("300")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    const QString report = dir.filePath(QStringLiteral("verify.json"));
    CapturedOutput output;
    EXPECT_EQ(RunCommissionCommand(kConnection, false,
                                   Arguments(WriteWorkOrder(dir, QStringLiteral("192.168.255.121"), 140), report),
                                   output.Output()),
              kExitOk)
        << output.Err();
    const std::string out = output.Out();
    EXPECT_TRUE(Contains(out, "Verifying: waiting up to 180 s for the unit at 192.168.255.121, Q1 address 140.\n"))
        << out;
    EXPECT_TRUE(Contains(out, "verified: the unit answers at 192.168.255.121, Q1 address 140 and reads back every "
                              "value written\n"))
        << out;
    EXPECT_TRUE(Contains(out, "Not readable on the unit: Subnet mask, Gateway address, Q1 speed\n")) << out;
    const QJsonObject json = ReadJson(report);
    EXPECT_TRUE(json[QStringLiteral("verified")].toBool());
    EXPECT_EQ(json[QStringLiteral("rows")].toArray().size(), 14);
    EXPECT_TRUE(Mismatched(json).isEmpty()) << Mismatched(json).join(u',').toStdString();

    // On a remote connection the unit is looked for on the same node: where it is now.
    CapturedOutput remote;
    EXPECT_EQ(RunCommissionCommand("WP=SOCKET,HOST=192.168.255.121,PORT=7000,WP=NEQ1,ADDR=140", false,
                                   {WriteWorkOrder(dir, QStringLiteral("192.168.255.122"), 150).toStdString(),
                                    "--remote", "--verify"},
                                   remote.Output()),
              kExitOk)
        << remote.Err();
    EXPECT_TRUE(Contains(remote.Out(), "verified: the unit answers on its node and reads back every value written"))
        << remote.Out();
}

TEST_F(CliCommissionVerify, AUnitThatAppliedNothingFailsWithTheValuesItReadsBack)
{
    SimProcess sim({QStringLiteral("--reboot-ms"), QStringLiteral("300"), QStringLiteral("--apply-nothing")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    const QString report = dir.filePath(QStringLiteral("verify.json"));
    CapturedOutput output;
    // The unit's own place, so that it is found although it moved nowhere.
    EXPECT_EQ(RunCommissionCommand(kConnection, false,
                                   Arguments(WriteWorkOrder(dir, QStringLiteral("192.168.255.120"), 131), report),
                                   output.Output()),
              kExitRequestFailed)
        << output.Err();
    EXPECT_TRUE(Contains(output.Out(), "The unit acknowledged every value.\n")) << output.Out();
    EXPECT_TRUE(Contains(output.Err(), "verification failed: the unit answers at 192.168.255.120, Q1 address 131 but "
                                       "reads back other values for: "))
        << output.Err();
    const QJsonObject json = ReadJson(report);
    EXPECT_TRUE(json[QStringLiteral("unit_back")].toBool());
    EXPECT_FALSE(json[QStringLiteral("verified")].toBool());
    const QStringList mismatched = Mismatched(json);
    for (const char* name : {"Latitude", "GPS antenna delay", "Frame clock delay", "User name", "Comments"})
        EXPECT_TRUE(mismatched.contains(QLatin1String(name))) << name << " " << mismatched.join(u',').toStdString();
    EXPECT_FALSE(mismatched.contains(QStringLiteral("IP address")));
}

TEST_F(CliCommissionVerify, AUnitNotBackInTimeFailsWithoutWaitingLonger)
{
    // Restarting far longer than the verification waits.
    SimProcess sim({QStringLiteral("--reboot-ms"), QStringLiteral("60000")});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    const QString report = dir.filePath(QStringLiteral("verify.json"));
    CapturedOutput output;
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(RunCommissionCommand(kConnection, false,
                                   Arguments(WriteWorkOrder(dir, QStringLiteral("192.168.255.121"), 140), report,
                                             {"--verify-timeout", "1"}),
                                   output.Output()),
              kExitNoConnection)
        << output.Err();
    EXPECT_LT(took.elapsed(), 30000);
    EXPECT_TRUE(Contains(output.Err(), "verification failed: the unit did not answer at 192.168.255.121, Q1 address "
                                       "140 within 1 s of the reset\n"))
        << output.Err();
    const QJsonObject json = ReadJson(report);
    EXPECT_FALSE(json[QStringLiteral("unit_back")].toBool());
    EXPECT_FALSE(json[QStringLiteral("verified")].toBool());
    EXPECT_TRUE(json[QStringLiteral("rows")].toArray().isEmpty());

    // A unit that applied nothing stays at its old place: never at the new one.
    SimProcess stays({QStringLiteral("--reboot-ms"), QStringLiteral("100"), QStringLiteral("--apply-nothing")});
    UseGateway(stays.Port());
    CapturedOutput again;
    EXPECT_EQ(RunCommissionCommand(kConnection, false,
                                   Arguments(WriteWorkOrder(dir, QStringLiteral("192.168.255.121"), 140), report,
                                             {"--verify-timeout", "1"}),
                                   again.Output()),
              kExitNoConnection)
        << again.Err();
    EXPECT_TRUE(Contains(again.Err(), "the unit still answers at its old place, 192.168.255.120, Q1 address 131: it "
                                      "did not take its new address\n"))
        << again.Err();
    EXPECT_FALSE(Contains(output.Err(), "still answers")) << "the restarting unit answers nowhere";
}

// A unit that acknowledges its reset and answers with its old setup for a
// while before it restarts: the values are read back from the restarted
// unit, not from the one still running the old setup. On a remote connection
// the unit is looked for on the same node all along.
TEST_F(CliCommissionVerify, AUnitThatRestartsLateIsReadBackOnlyAfterItsRestart)
{
    SimProcess sim({QStringLiteral("--restart-delay-ms"), QStringLiteral("400"), QStringLiteral("--reboot-ms"),
                    QStringLiteral("200"), QStringLiteral("--trace"), dir.filePath(QStringLiteral("trace.jsonl"))});
    ASSERT_TRUE(sim.Running());
    UseGateway(sim.Port());
    const QString report = dir.filePath(QStringLiteral("verify.json"));
    CapturedOutput output;
    EXPECT_EQ(RunCommissionCommand(kConnection, false,
                                   Arguments(WriteWorkOrder(dir, QStringLiteral("192.168.255.122"), 150), report,
                                             {"--remote"}),
                                   output.Output()),
              kExitOk)
        << output.Err();
    EXPECT_TRUE(Contains(output.Out(), "verified: the unit answers on its node")) << output.Out() << output.Err();
    const QJsonObject json = ReadJson(report);
    EXPECT_TRUE(Mismatched(json).isEmpty()) << Mismatched(json).join(u',').toStdString();

    // It was tried while it still answered, and found gone before it was read.
    QFile trace(dir.filePath(QStringLiteral("trace.jsonl")));
    ASSERT_TRUE(trace.open(QIODevice::ReadOnly));
    int probesAnswered = 0, probesRefused = 0;
    bool reset = false;
    for (const QByteArray& line : trace.readAll().split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        reset = reset || o[QStringLiteral("req")].toString() == QStringLiteral("53770000");
        if (reset && o[QStringLiteral("req")].toString() == QStringLiteral("03"))
            (o[QStringLiteral("result")].toInt() == 0 ? probesAnswered : probesRefused) += 1;
    }
    EXPECT_GE(probesRefused, 1) << "seen gone";
    EXPECT_GE(probesAnswered, 2) << "still answering, then back";
}
