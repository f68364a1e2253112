// A session recorded against the simulated unit and played back by the
// simulator from that recording: the command-line companion cannot tell them
// apart.

#include "support/CliRun.h"
#include "support/SimProcess.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

CliRun RunCli(const QStringList& arguments, quint16 gatewayPort)
{
    return ::RunCli(arguments, {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(gatewayPort)},
                                {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-qora-test")}});
}

// The simulator as a plain process, for what it says on standard error.
struct ReplaySim {
    explicit ReplaySim(const QStringList& extra)
    {
        process.setProgram(QStringLiteral(QORA_UNIT_SIM_PATH));
        process.setArguments(QStringList{QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0")} + extra);
        process.start();
        if (!process.waitForStarted(5000))
            return;
        QByteArray line;
        while (!line.endsWith('\n') && process.waitForReadyRead(5000))
            line += process.readLine();
        if (line.startsWith("listening on "))
            port = line.mid(line.lastIndexOf(':') + 1).trimmed().toUShort();
    }
    ~ReplaySim()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    QProcess process;
    quint16 port = 0;
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(Replay, AReplayedSessionPrintsWhatTheRecordedOneDid)
{
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("session.jsonl"));
    const QList<QStringList> commands = {{QStringLiteral("status")}, {QStringLiteral("version")}};
    QList<CliRun> recorded;
    {
        SimProcess sim({QStringLiteral("--trace"), recording});
        ASSERT_TRUE(sim.Running());
        for (const QStringList& command : commands) {
            recorded.push_back(RunCli(command, sim.Port()));
            ASSERT_EQ(recorded.back().status, 0) << recorded.back().err.toStdString();
        }
    }
    ASSERT_FALSE(ReadAll(recording).isEmpty());

    // Played back twice over, so that repeated requests keep their answers,
    // with a trace of the replay beside it.
    const QString again = dir.filePath(QStringLiteral("replayed.jsonl"));
    ReplaySim replay({QStringLiteral("--replay"), recording, QStringLiteral("--trace"), again,
                      QStringLiteral("--delay-ms"), QStringLiteral("1")});
    ASSERT_NE(replay.port, 0) << replay.process.readAllStandardError().toStdString();
    for (int round = 0; round < 2; ++round) {
        for (qsizetype i = 0; i < commands.size(); ++i) {
            const CliRun run = RunCli(commands[i], replay.port);
            EXPECT_EQ(run.status, recorded[i].status) << run.err.toStdString();
            EXPECT_EQ(run.out, recorded[i].out) << commands[i].join(u' ').toStdString();
        }
    }
    EXPECT_TRUE(replay.process.readAllStandardError().isEmpty()) << "every request was recorded";
    EXPECT_FALSE(ReadAll(again).isEmpty());
}

TEST(Replay, ASessionTheCompanionRecordedPlaysBackTheSame)
{
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("cli.jsonl"));
    const QList<QStringList> commands = {{QStringLiteral("status")}, {QStringLiteral("version")}};
    QList<CliRun> recorded;
    {
        SimProcess sim;
        ASSERT_TRUE(sim.Running());
        for (const QStringList& command : commands) {
            recorded.push_back(RunCli(QStringList{QStringLiteral("--trace"), recording} + command, sim.Port()));
            ASSERT_EQ(recorded.back().status, 0) << recorded.back().err.toStdString();
        }
    }
    // Appended, one whole line an exchange: two sessions, each opened and closed.
    const QList<QByteArray> lines = ReadAll(recording).split('\n');
    ASSERT_GT(lines.size(), 4);
    EXPECT_TRUE(lines.last().isEmpty()) << "the last line is whole";
    EXPECT_TRUE(lines.first().startsWith("{\"kind\":\"open\",\"time\":\"")) << lines.first().constData();
    EXPECT_EQ(ReadAll(recording).count("\"kind\":\"open\""), 2);
    EXPECT_EQ(ReadAll(recording).count("\"kind\":\"close\""), 2);
    EXPECT_TRUE(lines[1].contains("\"rtt_ms\":")) << lines[1].constData();

    ReplaySim replay({QStringLiteral("--replay"), recording});
    ASSERT_NE(replay.port, 0) << replay.process.readAllStandardError().toStdString();
    for (qsizetype i = 0; i < commands.size(); ++i) {
        const CliRun run = RunCli(commands[i], replay.port);
        EXPECT_EQ(run.status, recorded[i].status) << run.err.toStdString();
        EXPECT_EQ(run.out, recorded[i].out) << commands[i].join(u' ').toStdString();
    }
    EXPECT_TRUE(replay.process.readAllStandardError().isEmpty()) << "every request was recorded";
}

TEST(Replay, ARecordingThatCannotBeOpenedIsRefusedBeforeAnythingIsSent)
{
    const CliRun run = RunCli({QStringLiteral("--trace"), QStringLiteral("/nonexistent-dir/x.jsonl"),
                               QStringLiteral("version")},
                              1);
    EXPECT_EQ(run.status, 64);
    EXPECT_TRUE(run.err.contains(QStringLiteral("cannot open the recording /nonexistent-dir/x.jsonl"))) << run.err.toStdString();
}

TEST(Replay, ARequestNeverRecordedGetsNoAnswerAndALine)
{
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("session.jsonl"));
    {
        SimProcess sim({QStringLiteral("--trace"), recording});
        ASSERT_TRUE(sim.Running());
        ASSERT_EQ(RunCli({QStringLiteral("version")}, sim.Port()).status, 0);
    }
    const QString replayTrace = dir.filePath(QStringLiteral("replayed.jsonl"));
    ReplaySim replay({QStringLiteral("--replay"), recording, QStringLiteral("--trace"), replayTrace});
    ASSERT_NE(replay.port, 0);
    const CliRun run = RunCli({QStringLiteral("raw"), QStringLiteral("8404170100ffff")}, replay.port);
    EXPECT_NE(run.status, 0) << run.out.toStdString();
    // The line is written before the answer goes out, so it is there or on its way.
    replay.process.setReadChannel(QProcess::StandardError);
    QByteArray err = replay.process.readAllStandardError();
    while (!err.endsWith('\n') && replay.process.waitForReadyRead(5000))
        err += replay.process.readAllStandardError();
    // The unit sees the request as the link carries it: 0x53 0x54, no length.
    EXPECT_TRUE(err.startsWith("qora-unit-sim: request not in the recording: route \"\", bytes 53540100ffff\n"))
        << err.toStdString();
    EXPECT_TRUE(ReadAll(replayTrace).contains("\"req\":\"53540100ffff\",\"result\":2,\"rep\":null"));
}

TEST(Replay, ADamagedRecordingIsRefusedAtStart)
{
    QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("damaged.jsonl"));
    QFile file(recording);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"kind\":\"open\",\"conn\":\"ADDR=1\",\"route\":null,\"req\":\"\",\"result\":0,\"rep\":null}\n"
               "{\"kind\":\"transfer\",\"conn\":null,\"route\":null,\"req\":\"0x12\",\"result\":0,\"rep\":\"\"}\n");
    file.close();

    QProcess sim;
    sim.start(QStringLiteral(QORA_UNIT_SIM_PATH),
              {QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--replay"), recording});
    ASSERT_TRUE(sim.waitForFinished(10000));
    EXPECT_EQ(sim.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(sim.exitCode(), 1);
    EXPECT_TRUE(sim.readAllStandardOutput().isEmpty());
    const QByteArray err = sim.readAllStandardError();
    EXPECT_TRUE(err.contains("damaged.jsonl, line 2: req is not hex")) << err.toStdString();
}

} // namespace
