// The command-line companion against the simulated unit.

#include "support/CliRun.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

CliRun RunCli(const QStringList& arguments, quint16 gatewayPort)
{
    return ::RunCli(arguments, {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(gatewayPort)},
                                {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-qora-test")}});
}

TEST(Cli, IdentifyTellsQoraUnitsOtherUnitsAndNoConnectionApart)
{
    SimProcess qora;
    ASSERT_TRUE(qora.Running());
    auto run = RunCli({QStringLiteral("identify")}, qora.Port()); // the default local connection
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("identity: QORHW2\n"));

    SimProcess other({QStringLiteral("--identity"), QStringLiteral("XQ-7")});
    run = RunCli({QStringLiteral("identify")}, other.Port());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, QStringLiteral("identity: XQ-7 (not a QORA unit)\n"));

    run = RunCli({QStringLiteral("--connection"), QStringLiteral("WP=SOCKET,HOST=10.9.9.9,PORT=7000,ADDR=5"),
                  QStringLiteral("identify")},
                 qora.Port());
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err.count(QLatin1Char('\n')), 1);
}

TEST(Cli, RawSendsEachRequestAndPrintsEachReply)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    const auto run = RunCli({QStringLiteral("raw"), QStringLiteral("84:09:17:01:00:90:04"),
                             QStringLiteral("8404170100ffff")},
                            sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("84091801009004a800")));
    EXPECT_EQ(lines[0].size(), 2 * (9 + 164));
    EXPECT_EQ(lines[1], QStringLiteral("8404f0"));
}

TEST(Cli, BadUsageIsRefusedWithAReason)
{
    for (const QStringList& arguments : {QStringList{}, QStringList{QStringLiteral("raw")},
                                         QStringList{QStringLiteral("raw"), QStringLiteral("84x")},
                                         QStringList{QStringLiteral("fly")}}) {
        const auto run = RunCli(arguments, 1);
        EXPECT_EQ(run.status, 64);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("qora-cli: ")));
    }
}

} // namespace

namespace {

TEST(Cli, DataCommandsPrintWhatTheDialogsShow)
{
    SimProcess sim({QStringLiteral("--position"), QStringLiteral("-33.5,151.25,12345"), QStringLiteral("--gps-time"),
                    QStringLiteral("2009-05-02 12:34:56")});
    ASSERT_TRUE(sim.Running());
    auto run = RunCli({QStringLiteral("version")}, sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Serial Number: QSIM131\n")));

    run = RunCli({QStringLiteral("gps")}, sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Latitude: S 33°30'00.000\"\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("Longitude: E 151°15'00.000\"\n")));

    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("log.txt"));
    run = RunCli({QStringLiteral("constellation-log"), log}, sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("Serial number:  QSIM131\r\n"));
    EXPECT_TRUE(text.contains("Latitude:       S 33\xc2\xb0" "30'00.000\"\r\n"));

    EXPECT_EQ(RunCli({QStringLiteral("gps"), QStringLiteral("extra")}, sim.Port()).status, 64);
    EXPECT_EQ(RunCli({QStringLiteral("constellation-log")}, sim.Port()).status, 64);
}

} // namespace

namespace {

TEST(Cli, TimingIsShownAndSetWithinItsRanges)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    auto run = RunCli({QStringLiteral("timing"), QStringLiteral("set"), QStringLiteral("600"), QStringLiteral("30")},
                      sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("Time from fix lost to clocks out alarm: 600 s\n")));
    EXPECT_TRUE(run.out.contains(QStringLiteral("Time from clocks out alarm to clock disable: 30 s\n")));

    run = RunCli({QStringLiteral("timing"), QStringLiteral("set"), QStringLiteral("3541"), QStringLiteral("30")},
                 sim.Port());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, QStringLiteral("Enter an integer between 11 and 3540.\n"));
    run = RunCli({QStringLiteral("timing")}, sim.Port()); // nothing was written by the refused call
    EXPECT_TRUE(run.out.contains(QStringLiteral("clocks out alarm: 600 s\n")));
    EXPECT_EQ(RunCli({QStringLiteral("timing"), QStringLiteral("set")}, sim.Port()).status, 64);
}

} // namespace

namespace {

TEST(Cli, SystemAndUserInformation)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    auto run = RunCli({QStringLiteral("system")}, sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out.count(QLatin1Char('\n')), 4);

    run = RunCli({QStringLiteral("user"), QStringLiteral("set"), QStringLiteral("A. Engineer"),
                  QStringLiteral("04/11/2009"), QStringLiteral("Antenna on the mast"), QStringLiteral("none")},
                 sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    run = RunCli({QStringLiteral("user")}, sim.Port());
    EXPECT_TRUE(run.out.contains(QStringLiteral("A. Engineer"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("04/11/2009"))) << run.out.toStdString();

    const QString tooLong(32, QLatin1Char('x'));
    EXPECT_EQ(RunCli({QStringLiteral("user"), QStringLiteral("set"), tooLong, QStringLiteral("-"), QString(),
                      QString()},
                     sim.Port())
                  .status,
              64);
}

} // namespace

namespace {

TEST(Cli, StatusSnapshotAsJson)
{
    SimProcess sim({QStringLiteral("--no-fix"), QStringLiteral("--constellation-verdict"), QStringLiteral("255")});
    ASSERT_TRUE(sim.Running());
    const auto run = RunCli({QStringLiteral("status"), QStringLiteral("--json")}, sim.Port());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QJsonObject snapshot = QJsonDocument::fromJson(run.out.toUtf8()).object();
    EXPECT_EQ(snapshot["gps"].toObject()["channels"].toArray().size(), 12);
    EXPECT_TRUE(snapshot["gps"].toObject()["latitude"].toString().startsWith(QStringLiteral("N 59")));
    EXPECT_EQ(snapshot["installation"].toObject()["GPS fix"].toString(), QStringLiteral("Not OK"));
    EXPECT_EQ(snapshot["installation"].toObject()["Q1 transmission"].toString(), QStringLiteral("OK (131)"));
    EXPECT_EQ(snapshot["constellation"].toObject()["verdict"].toString(), QStringLiteral("Initializing"));
    EXPECT_EQ(RunCli({QStringLiteral("status"), QStringLiteral("--yaml")}, sim.Port()).status, 64);
}

} // namespace
