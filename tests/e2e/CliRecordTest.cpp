// qora-cli record against the simulated unit through the real TCP link: the
// columns and rows it writes, its ends (count, duration, signal), a killed
// process, and the arguments it refuses.

#include "support/CliRun.h"
#include "support/SimProcess.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

namespace {

const QStringList kColumns = [] {
    QStringList columns = QStringLiteral("time,latitude,longitude,altitude_m,satellites,mean_cno,gps_fix,clock_state,"
                                         "self_test,verdict")
                              .split(u',');
    for (int c = 1; c <= 12; ++c)
        columns << QStringLiteral("ch%1_sat").arg(c) << QStringLiteral("ch%1_cno").arg(c);
    return columns;
}();

std::vector<std::pair<QString, QString>> Environment(quint16 port)
{
    return {{QStringLiteral("QORA_RKS_GATEWAY"), QStringLiteral("127.0.0.1:%1").arg(port)},
            {QStringLiteral("XDG_CONFIG_HOME"), QStringLiteral("/nonexistent-qora-test")}};
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The file's lines; the file must end on a whole line.
QList<QByteArray> Lines(const QString& path)
{
    const QByteArray all = Read(path);
    EXPECT_TRUE(all.isEmpty() || all.endsWith('\n')) << "the file ends inside a row";
    QList<QByteArray> lines = all.split('\n');
    lines.removeLast();
    return lines;
}

// Checks one CSV row of the unit's answers.
void ExpectRow(const QByteArray& line)
{
    const QList<QByteArray> fields = line.split(',');
    ASSERT_EQ(fields.size(), kColumns.size()) << line.constData();
    const QDateTime time = QDateTime::fromString(QString::fromLatin1(fields[0]), Qt::ISODateWithMs);
    EXPECT_TRUE(time.isValid() && time.offsetFromUtc() == 0 && fields[0].endsWith('Z')) << fields[0].constData();
    EXPECT_LT(std::abs(time.secsTo(QDateTime::currentDateTimeUtc())), 60);
    // The simulated unit's default position.
    EXPECT_EQ(fields[1], "59.3293500");
    EXPECT_EQ(fields[2], "18.0686000");
    int tracked = 0, sum = 0;
    for (int c = 0; c < 12; ++c) {
        const QByteArray& satellite = fields[10 + 2 * c];
        const QByteArray& cno = fields[11 + 2 * c];
        EXPECT_EQ(satellite.isEmpty(), cno.isEmpty());
        if (!satellite.isEmpty()) {
            ++tracked;
            sum += cno.toInt();
        }
    }
    EXPECT_EQ(fields[4].toInt(), tracked);
    if (tracked) {
        EXPECT_EQ(fields[5], QByteArray::number(double(sum) / tracked, 'f', 1));
    }
    for (int column = 6; column < 10; ++column)
        EXPECT_FALSE(fields[column].isEmpty()) << kColumns[column].toStdString();
    EXPECT_EQ(fields[9], "Good");
}

// Starts qora-cli record in the background.
class RecordingProcess {
public:
    RecordingProcess(quint16 port, const QStringList& arguments)
    {
        auto env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : Environment(port))
            env.insert(name, value);
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(QORA_CLI_PATH), QStringList{QStringLiteral("record")} + arguments);
    }
    ~RecordingProcess()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    QProcess& Process() { return process_; }

private:
    QProcess process_;
};

// Waits until the file holds this many lines.
bool WaitForLines(const QString& path, int lines)
{
    QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        if (Read(path).count('\n') >= lines)
            return true;
        QThread::msleep(20);
    }
    return false;
}

TEST(CliRecord, WritesTheColumnsAndOneRowPerAnswerUpToTheCount)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("status.csv"));
    const CliRun run = RunCli({QStringLiteral("record"), path, QStringLiteral("--interval"), QStringLiteral("0.2"),
                               QStringLiteral("--count"), QStringLiteral("3")},
                              Environment(sim.Port()));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QList<QByteArray> lines = Lines(path);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], kColumns.join(u',').toLatin1());
    for (int i = 1; i < 4; ++i) {
        SCOPED_TRACE(i);
        ExpectRow(lines[i]);
    }
    const QDateTime first = QDateTime::fromString(QString::fromLatin1(lines[1].split(',')[0]), Qt::ISODateWithMs);
    const QDateTime last = QDateTime::fromString(QString::fromLatin1(lines[3].split(',')[0]), Qt::ISODateWithMs);
    EXPECT_GE(first.msecsTo(last), 300); // two intervals of 0.2 s, less a little jitter
}

TEST(CliRecord, JsonLinesForADurationWithTheSameKeys)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("status.log"));
    const CliRun run = RunCli({QStringLiteral("record"), path, QStringLiteral("--format"), QStringLiteral("jsonl"),
                               QStringLiteral("--interval"), QStringLiteral("0.2"), QStringLiteral("--duration"),
                               QStringLiteral("1.1")},
                              Environment(sim.Port()));
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QList<QByteArray> lines = Lines(path);
    ASSERT_GE(lines.size(), 3);
    ASSERT_LE(lines.size(), 7);
    for (const QByteArray& line : lines) {
        QJsonParseError error;
        const QJsonObject row = QJsonDocument::fromJson(line, &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.constData();
        EXPECT_EQ(row.keys().size(), kColumns.size());
        for (const QString& column : kColumns)
            EXPECT_TRUE(row.contains(column)) << column.toStdString();
        EXPECT_EQ(row.value(QStringLiteral("verdict")).toString(), QStringLiteral("Good"));
        EXPECT_DOUBLE_EQ(row.value(QStringLiteral("latitude")).toDouble(), 59.32935);
    }
}

TEST(CliRecord, AKilledRecordingLeavesWholeRowsAndATerminatedOneEndsCleanly)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    QTemporaryDir dir;
    const QString killed = dir.filePath(QStringLiteral("killed.csv"));
    {
        RecordingProcess recording(sim.Port(), {killed, QStringLiteral("--interval"), QStringLiteral("0.1")});
        ASSERT_TRUE(WaitForLines(killed, 5));
        ::kill(pid_t(recording.Process().processId()), SIGKILL);
        ASSERT_TRUE(recording.Process().waitForFinished(5000));
        EXPECT_EQ(recording.Process().exitStatus(), QProcess::CrashExit);
    }
    const QList<QByteArray> lines = Lines(killed);
    ASSERT_GE(lines.size(), 5);
    for (qsizetype i = 1; i < lines.size(); ++i)
        EXPECT_EQ(lines[i].split(',').size(), kColumns.size());

    const QString terminated = dir.filePath(QStringLiteral("terminated.jsonl"));
    RecordingProcess recording(sim.Port(), {terminated, QStringLiteral("--interval"), QStringLiteral("0.1")});
    ASSERT_TRUE(WaitForLines(terminated, 3));
    recording.Process().terminate(); // SIGTERM
    ASSERT_TRUE(recording.Process().waitForFinished(5000));
    EXPECT_EQ(recording.Process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(recording.Process().exitCode(), 0);
    EXPECT_TRUE(recording.Process().readAllStandardError().contains("stopped;"));
    for (const QByteArray& line : Lines(terminated))
        EXPECT_FALSE(QJsonDocument::fromJson(line).isNull()) << line.constData();
}

TEST(CliRecord, BadArgumentsAreRefusedWithTheUsageStatus)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("status.csv"));
    const QString i = QStringLiteral("--interval"), c = QStringLiteral("--count"), d = QStringLiteral("--duration"),
                  f = QStringLiteral("--format");
    const QList<QStringList> refused{
        {},
        {file, c, QStringLiteral("0")},
        {file, c, QStringLiteral("3"), d, QStringLiteral("2")},
        {file, d, QStringLiteral("2"), c, QStringLiteral("3")},
        {file, f, QStringLiteral("xml")},
        {file, i, QStringLiteral("0.05")},
        {file, i, QStringLiteral("1.2.3")},
        {file, i, QStringLiteral("-1")},
        {file, i},
        {file, file},
        {file, QStringLiteral("--fast")},
    };
    for (const QStringList& arguments : refused) {
        SCOPED_TRACE(arguments.join(u' ').toStdString());
        const CliRun run = RunCli(QStringList{QStringLiteral("record")} + arguments, Environment(1));
        EXPECT_EQ(run.status, 64);
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("qora-cli: "))) << run.err.toStdString();
        EXPECT_FALSE(QFile::exists(file));
    }
    // No unit there: no connection, and no file made.
    const CliRun run = RunCli({QStringLiteral("record"), file, c, QStringLiteral("1")}, Environment(1));
    EXPECT_EQ(run.status, 2) << run.err.toStdString();
    EXPECT_FALSE(QFile::exists(file));
}

} // namespace
