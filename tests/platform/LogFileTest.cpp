// The log file: what it takes, how each entry reads, and that lines written
// from several threads at once stay whole.

#include "platform/LogCategories.h"
#include "platform/LogFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

Q_LOGGING_CATEGORY(lcOther, "vendor.plugin")

QStringList Lines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

class LogFileTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    void TearDown() override { StopLogFile(); }

    [[nodiscard]] QString LogPath() const { return folder.filePath(QStringLiteral("qora.log")); }

    QTemporaryDir folder;
};

TEST(LogFileLine, TimeInUtcLevelCategoryAndContinuationLinesIndented)
{
    const QDateTime local(QDate(2026, 12, 8), QTime(8, 15, 9, 7), QTimeZone(3600));
    EXPECT_EQ(LogFileLine(local, QtWarningMsg, "qora.rks", QStringLiteral("no reply within 5000 ms")),
              QStringLiteral("2026-12-08T07:15:09.007Z warning qora.rks: no reply within 5000 ms"));
    EXPECT_EQ(LogFileLine(local, QtInfoMsg, "qora.link", QStringLiteral("a\r\nb\nc")),
              QStringLiteral("2026-12-08T07:15:09.007Z info qora.link: a\n\tb\n\tc"));
    EXPECT_EQ(LogFileLine(local, QtCriticalMsg, nullptr, QString()),
              QStringLiteral("2026-12-08T07:15:09.007Z critical default: "));
}

TEST(LogFileTakes, InfoOfOurOwnCategoriesWarningsOfAll)
{
    EXPECT_TRUE(LogFileTakes(QtInfoMsg, "qora.link"));
    EXPECT_TRUE(LogFileTakes(QtInfoMsg, "qora.data.user"));
    EXPECT_TRUE(LogFileTakes(QtWarningMsg, "qora.rks"));
    EXPECT_FALSE(LogFileTakes(QtDebugMsg, "qora.rks"));
    EXPECT_FALSE(LogFileTakes(QtInfoMsg, "qoranot.ours"));
    EXPECT_FALSE(LogFileTakes(QtInfoMsg, "default"));
    EXPECT_TRUE(LogFileTakes(QtWarningMsg, "default"));
    EXPECT_TRUE(LogFileTakes(QtCriticalMsg, "qt.network"));
}

TEST_F(LogFileTest, TurnsOurCategoriesOnAndAppendsWhatItTakes)
{
    EXPECT_FALSE(lcRks().isWarningEnabled()) << "off until a rule or a log file turns it on";
    {
        QFile earlier(LogPath());
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("an earlier run\n");
    }
    ASSERT_EQ(StartLogFile(LogPath()), std::nullopt);
    EXPECT_TRUE(lcRks().isInfoEnabled());
    EXPECT_TRUE(lcCommissioning().isWarningEnabled());
    EXPECT_FALSE(lcLink().isDebugEnabled());

    qCInfo(lcLink, "connected to a QORA unit");
    qCDebug(lcLink, "not taken");
    qCWarning(lcFirmware, "download failed");
    qCInfo(lcOther, "not ours, not a warning");
    qCWarning(lcOther, "their warning");

    // Each line is in the file at once, before the log is closed.
    const QStringList lines = Lines(LogPath());
    ASSERT_EQ(lines.size(), 4) << qPrintable(lines.join(u'\n'));
    EXPECT_EQ(lines[0], QStringLiteral("an earlier run"));
    EXPECT_TRUE(lines[1].endsWith(QLatin1String("Z info qora.link: connected to a QORA unit"))) << qPrintable(lines[1]);
    EXPECT_TRUE(lines[2].endsWith(QLatin1String("Z warning qora.firmware: download failed"))) << qPrintable(lines[2]);
    EXPECT_TRUE(lines[3].endsWith(QLatin1String("Z warning vendor.plugin: their warning"))) << qPrintable(lines[3]);

    StopLogFile();
    EXPECT_FALSE(lcRks().isWarningEnabled());
    qCWarning(lcOther, "after the end");
    EXPECT_EQ(Lines(LogPath()).size(), 4);
}

TEST_F(LogFileTest, AFileThatCannotBeOpenedChangesNothing)
{
    const QString path = folder.filePath(QStringLiteral("missing/qora.log"));
    EXPECT_EQ(StartLogFile(path), QStringLiteral("cannot open %1: No such file or directory").arg(path));
    EXPECT_EQ(StartLogFile(QString()), QStringLiteral("cannot open the log file: no file name given"));
    EXPECT_FALSE(lcLink().isWarningEnabled());

    // A working log file stays in use when a second one cannot be opened.
    ASSERT_EQ(StartLogFile(LogPath()), std::nullopt);
    EXPECT_NE(StartLogFile(folder.path()), std::nullopt) << "a folder is no file";
    qCWarning(lcData, "still here");
    EXPECT_EQ(Lines(LogPath()).size(), 1);
}

TEST_F(LogFileTest, LinesFromSeveralThreadsStayWhole)
{
    ASSERT_EQ(StartLogFile(LogPath()), std::nullopt);
    constexpr int kThreads = 4;
    constexpr int kLines = 500;
    const QString padding(200, u'x');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t, &padding] {
            for (int i = 0; i < kLines; ++i)
                qCWarning(lcRks, "thread %d line %d %s", t, i, qPrintable(padding));
        });
    for (std::thread& thread : threads)
        thread.join();

    const QStringList lines = Lines(LogPath());
    ASSERT_EQ(lines.size(), kThreads * kLines);
    std::vector<int> next(kThreads, 0);
    for (const QString& line : lines) {
        const qsizetype at = line.indexOf(QLatin1String(" warning qora.rks: thread "));
        ASSERT_EQ(at, 24) << qPrintable(line);
        const QStringList words = line.mid(at + 26).split(u' ');
        ASSERT_EQ(words.size(), 4) << qPrintable(line);
        const int thread = words[0].toInt();
        ASSERT_TRUE(thread >= 0 && thread < kThreads);
        EXPECT_EQ(words[2].toInt(), next[thread]++) << "each thread's lines in its own order";
        EXPECT_EQ(words[3], padding);
    }
}

} // namespace
