// The Status menu's history windows: each opens its window inside the
// window area, with or without a connection, keeps the answers it draws
// coming while shown, exports its series, says why it is empty before the
// first answer, and shows its own help on F1.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/PlotWindows.h"
#include "status/history/StatusHistory.h"
#include "status/history/StatusHistoryExport.h"
#include "status/history/StatusHistoryFeed.h"
#include "status/plots/widgets/ConstellationChartsWindow.h"
#include "status/plots/widgets/InstallTimelineWindow.h"
#include "status/plots/widgets/SignalHistoryWindow.h"
#include "status/plots/widgets/SkyPlotWindow.h"
#include "status/plots/widgets/SurveyPlotWindow.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"
#include "platform/UserPrompts.h"

#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QTest>
#include <QTemporaryDir>
#include <QMenu>
#include <QMenuBar>

#include <functional>

#include <gtest/gtest.h>

TEST(PlotMenu, StatusMenuOpensEachHistoryWindowWhileNotConnected)
{
    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
    CMainFrame frame{settings};
    CStatusHistory history;
    CPlotWindows plots(frame, history);
    frame.resize(1024, 720);
    frame.show();

    QMenu* status = nullptr;
    for (QAction* action : frame.menuBar()->actions())
        if (action->text() == "&Status")
            status = action->menu();
    ASSERT_NE(status, nullptr);
    const std::pair<const char*, QMdiSubWindow*> entries[] = {
        {"Sky Plot", &plots.SkyPlot()},
        {"Signal History", &plots.SignalHistory()},
        {"Installation Timeline", &plots.InstallTimeline()},
        {"Survey Plot", &plots.SurveyPlot()},
        {"Constellation Charts", &plots.ConstellationCharts()},
    };
    for (const auto& [text, window] : entries) {
        SCOPED_TRACE(text);
        QAction* command = nullptr;
        for (QAction* action : status->actions())
            if (action->text() == QString::fromLatin1(text))
                command = action;
        ASSERT_NE(command, nullptr);
        EXPECT_TRUE(command->shortcut().isEmpty());
        EXPECT_FALSE(window->isVisible());
        frame.CommandStateChanged();
        EXPECT_TRUE(command->isEnabled());
        command->trigger();
        EXPECT_TRUE(window->isVisible());
        EXPECT_EQ(window->mdiArea(), frame.MdiArea());
    }
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(PlotMenu, ShownWindowsKeepTheirAnswersComingAndExportTheirSeries)
{
    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
    CMainFrame frame{settings};
    CStatusHistory history;
    CStatusHistoryFeed feed(history);
    CPlotWindows plots(frame, history);
    plots.Attach(feed);
    frame.resize(1024, 720);
    frame.show();

    // The timeline wants the installation answers while it is shown, and only then.
    EXPECT_FALSE(feed.IsWanted(StatusSampleKind::Installation));
    plots.InstallTimeline().ShowAndRaise();
    EXPECT_TRUE(feed.IsWanted(StatusSampleKind::Installation));
    EXPECT_FALSE(feed.IsWanted(StatusSampleKind::Gps));
    // Two windows over the GPS answers: they are wanted until both are hidden.
    plots.SkyPlot().ShowAndRaise();
    plots.SurveyPlot().ShowAndRaise();
    plots.SkyPlot().hide();
    EXPECT_TRUE(feed.IsWanted(StatusSampleKind::Gps));
    plots.SurveyPlot().hide();
    EXPECT_FALSE(feed.IsWanted(StatusSampleKind::Gps));
    plots.InstallTimeline().hide();
    EXPECT_FALSE(feed.IsWanted(StatusSampleKind::Installation));

    // "Export CSV..." of the timeline saves the installation series.
    SInstallationSample sample;
    sample.timeMs = 1796719278123;
    sample.texts[0] = QStringLiteral("OK");
    history.AddInstallation(sample);
    QTemporaryDir dir;
    const QString path = dir.filePath("timeline.csv");
    const FileDialogFunction previous =
        SetFileDialogFunction([&path](const FileDialogRequest& request) -> std::optional<QString> {
            EXPECT_TRUE(request.save);
            return path;
        });
    plots.InstallTimeline().ExportCsv();
    SetFileDialogFunction(previous);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), InstallationHistoryCsv(history));
    EXPECT_TRUE(prompts.shown.empty());
}

// Each window comes back where the user left it (closed by the user or with
// the frame), under its own name beside the status windows' placements.
TEST(PlotMenu, EachHistoryWindowComesBackWhereItWasLeft)
{
    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
    const int commands[] = {ID_SKY_PLOT, ID_SIGNAL_HISTORY, ID_INSTALLATION_TIMELINE, ID_SURVEY_PLOT,
                            ID_CONSTELLATION_CHARTS};
    const auto run = [&](const std::function<void(int, QMdiSubWindow&)>& each) {
        CMainFrame frame{settings};
        CStatusHistory history;
        CPlotWindows plots(frame, history);
        frame.resize(1000, 700);
        frame.show();
        QMdiSubWindow* windows[] = {&plots.SkyPlot(), &plots.SignalHistory(), &plots.InstallTimeline(),
                                    &plots.SurveyPlot(), &plots.ConstellationCharts()};
        for (int at = 0; at < 5; ++at) {
            frame.RunCommand(commands[at]);
            each(at, *windows[at]);
        }
        plots.SkyPlot().close();
        frame.close();
    };
    run([](int at, QMdiSubWindow& window) { window.setGeometry(100 + 20 * at, 50 + 10 * at, 400, 250); });
    EXPECT_TRUE(sandbox.Raw(QStringLiteral("Settings/Coordinates"))->contains(QStringLiteral("SignalHistoryWnd x2")));
    run([](int at, QMdiSubWindow& window) {
        EXPECT_TRUE(window.isVisible()) << at;
        EXPECT_EQ(window.geometry(), QRect(100 + 20 * at, 50 + 10 * at, 400, 250)) << at;
    });
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(PlotMenu, EachWindowSaysWhyItIsEmptyAndF1ShowsItsOwnHelp)
{
    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
    CMainFrame frame{settings};
    CStatusHistory history;
    CPlotWindows plots(frame, history);
    QStringList pages;
    plots.SetHelp([&pages](const QString& page) { pages << page; });
    frame.resize(1024, 720);
    frame.show();
    frame.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame));

    const std::pair<CPlotWindow*, const char*> windows[] = {
        {&plots.SkyPlot(), "status-history.html#sky-plot"},
        {&plots.SignalHistory(), "status-history.html#signal-history"},
        {&plots.InstallTimeline(), "status-history.html#installation-timeline"},
        {&plots.SurveyPlot(), "status-history.html#survey-plot"},
        {&plots.ConstellationCharts(), "status-history.html#constellation-charts"},
    };
    for (const auto& [window, page] : windows) {
        SCOPED_TRACE(page);
        window->ShowAndRaise();
        PumpFor(20);
        // Before any answer the whole sentence is in sight, however narrow the window.
        window->resize(300, window->height());
        PumpFor(20);
        QLabel& note = window->EmptyNote();
        EXPECT_TRUE(note.isVisible());
        EXPECT_EQ(note.text(), QStringLiteral("No status yet: the status windows ask the unit in commission mode"));
        EXPECT_GE(note.height(), note.heightForWidth(note.width()));
        EXPECT_LE(note.geometry().right(), note.parentWidget()->width());

        // F1 with the focus on whatever child takes it.
        QWidget* child = nullptr;
        for (QWidget* candidate : window->widget()->findChildren<QWidget*>())
            if (candidate->focusPolicy() != Qt::NoFocus && candidate->isVisible() && !child)
                child = candidate;
        QWidget* focus = child ? child : window->widget();
        focus->setFocus();
        pages.clear();
        QTest::keyClick(focus, Qt::Key_F1);
        EXPECT_EQ(pages, QStringList{QString::fromLatin1(page)});
    }

    // The first answer takes the note away.
    SInstallationSample sample;
    sample.timeMs = 1796719278123;
    history.AddInstallation(sample);
    for (const auto& [window, page] : windows)
        EXPECT_FALSE(window->EmptyNote().isVisible()) << page;
    EXPECT_TRUE(prompts.shown.empty());
}
