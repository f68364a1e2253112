// Window > Tile and Window > Cascade with the three status windows in a main
// window of 1024 x 720: every window stays inside the window area, the area
// shows no scroll bars, cascaded windows keep their own size and come back
// where they were after the next connection. The Window menu lists the open
// windows, and a window shown for the first time opens in its own size one
// step on from the window in front.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/PlotWindows.h"
#include "app/main/StatusWindows.h"
#include "status/plots/widgets/SignalHistoryWindow.h"
#include "status/plots/widgets/SkyPlotWindow.h"
#include "status/plots/widgets/SurveyPlotWindow.h"
#include "status/constellation/ConstellationStatistics.h"
#include "status/gps/GPSStatus.h"
#include "status/install/InstallStatus.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTableWidget>

#include <gtest/gtest.h>

namespace {

// For people: the pictures land here; look at them after a change of layout.
const QString kShotFolder = QStringLiteral("/tmp/frame-shots");

class WindowLayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        frame.resize(1024, 720);
        frame.show();
        PumpFor(20);
    }

    QList<QMdiSubWindow*> Shown(std::initializer_list<QMdiSubWindow*> wanted)
    {
        for (QMdiSubWindow* window : {static_cast<QMdiSubWindow*>(&windows.GpsStatus()),
                                      static_cast<QMdiSubWindow*>(&windows.InstallStatus()),
                                      static_cast<QMdiSubWindow*>(&windows.ConstellationStatistics())})
            window->setVisible(std::find(wanted.begin(), wanted.end(), window) != wanted.end());
        frame.CommandStateChanged();
        PumpFor(20);
        return QList<QMdiSubWindow*>(wanted);
    }

    // Every window inside the area and the area without scroll bars.
    ::testing::AssertionResult AllInside(const QList<QMdiSubWindow*>& shown)
    {
        PumpFor(30); // the area decides on its scroll bars as it lays itself out
        QMdiArea& area = *frame.MdiArea();
        const QRect inside(QPoint(0, 0), area.viewport()->size());
        for (QMdiSubWindow* window : shown) {
            if (!inside.contains(window->geometry()))
                return ::testing::AssertionFailure()
                       << window->windowTitle().toStdString() << " at " << window->x() << "," << window->y() << " size "
                       << window->width() << "x" << window->height() << " leaves the area of " << inside.width() << "x"
                       << inside.height();
        }
        if (area.horizontalScrollBar()->isVisible() || area.verticalScrollBar()->isVisible())
            return ::testing::AssertionFailure() << "the window area shows a scroll bar";
        return ::testing::AssertionSuccess();
    }

    void Shoot(const QString& name)
    {
        QDir().mkpath(kShotFolder);
        PumpFor(30);
        frame.grab().save(kShotFolder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }

    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
    CMainFrame frame{settings};
    CStatusWindows windows{frame};
    CPlotWindows plots{frame, windows.History()};
};

// The Window menu's entries below its commands, as it shows them.
QStringList WindowList(CMainFrame& frame, QList<QAction*>* entries = nullptr)
{
    QMenu* menu = frame.Menu(QStringLiteral("Window"));
    emit menu->aboutToShow();
    QStringList texts;
    bool listing = false;
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            listing = true;
            continue;
        }
        if (!listing)
            continue;
        texts << action->text() + (action->isChecked() ? QStringLiteral(" *") : QString());
        if (entries)
            *entries << action;
    }
    return texts;
}

TEST_F(WindowLayoutTest, TileFitsOneTwoOrThreeWindowsIntoTheArea)
{
    QMdiSubWindow* gps = &windows.GpsStatus();
    QMdiSubWindow* install = &windows.InstallStatus();
    QMdiSubWindow* constellation = &windows.ConstellationStatistics();
    for (const QList<QMdiSubWindow*>& shown :
         {Shown({gps}), Shown({gps, install}), Shown({install, constellation}), Shown({gps, install, constellation})}) {
        // Scattered first, one of them partly out of the area.
        for (QMdiSubWindow* window : shown)
            window->move(700, 500);
        ASSERT_TRUE(frame.Action(ID_WINDOW_TILE)->isEnabled());
        frame.RunCommand(ID_WINDOW_TILE);
        EXPECT_TRUE(AllInside(shown)) << shown.size() << " windows";
        // Full width each, one above the other, none hidden behind another.
        for (qsizetype i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(shown[i]->width(), frame.MdiArea()->viewport()->width());
            for (qsizetype j = i + 1; j < shown.size(); ++j)
                EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()));
        }
    }
    Shoot(QStringLiteral("tile-three"));

    // A maximized window is restored and tiled with the others.
    gps->showMaximized();
    frame.RunCommand(ID_WINDOW_TILE);
    EXPECT_FALSE(gps->isMaximized());
    EXPECT_TRUE(AllInside({gps, install, constellation}));
}

TEST_F(WindowLayoutTest, CascadeKeepsEachWindowsOwnSizeAndTheLayoutComesBack)
{
    const QList<QMdiSubWindow*> shown =
        Shown({&windows.GpsStatus(), &windows.InstallStatus(), &windows.ConstellationStatistics()});
    for (QMdiSubWindow* window : shown)
        window->resize(150, 120); // whatever they had before
    frame.RunCommand(ID_WINDOW_CASCADE);
    EXPECT_TRUE(AllInside(shown));
    QList<QRect> cascaded;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        QMdiSubWindow* window = shown[i];
        cascaded << window->geometry();
        EXPECT_EQ(window->size(), window->sizeHint()) << window->windowTitle().toStdString();
        EXPECT_GT(window->x(), i == 0 ? -1 : cascaded[i - 1].x());
    }
    // In their own size the tables show everything: no scroll bars of their own.
    for (QTableWidget* table : {&windows.GpsStatus().Table(), &windows.InstallStatus().Table(),
                                windows.ConstellationStatistics().Table()}) {
        EXPECT_FALSE(table->horizontalScrollBar()->isVisible()) << table->window()->windowTitle().toStdString();
        EXPECT_FALSE(table->verticalScrollBar()->isVisible()) << table->parentWidget()->parentWidget()->windowTitle().toStdString();
    }
    Shoot(QStringLiteral("cascade-three"));

    // Hidden at the end of the connection, shown again at the next one.
    windows.Hide();
    for (QMdiSubWindow* window : shown)
        window->setGeometry(5, 5, 100, 100);
    windows.Start();
    PumpFor(20);
    for (qsizetype i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(shown[i]->isVisible());
        EXPECT_EQ(shown[i]->geometry(), cascaded[i]) << shown[i]->windowTitle().toStdString();
    }
    EXPECT_TRUE(AllInside(shown));
}

TEST_F(WindowLayoutTest, CascadeInASmallFrameShrinksWindowsIntoTheArea)
{
    frame.resize(520, 400);
    const QList<QMdiSubWindow*> shown =
        Shown({&windows.GpsStatus(), &windows.InstallStatus(), &windows.ConstellationStatistics()});
    frame.RunCommand(ID_WINDOW_CASCADE);
    EXPECT_TRUE(AllInside(shown));
    frame.RunCommand(ID_WINDOW_TILE);
    EXPECT_TRUE(AllInside(shown));
}

} // namespace

TEST_F(WindowLayoutTest, WindowMenuListsTheOpenWindowsAndBringsOneForward)
{
    EXPECT_TRUE(WindowList(frame).isEmpty());
    frame.CommandStateChanged();
    EXPECT_FALSE(frame.Action(ID_WINDOW_TILE)->isEnabled());

    // Any window open makes Tile and Cascade available, not only a status window.
    frame.RunCommand(ID_SKY_PLOT);
    PumpFor(20);
    frame.CommandStateChanged();
    EXPECT_TRUE(frame.Action(ID_WINDOW_TILE)->isEnabled());
    EXPECT_TRUE(frame.Action(ID_WINDOW_CASCADE)->isEnabled());

    windows.InstallStatus().show();
    frame.RunCommand(ID_SIGNAL_HISTORY);
    PumpFor(20);
    // In the order they were made, numbered, the one in front checked.
    QList<QAction*> entries;
    EXPECT_EQ(WindowList(frame, &entries),
              (QStringList{"&1 Installation Status", "&2 Sky Plot", "&3 Signal History *"}));
    ASSERT_EQ(entries.size(), 3);
    entries[0]->trigger();
    EXPECT_EQ(frame.MdiArea()->currentSubWindow(), &windows.InstallStatus());
    EXPECT_EQ(WindowList(frame), (QStringList{"&1 Installation Status *", "&2 Sky Plot", "&3 Signal History"}));
    // A minimized window comes back when chosen.
    plots.SkyPlot().showMinimized();
    entries.clear();
    ASSERT_EQ(WindowList(frame, &entries).size(), 3);
    entries[1]->trigger();
    EXPECT_FALSE(plots.SkyPlot().isMinimized());
    EXPECT_EQ(frame.MdiArea()->currentSubWindow(), &plots.SkyPlot());

    // A closed window leaves the list.
    plots.SignalHistory().close();
    EXPECT_EQ(WindowList(frame), (QStringList{"&1 Installation Status", "&2 Sky Plot *"}));
}

TEST_F(WindowLayoutTest, NewWindowsOpenInTheirOwnSizeOneStepOnFromTheLast)
{
    const QSize area = frame.MdiArea()->viewport()->size();
    frame.RunCommand(ID_SKY_PLOT);
    PumpFor(20);
    const QRect sky = plots.SkyPlot().geometry();
    EXPECT_EQ(sky, QRect(QPoint(0, 0), QSize(560, 480).boundedTo(area)));

    frame.RunCommand(ID_SURVEY_PLOT);
    PumpFor(20);
    const QRect survey = plots.SurveyPlot().geometry();
    EXPECT_GT(survey.x(), sky.x());
    EXPECT_GT(survey.y(), sky.y());
    EXPECT_EQ(survey.x() - sky.x(), survey.y() - sky.y());
    EXPECT_LT(survey.x() - sky.x(), 60) << "one title bar's step";
    EXPECT_EQ(survey.width(), 560);
    EXPECT_EQ(survey.height(), std::min(640, area.height() - survey.y())) << "its own height as far as it fits";

    frame.RunCommand(ID_SIGNAL_HISTORY);
    PumpFor(20);
    EXPECT_EQ(plots.SignalHistory().pos(), survey.topLeft() + (survey.topLeft() - sky.topLeft()));
    EXPECT_TRUE(AllInside({&plots.SkyPlot(), &plots.SurveyPlot(), &plots.SignalHistory()}));

    // Shown again after closing, a window stays where the engineer left it.
    plots.SkyPlot().move(200, 100);
    plots.SkyPlot().close();
    frame.RunCommand(ID_SKY_PLOT);
    PumpFor(20);
    EXPECT_EQ(plots.SkyPlot().pos(), QPoint(200, 100));
    Shoot(QStringLiteral("new-windows"));
}

TEST_F(WindowLayoutTest, StatusBarPanesStayWholeBesideAMenuTipAt1600AndAt1024)
{
    // Both recordings running, a work order open, the longest connection text.
    QLabel* traffic = frame.AddIndicatorPane(QStringLiteral("RecordingPane"));
    CMainFrame::SetIndicator(*traffic, QStringLiteral("REC traffic"), QStringLiteral("to a file"));
    CMainFrame::SetIndicator(*windows.RecordingPane(), QStringLiteral("REC status"), QStringLiteral("to a file"));
    const QString workOrder = QStringLiteral("Work order: QORA-site-1234-visit.xml, unit QORA-131");
    frame.SetWorkOrderText(workOrder, QString());
    frame.SetConnectionText(QStringLiteral("Waiting for the unit to restart - Local (255.255.255.255)"));
    frame.SetAccessLevelText(QStringLiteral("Access Level: Full Control"));
    QStatusBar* bar = frame.statusBar();
    for (const int width : {1600, 1024}) {
        SCOPED_TRACE(width);
        frame.resize(width, 720);
        QStatusTipEvent tip(QString::fromLatin1(FindFrameCommand(ID_CONSTELLATION_STATISTICS)->prompt).section(u'\n', 0, 0));
        QApplication::sendEvent(&frame, &tip);
        PumpFor(30);
        Shoot(QStringLiteral("status-bar-%1").arg(width));
        EXPECT_FALSE(bar->currentMessage().isEmpty());

        QList<QWidget*> panes;
        for (QWidget* pane : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (pane->isVisible())
                panes << pane;
        std::sort(panes.begin(), panes.end(), [](QWidget* a, QWidget* b) { return a->x() < b->x(); });
        ASSERT_GE(panes.size(), 9);
        // The recordings first; none over another, all inside the bar, all
        // but the work order whole.
        EXPECT_EQ(panes[0], traffic);
        for (qsizetype i = 0; i < panes.size(); ++i) {
            SCOPED_TRACE(panes[i]->objectName().toStdString());
            if (panes[i] != frame.WorkOrderPane()) {
                EXPECT_GE(panes[i]->width(), panes[i]->sizeHint().width());
            }
            EXPECT_LE(panes[i]->geometry().right(), bar->width());
            if (i > 0) {
                EXPECT_GT(panes[i]->x(), panes[i - 1]->geometry().right());
            }
        }
        // At 1600 the work order shows whole and a tip has room; at 1024 it
        // gives way, still naming itself, and says the rest in its tool tip.
        if (width == 1600) {
            EXPECT_EQ(frame.WorkOrderPane()->text(), workOrder);
            EXPECT_GE(panes[0]->x(), 150);
        } else {
            EXPECT_TRUE(frame.WorkOrderPane()->text().startsWith(QStringLiteral("Work")));
        }
        EXPECT_EQ(frame.WorkOrderText(), workOrder);
    }
}
