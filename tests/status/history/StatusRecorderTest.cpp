// Recording the history to a file: a row per GPS answer with the other answers
// that are recent, whole rows only when the disk fills, and files that cannot
// be written refused with the reason.

#include "status/history/StatusRecorder.h"

#include "status/history/StatusHistory.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

SGpsSample Gps(std::int64_t t, int satellite = 7)
{
    SGpsSample g;
    g.timeMs = t;
    g.channels[0].satellite = satellite;
    g.channels[0].cno = 44;
    return g;
}

SInstallationSample Installation(std::int64_t t)
{
    SInstallationSample i;
    i.timeMs = t;
    i.texts[0] = QStringLiteral("OK");
    return i;
}

QList<QByteArray> Lines(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray all = file.readAll();
    EXPECT_TRUE(all.isEmpty() || all.endsWith('\n')) << "the file ends inside a row";
    QList<QByteArray> lines = all.split('\n');
    lines.removeLast();
    return lines;
}

TEST(StatusRecorder, ARowForEachGpsAnswerWithTheRecentOtherAnswers)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("status.csv"));
    CStatusHistory history;
    history.AddGps(Gps(1000)); // before the recording: not written
    CStatusRecorder recorder;
    QString error;
    ASSERT_TRUE(recorder.Open(path, StatusRecordFormat::Csv, error)) << error.toStdString();
    recorder.Follow(history);
    QSignalSpy rows(&recorder, &CStatusRecorder::RowWritten);

    history.AddInstallation(Installation(2000)); // no row of its own
    history.AddGps(Gps(5000));
    history.MarkGap();
    history.AddGps(Gps(5000 + CStatusRecorder::kStaleMs + 3000)); // the installation answer is too old now
    EXPECT_EQ(rows.count(), 2);
    EXPECT_EQ(recorder.Rows(), 2);

    recorder.Close();
    history.AddGps(Gps(90000)); // after the recording ended
    const QList<QByteArray> lines = Lines(path);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("time,latitude,"));
    EXPECT_EQ(lines[1].split(',')[8], "OK"); // self_test
    EXPECT_EQ(lines[2].split(',')[8], "");
    for (const QByteArray& line : lines)
        EXPECT_EQ(line.count(','), 33);

    // Opening again starts the file afresh.
    ASSERT_TRUE(recorder.Open(path, StatusRecordFormat::JsonLines, error));
    recorder.Close();
    EXPECT_TRUE(Lines(path).isEmpty());
}

TEST(StatusRecorder, AFileThatCannotBeWrittenIsRefusedWithTheReason)
{
    CStatusRecorder recorder;
    QString error;
    // A full disk already takes the header.
    EXPECT_FALSE(recorder.Open(QStringLiteral("/dev/full"), StatusRecordFormat::Csv, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(recorder.IsOpen());

    QTemporaryDir dir;
    error.clear();
    EXPECT_FALSE(recorder.Open(dir.filePath(QStringLiteral("missing/status.csv")), StatusRecordFormat::Csv, error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(recorder.WriteRow(Gps(1), nullptr, nullptr));
}

TEST(StatusRecorder, AFullDiskEndsTheRecordingAndKeepsTheWholeRowsBefore)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("status.jsonl"));
    CStatusHistory history;
    CStatusRecorder recorder;
    QString error;
    ASSERT_TRUE(recorder.Open(path, StatusRecordFormat::JsonLines, error));
    recorder.Follow(history);
    QSignalSpy failed(&recorder, &CStatusRecorder::Failed);
    history.AddGps(Gps(1000));
    history.AddGps(Gps(2000));
    const qint64 written = QFile(path).size();
    ASSERT_GT(written, 0);

    // The disk fills half-way through the next row: the file may grow by a
    // few hundred bytes only.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = rlim_t(written + 100);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    history.AddGps(Gps(3000));
    history.AddGps(Gps(4000));
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    ASSERT_EQ(failed.count(), 1); // said once, then the recording is over
    EXPECT_FALSE(failed[0][0].toString().isEmpty());
    EXPECT_EQ(recorder.Error(), failed[0][0].toString());
    EXPECT_FALSE(recorder.IsOpen());
    EXPECT_EQ(recorder.Rows(), 2);
    EXPECT_EQ(QFile(path).size(), written);
    EXPECT_EQ(Lines(path).size(), 2);
}

} // namespace
