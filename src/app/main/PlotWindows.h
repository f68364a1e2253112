#pragma once
// The windows over the status history: created hidden inside the main
// frame's window area and shown by their Status menu commands. They follow
// the history by themselves; they neither start nor stop with a connection.

#include "app/frame/widgets/MainFrame.h"

#include <functional>

class CStatusHistory;
class CPlotWindow;
class CSkyPlotWindow;
class CSignalHistoryWindow;
class CInstallTimelineWindow;
class CSurveyPlotWindow;
class CConstellationChartsWindow;

class CPlotWindows {
public:
    CPlotWindows(CMainFrame& frame, CStatusHistory& history);

    // What each window's "Export CSV..." does.
    void SetCsvExport(std::function<void()> exportCsv);

    [[nodiscard]] CSkyPlotWindow& SkyPlot() const { return *sky_; }
    [[nodiscard]] CSignalHistoryWindow& SignalHistory() const { return *signal_; }
    [[nodiscard]] CInstallTimelineWindow& InstallTimeline() const { return *timeline_; }
    [[nodiscard]] CSurveyPlotWindow& SurveyPlot() const { return *survey_; }
    [[nodiscard]] CConstellationChartsWindow& ConstellationCharts() const { return *constellation_; }

private:
    // The MDI area owns the windows.
    CSkyPlotWindow* sky_;
    CSignalHistoryWindow* signal_;
    CInstallTimelineWindow* timeline_;
    CSurveyPlotWindow* survey_;
    CConstellationChartsWindow* constellation_;
};
