#include "app/main/PlotWindows.h"

#include "status/plots/widgets/ConstellationChartsWindow.h"
#include "status/plots/widgets/InstallTimelineWindow.h"
#include "status/plots/widgets/SignalHistoryWindow.h"
#include "status/plots/widgets/SkyPlotWindow.h"
#include "status/plots/widgets/SurveyPlotWindow.h"

#include <QMdiArea>

namespace {
template <typename Window>
Window* AddHidden(CMainFrame& frame, int commandId, Window* window)
{
    frame.MdiArea()->addSubWindow(window);
    window->hide();
    frame.SetCommandHandler(commandId, [window] { window->ShowAndRaise(); });
    return window;
}
} // namespace

CPlotWindows::CPlotWindows(CMainFrame& frame, CStatusHistory& history)
    : sky_(AddHidden(frame, ID_SKY_PLOT, new CSkyPlotWindow(history))),
      signal_(AddHidden(frame, ID_SIGNAL_HISTORY, new CSignalHistoryWindow(history))),
      timeline_(AddHidden(frame, ID_INSTALLATION_TIMELINE, new CInstallTimelineWindow(history))),
      survey_(AddHidden(frame, ID_SURVEY_PLOT, new CSurveyPlotWindow(history))),
      constellation_(AddHidden(frame, ID_CONSTELLATION_CHARTS, new CConstellationChartsWindow(history)))
{
}

void CPlotWindows::SetCsvExport(std::function<void()> exportCsv)
{
    for (CPlotWindow* window : std::initializer_list<CPlotWindow*>{sky_, signal_, timeline_, survey_, constellation_})
        window->SetCsvExport(exportCsv);
}
