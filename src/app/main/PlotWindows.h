#pragma once
// The windows over the status history: created hidden inside the main
// frame's window area and shown by their Status menu commands. They follow
// the history by themselves; they neither start nor stop with a connection.

#include "app/frame/widgets/MainFrame.h"

#include <functional>

class CStatusHistory;
class CStatusHistoryFeed;
class CPlotWindow;
class CSkyPlotWindow;
class CSignalHistoryWindow;
class CInstallTimelineWindow;
class CSurveyPlotWindow;
class CConstellationChartsWindow;

class CPlotWindows {
public:
    CPlotWindows(CMainFrame& frame, CStatusHistory& history);
    ~CPlotWindows();
    CPlotWindows(const CPlotWindows&) = delete;
    CPlotWindows& operator=(const CPlotWindows&) = delete;

    // What each window's "Export CSV..." does.
    void SetCsvExport(std::function<void()> exportCsv);
    // F1 in a window shows its part of the history windows' help page.
    void SetHelp(const std::function<void(const QString& page)>& show);
    // While a window is shown, the status window whose answers it draws keeps
    // asking the unit (the same request at the same rate), and its "Export
    // CSV..." saves that series of the history.
    void Attach(CStatusHistoryFeed& feed);
    // The Status menu commands that show the windows.
    static constexpr int kCommands[] = {ID_SKY_PLOT, ID_SIGNAL_HISTORY, ID_INSTALLATION_TIMELINE, ID_SURVEY_PLOT,
                                        ID_CONSTELLATION_CHARTS};

    [[nodiscard]] CSkyPlotWindow& SkyPlot() const { return *sky_; }
    [[nodiscard]] CSignalHistoryWindow& SignalHistory() const { return *signal_; }
    [[nodiscard]] CInstallTimelineWindow& InstallTimeline() const { return *timeline_; }
    [[nodiscard]] CSurveyPlotWindow& SurveyPlot() const { return *survey_; }
    [[nodiscard]] CConstellationChartsWindow& ConstellationCharts() const { return *constellation_; }

private:
    CMainFrame& frame_;
    CSkyPlotWindow* sky_;
    CSignalHistoryWindow* signal_;
    CInstallTimelineWindow* timeline_;
    CSurveyPlotWindow* survey_;
    CConstellationChartsWindow* constellation_;
};
