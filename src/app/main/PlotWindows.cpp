#include "app/main/PlotWindows.h"

#include "status/plots/widgets/ConstellationChartsWindow.h"
#include "status/plots/widgets/InstallTimelineWindow.h"
#include "status/plots/widgets/SignalHistoryWindow.h"
#include "status/plots/widgets/SkyPlotWindow.h"
#include "status/plots/widgets/SurveyPlotWindow.h"

#include "app/shell/HelpFiles.h"
#include "platform/SavedFile.h"
#include "settings/Registry.h"
#include "settings/widgets/WidgetPlacement.h"
#include "platform/UserPrompts.h"
#include "status/history/StatusHistoryExport.h"
#include "status/history/StatusHistoryFeed.h"

#include <QDateTime>
#include <QEvent>
#include <QMdiArea>
#include <QPointer>

#include <tuple>

namespace {
const QString kPlacementPath = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");

// The window's placement, saved under its name beside the status windows',
// comes back the first time it is shown in a run; from then on it is saved
// whenever the window is hidden (closed, or the frame closing).
template <typename Window>
Window* AddHidden(CMainFrame& frame, int commandId, Window* window, const char* placementName)
{
    frame.MdiArea()->addSubWindow(window);
    window->hide();
    frame.SetCommandHandler(commandId, [window, name = QString::fromLatin1(placementName), placed = false]() mutable {
        if (!placed) {
            placed = true;
            CRegistry registry(RegRoot::CurrentUser);
            LoadWidgetPlacement(registry, *window, kPlacementPath, name);
            KeepPlacementWhenHidden(*window, kPlacementPath, name);
        }
        window->ShowAndRaise();
    });
    return window;
}
// Tells the feed that a window wants a kind of answer while it is shown.
class WantedWhileShown : public QObject {
public:
    WantedWhileShown(QWidget& window, CStatusHistoryFeed& feed, StatusSampleKind kind)
        : QObject(&window), feed_(&feed), kind_(kind)
    {
        window.installEventFilter(this);
        if (window.isVisible())
            feed_->SetWanted(kind_, true, parent());
    }
    ~WantedWhileShown() override
    {
        if (feed_)
            feed_->SetWanted(kind_, false, parent());
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && (event->type() == QEvent::Show || event->type() == QEvent::Hide))
            if (feed_)
                feed_->SetWanted(kind_, event->type() == QEvent::Show, parent());
        return false;
    }

private:
    QPointer<CStatusHistoryFeed> feed_;
    StatusSampleKind kind_;
};

QString SeriesName(StatusSampleKind kind)
{
    switch (kind) {
    case StatusSampleKind::Gps: return QStringLiteral("gps");
    case StatusSampleKind::Installation: return QStringLiteral("installation");
    case StatusSampleKind::Constellation: return QStringLiteral("constellation");
    }
    return {};
}

void ExportSeries(const CStatusHistory& history, StatusSampleKind kind)
{
    FileDialogRequest request;
    request.save = true;
    request.caption = QStringLiteral("Export History as CSV");
    request.initialPath = QStringLiteral("QORA-%1-history-%2.csv")
                              .arg(SeriesName(kind), QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    request.filter = QStringLiteral("CSV files (*.csv);;All files (*)");
    request.defaultSuffix = QStringLiteral("csv");
    const std::optional<QString> path = ShowFileDialog(request);
    if (!path || path->isEmpty())
        return;
    QString error;
    if (!ExportStatusHistoryCsv(history, kind, *path, error)) {
        ReportFileNotSaved(*path, error);
        ShowMessageBox(QStringLiteral("The history could not be exported to %1:\n%2").arg(*path, error), MsgIcon::Warning);
        return;
    }
    ShowStatusMessage(QStringLiteral("History exported to %1").arg(*path));
}

} // namespace

CPlotWindows::CPlotWindows(CMainFrame& frame, CStatusHistory& history)
    : frame_(frame), sky_(AddHidden(frame, ID_SKY_PLOT, new CSkyPlotWindow(history), "SkyPlotWnd")),
      signal_(AddHidden(frame, ID_SIGNAL_HISTORY, new CSignalHistoryWindow(history), "SignalHistoryWnd")),
      timeline_(AddHidden(frame, ID_INSTALLATION_TIMELINE, new CInstallTimelineWindow(history), "InstallTimelineWnd")),
      survey_(AddHidden(frame, ID_SURVEY_PLOT, new CSurveyPlotWindow(history), "SurveyPlotWnd")),
      constellation_(AddHidden(frame, ID_CONSTELLATION_CHARTS, new CConstellationChartsWindow(history),
                               "ConstellationChartsWnd"))
{
}

// The windows read the history: they go before it does.
CPlotWindows::~CPlotWindows()
{
    for (const int command : kCommands)
        frame_.SetCommandHandler(command, {});
    for (CPlotWindow* window : std::initializer_list<CPlotWindow*>{sky_, signal_, timeline_, survey_, constellation_})
        delete window;
}

void CPlotWindows::SetCsvExport(std::function<void()> exportCsv)
{
    for (CPlotWindow* window : std::initializer_list<CPlotWindow*>{sky_, signal_, timeline_, survey_, constellation_})
        window->SetCsvExport(exportCsv);
}

void CPlotWindows::SetHelp(const std::function<void(const QString& page)>& show)
{
    const std::tuple<CPlotWindow*, int, const char*> windows[] = {
        {sky_, ID_SKY_PLOT, "sky-plot"},
        {signal_, ID_SIGNAL_HISTORY, "signal-history"},
        {timeline_, ID_INSTALLATION_TIMELINE, "installation-timeline"},
        {survey_, ID_SURVEY_PLOT, "survey-plot"},
        {constellation_, ID_CONSTELLATION_CHARTS, "constellation-charts"},
    };
    for (const auto& [window, command, section] : windows) {
        const QString page = HelpPageForCommand(command) + QLatin1Char('#') + QString::fromLatin1(section);
        window->SetHelp([show, page] {
            if (show)
                show(page);
        });
    }
}

void CPlotWindows::Attach(CStatusHistoryFeed& feed)
{
    const std::pair<CPlotWindow*, StatusSampleKind> kinds[] = {
        {sky_, StatusSampleKind::Gps},
        {signal_, StatusSampleKind::Gps},
        {survey_, StatusSampleKind::Gps},
        {timeline_, StatusSampleKind::Installation},
        {constellation_, StatusSampleKind::Constellation},
    };
    CStatusHistory& history = feed.History();
    for (const auto& [window, kind] : kinds) {
        new WantedWhileShown(*window, feed, kind);
        window->SetCsvExport([&history, kind = kind] { ExportSeries(history, kind); });
    }
}
