// The Status menu's history windows: each opens its window inside the
// window area, with or without a connection.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/PlotWindows.h"
#include "status/history/StatusHistory.h"
#include "status/plots/widgets/ConstellationChartsWindow.h"
#include "status/plots/widgets/InstallTimelineWindow.h"
#include "status/plots/widgets/SignalHistoryWindow.h"
#include "status/plots/widgets/SkyPlotWindow.h"
#include "status/plots/widgets/SurveyPlotWindow.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"

#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>

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
