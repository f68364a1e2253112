// qora-cli fleet download against the simulator's fleet, as a user runs it:
// a rollout with activation and read-back, a unit that breaks mid-download,
// units already running the software, Ctrl+C, and a refused rollout.

#include "fleet/RolloutTable.h"
#include "support/CliRun.h"
#include "support/SampleFirmware.h"
#include "support/SimProcess.h"
#include "support/SimTrace.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <map>

namespace {

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A CSV line split on commas outside quotes.
QStringList CsvFields(const QString& line)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"' && quoted && i + 1 < line.size() && line[i + 1] == u'"') {
            field.append(c);
            ++i;
        } else if (c == u'"') {
            quoted = !quoted;
        } else if (c == u',' && !quoted) {
            fields.append(std::exchange(field, QString()));
        } else {
            field.append(c);
        }
    }
    fields.append(field);
    return fields;
}

// Rows of a CSV with a header, by the value of `key` (e.g. the unit's IP
// taken from its name), each a map from column to field.
std::map<QString, std::map<QString, QString>> RowsByHost(const QString& csv)
{
    QStringList lines = csv.split(u'\n', Qt::SkipEmptyParts);
    std::map<QString, std::map<QString, QString>> rows;
    if (lines.isEmpty())
        return rows;
    const QStringList header = CsvFields(lines.takeFirst());
    for (const QString& line : lines) {
        const QStringList fields = CsvFields(line);
        std::map<QString, QString> row;
        for (qsizetype i = 0; i < header.size() && i < fields.size(); ++i)
            row[header[i]] = fields[i];
        // "QORA-131 (10.0.0.2)" -> "10.0.0.2"
        const QString name = row["name"];
        rows[name.mid(name.indexOf(u'(') + 1).chopped(1)] = row;
    }
    return rows;
}

class FleetRollout : public testing::Test {
protected:
    void Start(const QStringList& faults)
    {
        directory = dir.filePath(QStringLiteral("nodes.json"));
        tracePath = dir.filePath(QStringLiteral("trace.jsonl"));
        // No verification waits, and a restart that is over quickly.
        sim = std::make_unique<SimProcess>(faults + QStringList{"--directory", directory, "--trace", tracePath,
                                                                "--reboot-ms", "200"});
        ASSERT_TRUE(sim->Running());
        environment = {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(sim->Port())},
                       {QStringLiteral("QORA_RKS_DIRECTORY"), directory}};
        ASSERT_TRUE(dir.path().size() > 0);
        const QString folder = dir.filePath(QStringLiteral("release"));
        ASSERT_TRUE(QDir().mkpath(folder));
        firmware = MakeSampleFirmware(folder, QStringLiteral("QOR0310.bin"), QStringLiteral("QORSW310"), 3000,
                                      QStringLiteral("NEW.MFI"));
        ASSERT_TRUE(firmware.Valid());
    }

    // Runs a rollout in the background, for a test that interrupts it.
    void StartRollout(QProcess& cli, const QStringList& arguments)
    {
        auto env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : environment)
            env.insert(name, value);
        cli.setProcessEnvironment(env);
        cli.start(QStringLiteral(QORA_CLI_PATH), arguments);
        ASSERT_TRUE(cli.waitForStarted(5000));
    }

    QTemporaryDir dir;
    QString directory;
    QString tracePath;
    SampleFirmware firmware;
    std::unique_ptr<SimProcess> sim;
    std::vector<std::pair<QString, QString>> environment;
};

} // namespace

TEST_F(FleetRollout, ActivatesEveryUnitButTheBrokenOneAndSkipsThemTheSecondTime)
{
    const QString received = dir.filePath(QStringLiteral("received"));
    Start({"--fleet", "4", "--fleet-break-download", "2", "--fleet-old-firmware", "3", "--verification-polls", "0",
           "--firmware-dir", received});
    const CliRun run = RunCli({"fleet", "download", firmware.masterPath, "--yes", "--activate", "--jobs", "3",
                               "--restart-timeout", "10"},
                              environment);
    EXPECT_EQ(run.status, 1) << run.err.toStdString();
    EXPECT_TRUE(run.out.startsWith(QStringLiteral("name,connection,outcome,reason\n"))) << run.out.toStdString();
    auto rows = RowsByHost(run.out);
    ASSERT_EQ(rows.size(), 5u) << run.out.toStdString();
    for (const QString host : {"192.168.255.120", "10.0.0.1", "10.0.0.3", "10.0.0.4"}) {
        EXPECT_EQ(rows[host]["outcome"], QStringLiteral("activated")) << host.toStdString() << ": " << rows[host]["reason"].toStdString();
        EXPECT_EQ(rows[host]["reason"], QString());
    }
    EXPECT_EQ(rows["10.0.0.2"]["outcome"], QStringLiteral("failed"));
    // The unit's TFTP error ends its download with code 7, told in words.
    EXPECT_EQ(rows["10.0.0.2"]["reason"], QStringLiteral("download: The target device encountered a non-recoverable "
                                                         "error: an unexpected TFTP opcode or final status (code 7)"));
    EXPECT_TRUE(run.err.contains(QStringLiteral("5 units: 4 activated, 1 failed"))) << run.err.toStdString();

    // Each unit holds the image it was sent, in files of its own.
    const QByteArray image = ReadBytes(firmware.imagePath);
    ASSERT_FALSE(image.isEmpty());
    EXPECT_EQ(ReadBytes(received + QStringLiteral("/fleet-1-image.bin")), image);
    EXPECT_EQ(ReadBytes(received + QStringLiteral("/fleet-3-image.bin")), image);
    EXPECT_NE(ReadBytes(received + QStringLiteral("/fleet-2-image.bin")), image);

    // Read back as the fleet status sees them.
    const CliRun status = RunCli({"fleet", "status"}, environment);
    auto health = RowsByHost(status.out);
    for (const QString host : {"192.168.255.120", "10.0.0.1", "10.0.0.3", "10.0.0.4"})
        EXPECT_EQ(health[host]["active_firmware"], QStringLiteral("QOR0310.bin")) << host.toStdString();
    EXPECT_EQ(health["10.0.0.2"]["active_firmware"], QStringLiteral("QOR0300.bin"));
    EXPECT_EQ(health["10.0.0.3"]["inactive_firmware"], QStringLiteral("QOR0290.bin"));

    // Again: the units running the software are left alone.
    const int startsBefore = CountTracedRequests(tracePath, kTracedDownloadStartHex);
    const CliRun again = RunCli({"fleet", "download", firmware.masterPath, "--yes"}, environment);
    EXPECT_EQ(again.status, 1);
    rows = RowsByHost(again.out);
    EXPECT_EQ(rows["10.0.0.1"]["outcome"], QStringLiteral("skipped"));
    EXPECT_EQ(rows["10.0.0.1"]["reason"], QStringLiteral("already running QOR0310.bin"));
    EXPECT_EQ(rows["10.0.0.2"]["outcome"], QStringLiteral("failed"));
    EXPECT_EQ(CountTracedRequests(tracePath, kTracedDownloadStartHex), startsBefore + 1) << "only the broken unit was sent anything";
    EXPECT_TRUE(again.err.contains(QStringLiteral("5 units: 4 skipped, 1 failed"))) << again.err.toStdString();
}

// A unit that answers its activation and runs the old firmware for a while
// before it restarts: the reads meanwhile do not end the wait, the restarted
// unit running the new firmware does.
TEST_F(FleetRollout, AUnitThatRestartsLateAfterItsActivationIsReadBackOnceRestarted)
{
    Start({"--verification-polls", "0", "--restart-delay-ms", "1500"});
    const CliRun run = RunCli({"fleet", "download", firmware.masterPath, "--yes", "--activate", "--restart-timeout",
                               "20"},
                              environment);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto rows = RowsByHost(run.out);
    ASSERT_EQ(rows.size(), 1u) << run.out.toStdString();
    EXPECT_EQ(rows.begin()->second.at("outcome"), QStringLiteral("activated")) << run.out.toStdString();
}

TEST_F(FleetRollout, ADownloadOnlyRolloutOfAGroupSucceedsAsAWhole)
{
    Start({"--fleet", "2", "--verification-polls", "0"});
    const CliRun run = RunCli({"fleet", "download", firmware.masterPath, "--yes", "--group",
                               QStringLiteral("127.0.0.1:%1").arg(sim->Port())},
                              environment);
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const auto rows = RowsByHost(run.out);
    ASSERT_EQ(rows.size(), 3u);
    for (const auto& [host, row] : rows)
        EXPECT_EQ(row.at("outcome"), QStringLiteral("downloaded")) << host.toStdString();
    // Downloaded, not activated: the new software waits in the inactive bank.
    const auto health = RowsByHost(RunCli({"fleet", "status"}, environment).out);
    EXPECT_EQ(health.at("10.0.0.2").at("active_firmware"), QStringLiteral("QOR0300.bin"));
    EXPECT_EQ(health.at("10.0.0.2").at("inactive_firmware"), QStringLiteral("QOR0310.bin"));
}

TEST_F(FleetRollout, InterruptEndsTheRunningDownloadsWithTheEndCommandAndStartsNoOther)
{
    // Units that verify for long: the downloads are under way when Ctrl+C comes.
    Start({"--fleet", "3", "--verification-polls", "20"});
    QProcess cli;
    StartRollout(cli, {"fleet", "download", firmware.masterPath, "--yes", "--jobs", "2"});

    // Both running units are verifying (their second status query came).
    QDeadlineTimer deadline(15000);
    while (CountTracedRequests(tracePath, kTracedStatusQueryHex) < 4 && !deadline.hasExpired())
        QThread::msleep(50);
    ASSERT_EQ(CountTracedRequests(tracePath, kTracedStatusQueryHex), 4);
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 1);

    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    const auto rows = RowsByHost(QString::fromLocal8Bit(cli.readAllStandardOutput()));
    ASSERT_EQ(rows.size(), 4u) << err.toStdString();
    int interrupted = 0, notStarted = 0;
    for (const auto& [host, row] : rows) {
        EXPECT_EQ(row.at("outcome"), QStringLiteral("cancelled")) << host.toStdString();
        interrupted += row.at("reason") == QStringLiteral("interrupted; the download was ended") ? 1 : 0;
        notStarted += row.at("reason") == QStringLiteral("not started") ? 1 : 0;
    }
    EXPECT_EQ(interrupted, 2) << err.toStdString();
    EXPECT_EQ(notStarted, 2);
    EXPECT_EQ(CountTracedRequests(tracePath, kTracedDownloadStartHex), 2) << "no unit started after the interrupt";
    EXPECT_EQ(CountTracedRequests(tracePath, kTracedDownloadEndHex), 2) << "each running download got its end command";
}

TEST_F(FleetRollout, ARefusedRolloutSendsNothing)
{
    Start({"--fleet", "2"});
    QProcess cli;
    StartRollout(cli, {"fleet", "download", firmware.masterPath, "--activate"});
    cli.write("n\n");
    cli.closeWriteChannel();
    ASSERT_TRUE(cli.waitForFinished(10000));
    EXPECT_EQ(cli.exitCode(), 3);
    const QString err = QString::fromLocal8Bit(cli.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("QORSW310 (QOR0310.bin) on 3 units"))) << err.toStdString();
    EXPECT_TRUE(TracedRequests(tracePath).empty()) << "nothing was sent";

    // Bad arguments, a bad master file, no directory.
    EXPECT_EQ(RunCli({"fleet", "download"}, environment).status, 64);
    EXPECT_EQ(RunCli({"fleet", "download", firmware.masterPath, "--jobs", "0"}, environment).status, 64);
    EXPECT_EQ(RunCli({"fleet", "download", firmware.masterPath, "--restart-timeout"}, environment).status, 64);
    EXPECT_EQ(RunCli({"fleet", "download", firmware.imagePath, "--yes"}, environment).status, 1)
        << "an image is no master file";
    EXPECT_EQ(RunCli({"fleet", "download", firmware.masterPath, "--yes", "--group", "Nowhere"}, environment).status, 2);
    EXPECT_EQ(RunCli({"fleet", "download", firmware.masterPath, "--yes"}, {{QStringLiteral("QORA_RKS_DIRECTORY"), QString()}})
                  .status,
              2);
    EXPECT_TRUE(TracedRequests(tracePath).empty());
}

TEST(RolloutTable, OutcomesSummaryAndTheSoftwareMatch)
{
    std::vector<SRolloutRow> rows{
        {QStringLiteral("Site \"A\""), QStringLiteral("HOST=1,ADDR=2"), ERolloutOutcome::Activated, {}},
        {QStringLiteral("B"), QStringLiteral("C"), ERolloutOutcome::Skipped, QStringLiteral("already running X")},
    };
    EXPECT_EQ(RolloutCsv(rows), QByteArray("name,connection,outcome,reason\n"
                                           "\"Site \"\"A\"\"\",\"HOST=1,ADDR=2\",activated,\n"
                                           "B,C,skipped,already running X\n"));
    EXPECT_TRUE(RolloutSucceeded(rows));
    EXPECT_TRUE(RolloutSucceeded({})) << "nothing to do is no failure";
    rows.push_back({QStringLiteral("D"), QStringLiteral("E"), ERolloutOutcome::Cancelled, QStringLiteral("not started")});
    EXPECT_FALSE(RolloutSucceeded(rows));
    EXPECT_EQ(RolloutSummary(rows), QStringLiteral("3 units: 1 activated, 1 skipped, 1 cancelled"));
    EXPECT_EQ(RolloutSummary({rows[0]}), QStringLiteral("1 unit: 1 activated"));

    const SRolloutSoftware software{QStringLiteral("QOR0310.bin"), QStringLiteral("QORSW310")};
    EXPECT_TRUE(IsRolloutSoftware(QStringLiteral("QOR0310.bin"), software));
    EXPECT_TRUE(IsRolloutSoftware(QStringLiteral(" QORSW310 "), software));
    EXPECT_FALSE(IsRolloutSoftware(QStringLiteral("qor0310.bin"), software)) << "the unit's names are exact";
    EXPECT_FALSE(IsRolloutSoftware(QString(), SRolloutSoftware{})) << "an empty bank is no software";
}
