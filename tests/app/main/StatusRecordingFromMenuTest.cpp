// Status > Record to File... in the main window, offscreen: the file asked for
// through the program's file dialog, rows as the history grows, the check
// mark, stopping, and a recording that the disk ends with a message saying why.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/StatusWindows.h"
#include "status/history/StatusHistory.h"
#include "status/history/StatusHistoryFeed.h"
#include "status/history/StatusRecordingCommand.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QMenu>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

class StatusRecordingFromMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        previousDialog_ = SetFileDialogFunction([this](const FileDialogRequest& request) -> std::optional<QString> {
            asked.push_back(request);
            return answer;
        });
    }
    void TearDown() override { SetFileDialogFunction(std::move(previousDialog_)); }

    QAction& Action() const { return *frame.Action(ID_RECORD_STATUS); }
    void Sample(std::int64_t timeMs)
    {
        SGpsSample gps;
        gps.timeMs = timeMs;
        gps.channels[4] = {21, 47, 40, 90, false};
        windows.History().AddGps(gps);
    }
    QList<QByteArray> Lines(const QString& path) const
    {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray all = file.readAll();
        EXPECT_TRUE(all.isEmpty() || all.endsWith('\n'));
        QList<QByteArray> lines = all.split('\n');
        lines.removeLast();
        return lines;
    }
    bool AllWanted(bool wanted) const
    {
        const CStatusHistoryFeed& feed = windows.HistoryFeed();
        return feed.IsWanted(StatusSampleKind::Gps) == wanted && feed.IsWanted(StatusSampleKind::Installation) == wanted &&
               feed.IsWanted(StatusSampleKind::Constellation) == wanted;
    }

    QTemporaryDir dir;
    std::optional<QString> answer;
    std::vector<FileDialogRequest> asked;
    PromptRecorder prompts;
    SettingsSandbox sandbox;
    CManagerSettings settings;
    CMainFrame frame{settings};
    CStatusWindows windows{frame};

private:
    FileDialogFunction previousDialog_;
};

TEST_F(StatusRecordingFromMenuTest, TheMenuCommandStartsAndStopsARecordingWithItsCheckMark)
{
    // In the Status menu after the three windows, with no accelerator of its own.
    const QList<QAction*> status = frame.Menu(QStringLiteral("Status"))->actions();
    ASSERT_FALSE(status.isEmpty());
    EXPECT_EQ(status.last(), &Action());
    EXPECT_EQ(Action().text(), QStringLiteral("&Record to File..."));
    EXPECT_TRUE(Action().isCheckable());
    EXPECT_FALSE(Action().isChecked());
    EXPECT_EQ(FindFrameCommand(ID_RECORD_STATUS)->accelerator, 0);

    const QString path = dir.filePath(QStringLiteral("field.csv"));
    answer = path;
    frame.RunCommand(ID_RECORD_STATUS);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^QORA-status-\\d{8}-\\d{6}\\.csv$")).match(asked[0].initialPath).hasMatch())
        << asked[0].initialPath.toStdString();
    EXPECT_TRUE(asked[0].filter.contains(QStringLiteral("*.csv")));
    EXPECT_TRUE(asked[0].filter.contains(QStringLiteral("*.jsonl")));
    EXPECT_TRUE(Action().isChecked());
    EXPECT_TRUE(windows.Recording().IsRecording());
    EXPECT_TRUE(AllWanted(true)); // hidden windows go on asking while it records
    // The status bar says so as long as it runs, whatever the message area shows.
    QLabel* pane = windows.RecordingPane();
    ASSERT_NE(pane, nullptr);
    EXPECT_FALSE(pane->isHidden());
    EXPECT_EQ(pane->text(), QStringLiteral("REC status"));
    EXPECT_EQ(pane->toolTip(), QStringLiteral("Recording the status to ") + QDir::toNativeSeparators(path));
    QStatusTipEvent tip(QStringLiteral("Shows the GPS Status window"));
    QApplication::sendEvent(&frame, &tip);
    EXPECT_FALSE(pane->isHidden());

    Sample(1000);
    Sample(6000);
    frame.RunCommand(ID_RECORD_STATUS); // stops without asking
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_FALSE(Action().isChecked());
    EXPECT_TRUE(AllWanted(false));
    EXPECT_TRUE(pane->isHidden());
    Sample(11000); // after the end: not recorded
    const QList<QByteArray> lines = Lines(path);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("time,latitude,longitude,altitude_m,"));
    EXPECT_TRUE(lines[1].startsWith("1970-01-01T00:00:01.000Z,"));
    EXPECT_TRUE(lines[2].endsWith(",21,47,,,,,,,,,,,,,,")); // channel 5
    EXPECT_TRUE(prompts.shown.empty());

    // A cancelled dialog starts nothing; the next dialog opens where the last file went.
    answer.reset();
    frame.RunCommand(ID_RECORD_STATUS);
    EXPECT_FALSE(Action().isChecked());
    EXPECT_FALSE(windows.Recording().IsRecording());
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_TRUE(asked[1].initialPath.startsWith(dir.path() + u'/'));

    // A name ending in .jsonl records JSON lines.
    const QString json = dir.filePath(QStringLiteral("field.jsonl"));
    answer = json;
    frame.RunCommand(ID_RECORD_STATUS);
    Sample(12000);
    frame.RunCommand(ID_RECORD_STATUS);
    ASSERT_EQ(Lines(json).size(), 1);
    EXPECT_TRUE(Lines(json)[0].startsWith("{\"time\":\"1970-01-01T00:00:12.000Z\","));
}

TEST_F(StatusRecordingFromMenuTest, AFileThatCannotBeWrittenEndsTheRecordingWithTheReason)
{
    answer = dir.filePath(QStringLiteral("no/such/folder.csv"));
    frame.RunCommand(ID_RECORD_STATUS);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Cannot record to "))) << prompts.shown[0].text.toStdString();
    EXPECT_FALSE(Action().isChecked());
    EXPECT_TRUE(AllWanted(false));

    const QString path = dir.filePath(QStringLiteral("full.csv"));
    answer = path;
    frame.RunCommand(ID_RECORD_STATUS);
    ASSERT_TRUE(Action().isChecked());
    Sample(1000);
    const qint64 written = QFile(path).size();
    // The disk fills in the middle of the next row.
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = previous;
    limited.rlim_cur = rlim_t(written + 40);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    Sample(6000);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(Action().isChecked());
    EXPECT_FALSE(windows.Recording().IsRecording());
    EXPECT_TRUE(AllWanted(false));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].icon, MsgIcon::Error);
    EXPECT_TRUE(prompts.shown[1].text.contains(QStringLiteral("could not be written"))) << prompts.shown[1].text.toStdString();
    EXPECT_TRUE(prompts.shown[1].text.contains(QStringLiteral("The file keeps the row written before.")));
    EXPECT_EQ(QFile(path).size(), written);
    EXPECT_EQ(Lines(path).size(), 2);
}

// The history of the run hears of the frame's breaks and keeps itself for the
// same unit, also while no window shows it.
TEST_F(StatusRecordingFromMenuTest, TheRunsHistoryFollowsTheFrame)
{
    Sample(1000);
    emit frame.Controller().LinkInterrupted();
    Sample(6000);
    ASSERT_EQ(windows.History().Gps().size(), 2u);
    EXPECT_TRUE(windows.History().Gps().back().afterGap);
    emit frame.Controller().UnitConnected(); // before any connection: names nothing, keeps all
    EXPECT_EQ(windows.History().Gps().size(), 2u);
}

} // namespace
