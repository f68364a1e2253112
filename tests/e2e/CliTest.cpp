// The command-line companion against the simulated unit.

#include "support/CliRun.h"
#include "support/SimProcess.h"
#include "version/ProgramVersion.h"

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
    EXPECT_EQ(run.status, 64);
    EXPECT_EQ(run.err, QStringLiteral("qora-cli: CLOCKS_OUT 3541: Enter an integer between 11 and 3540.\n"));
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

const QStringList kCommands{"identify", "raw",    "settings", "version",           "gps",      "system",  "user",
                            "status",   "watch",  "timing",   "constellation-log", "download", "activate",
                            "commission", "fleet"};

TEST(Cli, EveryCommandHasItsOwnHelp)
{
    for (const QString& command : kCommands) {
        for (const QString& help : {QStringLiteral("--help"), QStringLiteral("-h")}) {
            // Help wins over whatever else is on the line, and nothing connects.
            const auto run = RunCli({command, QStringLiteral("x"), help}, 1);
            EXPECT_EQ(run.status, 0) << command.toStdString();
            // Only the commands that connect to a unit name --connection.
            const bool connects = command != u"settings" && command != u"check" && command != u"fleet";
            EXPECT_TRUE(run.out.startsWith(QStringLiteral("usage: qora-cli ") +
                                           (connects ? QStringLiteral("[--connection STRING] ") : QString()) + command))
                << run.out.toStdString();
            EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
        }
    }
    const auto commission = RunCli({QStringLiteral("commission"), QStringLiteral("--help")}, 1);
    for (const char* option : {"--remote", "--advanced", "--basic", "--accept-replaced", "--no-reset", "--unit N"})
        EXPECT_TRUE(commission.out.contains(QLatin1String(option))) << option;

    const auto overview = RunCli({QStringLiteral("-h")}, 1);
    EXPECT_EQ(overview.status, 0);
    EXPECT_TRUE(overview.out.startsWith(
        QStringLiteral("usage: qora-cli [--connection STRING] [--log FILE] [--trace FILE] COMMAND [ARGS]\n")));
    for (const char* option : {"--remote", "--advanced|--basic", "--accept-replaced", "--interval SECONDS",
                               "status [--json]", "qora-cli COMMAND --help"})
        EXPECT_TRUE(overview.out.contains(QLatin1String(option))) << option;
    EXPECT_EQ(RunCli({QStringLiteral("fly"), QStringLiteral("--help")}, 1).status, 64);
}

TEST(Cli, EveryProgramPrintsItsReleaseAndTheUnitsVersionStaysACommand)
{
    const QString release = QString::fromLatin1(ProgramVersion());
    const auto cli = RunCli({QStringLiteral("--version")}, 1);
    EXPECT_EQ(cli.status, 0);
    EXPECT_EQ(cli.out, QStringLiteral("qora-cli %1\n").arg(release));
    EXPECT_TRUE(cli.err.isEmpty()) << cli.err.toStdString();
    // "version" without dashes still asks the unit.
    const auto command = RunCli({QStringLiteral("version"), QStringLiteral("--help")}, 1);
    EXPECT_TRUE(command.out.startsWith(QStringLiteral("usage: qora-cli [--connection STRING] version")));
    EXPECT_TRUE(RunCli({QStringLiteral("-h")}, 1).out.contains(QStringLiteral("--version")));

    for (const auto& [program, name] : {std::pair{QORA_UNIT_SIM_PATH, "qora-unit-sim"},
                                        std::pair{QORA_FIRMWARE_GEN_PATH, "qora-firmware-gen"}}) {
        QProcess process;
        process.start(QString::fromLocal8Bit(program), {QStringLiteral("--version")});
        ASSERT_TRUE(process.waitForFinished(10000)) << name;
        EXPECT_EQ(process.exitCode(), 0) << name;
        EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardOutput()),
                  QStringLiteral("%1 %2\n").arg(QLatin1String(name), release));
        // Not taken for one of the simulator's options that begin alike.
        process.start(QString::fromLocal8Bit(program), {QStringLiteral("--version=1")});
        ASSERT_TRUE(process.waitForFinished(10000)) << name;
        EXPECT_NE(process.exitCode(), 0) << name;
    }
}

// A value a command cannot take is named with the argument it was given for,
// on one line, with the usage status; nothing is connected.
TEST(Cli, RefusedValuesNameTheirArgumentWithTheUsageStatus)
{
    const struct {
        QStringList arguments;
        const char* named;
    } rows[] = {
        {{"commission", "w.xml", "--unit", "abc"}, "--unit abc: "},
        {{"commission", "w.xml", "--unit"}, "--unit needs a value"},
        {{"commission", "w.xml", "--date", "7/3/2009"}, "--date 7/3/2009: "},
        {{"commission", "w.xml", "--advanced", "--basic"}, "--advanced or --basic"},
        {{"commission", "w.xml", "--force"}, "unknown option --force for commission"},
        {{"download", "a.MFI", "--chunk", "7"}, "--chunk 7: "},
        {{"download", "a.MFI", "--chunk"}, "--chunk needs a value"},
        {{"watch", "--interval", "-1"}, "--interval -1: "},
        {{"watch", "--interval", "3601"}, "--interval 3601: "},
        {{"status", "--interval", "5"}, "unknown option --interval for status"},
        {{"status", "--yaml"}, "unknown option --yaml for status"},
        {{"activate", "--now"}, "unknown option --now for activate"},
        {{"timing", "set", "600", "61"}, "DISABLE 61: Enter an integer between 0 and 60."},
        {{"user", "set", "Jo", "31/02/2009", "", ""}, "DATE 31/02/2009: "},
        {{"raw", "84x"}, "HEX 84x: "},
        {{"version", "extra"}, "unexpected argument extra for version"},
        {{"--connection"}, "--connection needs a value"},
        {{"--verbose", "identify"}, "unknown option --verbose"},
    };
    for (const auto& row : rows) {
        const auto run = RunCli(row.arguments, 1);
        EXPECT_EQ(run.status, 64) << row.named;
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("qora-cli: "))) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QLatin1String(row.named))) << run.err.toStdString();
        EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
    }
}

CliRun RunWithEnvironment(const QStringList& arguments, const QString& gateway)
{
    return ::RunCli(arguments, {{QStringLiteral("QORA_RKS_GATEWAY"), gateway},
                                {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-qora-test")}});
}

TEST(Cli, CannotConnectSaysWhy)
{
    SimProcess refusing({QStringLiteral("--refuse-open")});
    ASSERT_TRUE(refusing.Running());
    const QString connection = QStringLiteral("--connection");
    const struct {
        QStringList arguments;
        QString gateway;
        QString reason;
    } rows[] = {
        {{connection, "WP=NEQ1,ADDR=131", "identify"}, QString(),
         "no gateway setting: neither QORA_RKS_GATEWAY nor the service's Gateway setting"},
        {{"version"}, "127.0.0.1:1", "gateway 127.0.0.1:1 not reachable: connection refused"},
        {{"gps"}, "127.0.0.1:port", "the gateway setting \"127.0.0.1:port\""},
        {{"status"}, refusing.Endpoint(), "the unit was refused: gateway " + refusing.Endpoint() +
                                               " answered result 1 (no such unit)"},
        {{connection, "WP=SOCKET,HOST=127.0.0.1,PORT=seven,ADDR=131", "raw", "8404170100ffff"}, QString(),
         "malformed connection string: PORT=seven is not a TCP port"},
    };
    for (const auto& row : rows) {
        const auto run = RunWithEnvironment(row.arguments, row.gateway);
        EXPECT_EQ(run.status, 2) << row.reason.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("qora-cli: cannot connect: ") + row.reason))
            << run.err.toStdString();
        EXPECT_EQ(run.err.count(u'\n'), 1) << run.err.toStdString();
    }
}

TEST(Cli, FilesThatCannotBeOpenedAreNamedBeforeAnythingIsSent)
{
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace});
    ASSERT_TRUE(sim.Running());
    const QString missing = dir.filePath(QStringLiteral("missing.xml"));
    const QString noFolder = dir.filePath(QStringLiteral("no-folder/out.txt"));
    const struct {
        QStringList arguments;
        QString said;
    } rows[] = {
        {{"commission", missing}, "cannot open " + missing + ": No such file or directory"},
        {{"download", dir.filePath(QStringLiteral("none.MFI"))},
         "cannot open " + dir.filePath(QStringLiteral("none.MFI")) + ": No such file or directory"},
        {{"commission", dir.path()}, "cannot open " + dir.path() + ": it is a folder"},
        {{"constellation-log", noFolder}, "cannot open " + noFolder + ": the folder "},
    };
    for (const auto& row : rows) {
        const auto run = RunCli(row.arguments, sim.Port());
        EXPECT_EQ(run.status, 1) << row.said.toStdString();
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("qora-cli: ") + row.said)) << run.err.toStdString();
        EXPECT_EQ(run.err.count(row.arguments.last()), 1) << "the path is named once: " << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(QStringLiteral("arsing"))) << run.err.toStdString();
    }
    QFile written(trace);
    EXPECT_TRUE(!written.exists() || written.size() == 0) << "a connection was made";
}

// Needs the simulated unit's --reset-unanswered.
TEST(Cli, RawResetThatIsNotAnsweredIsNoFailure)
{
    SimProcess sim({QStringLiteral("--reset-unanswered")});
    ASSERT_TRUE(sim.Running());
    const auto run = RunCli({QStringLiteral("raw"), QStringLiteral("860d360000")}, sim.Port());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("reset requested; the unit did not answer (it may already be restarting)\n"));
}

} // namespace
