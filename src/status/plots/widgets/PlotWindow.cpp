#include "status/plots/widgets/PlotWindow.h"

#include "status/history/StatusHistory.h"
#include "status/plots/widgets/ChartExport.h"
#include "platform/widgets/HelpKey.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <deque>

namespace {

// Windows due for a redraw take turns, one per turn of the event loop, so
// that the loop (and the painting of the one before) runs in between.
std::deque<QPointer<CPlotWindow>>& RedrawQueue()
{
    static std::deque<QPointer<CPlotWindow>> queue;
    return queue;
}

void RunNextRedraw()
{
    auto& queue = RedrawQueue();
    while (!queue.empty()) {
        QPointer<CPlotWindow> window = queue.front();
        queue.pop_front();
        if (window) {
            window->Refresh();
            break;
        }
    }
    if (!queue.empty())
        QTimer::singleShot(0, &RunNextRedraw);
}

void QueueRedraw(CPlotWindow* window)
{
    auto& queue = RedrawQueue();
    if (std::find(queue.begin(), queue.end(), window) != queue.end())
        return;
    queue.emplace_back(window);
    if (queue.size() == 1)
        QTimer::singleShot(0, &RunNextRedraw);
}

} // namespace

CPlotWindow::CPlotWindow(CStatusHistory& history, const QString& title, const QString& exportName, QWidget* parent)
    : QMdiSubWindow(parent), history_(history), exportName_(exportName)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    toolBar_ = new QToolBar(content);
    toolBar_->addAction(QStringLiteral("Save PNG..."), this, [this] { SavePng(); });
    toolBar_->addAction(QStringLiteral("Save SVG..."), this, [this] { SaveSvg(); });
    csvAction_ = toolBar_->addAction(QStringLiteral("Export CSV..."), this, [this] { ExportCsv(); });
    csvAction_->setEnabled(false);
    layout->addWidget(toolBar_);
    // In a label of its own, wrapped: the whole sentence shows in any size.
    emptyNote_ = new QLabel(QString::fromLatin1(kNoStatusText), content);
    emptyNote_->setObjectName(QStringLiteral("EmptyNote"));
    emptyNote_->setWordWrap(true);
    emptyNote_->setMargin(6);
    layout->addWidget(emptyNote_);
    body_ = new QVBoxLayout;
    layout->addLayout(body_, 1);
    setWidget(content);

    redrawTimer_ = new QTimer(this);
    redrawTimer_->setSingleShot(true);
    redrawTimer_->setInterval(kRedrawDelayMs);
    connect(redrawTimer_, &QTimer::timeout, this, [this] { QueueRedraw(this); });
    connect(&history_, &CStatusHistory::Changed, this, &CPlotWindow::ScheduleRefresh);
    connect(&history_, &CStatusHistory::Restarted, this, &CPlotWindow::ScheduleRefresh);
    connect(&history_, &CStatusHistory::Changed, this, &CPlotWindow::UpdateEmptyNote);
    connect(&history_, &CStatusHistory::Restarted, this, &CPlotWindow::UpdateEmptyNote);
    UpdateEmptyNote();
    AddHelpKey(*this, [this] {
        if (help_)
            help_();
    });
}

void CPlotWindow::UpdateEmptyNote()
{
    const bool empty = history_.Gps().empty() && history_.Installation().empty() && history_.Constellation().empty();
    emptyNote_->setVisible(empty);
}

void CPlotWindow::SetCsvExport(std::function<void()> exportCsv)
{
    exportCsv_ = std::move(exportCsv);
    csvAction_->setEnabled(bool(exportCsv_));
}

void CPlotWindow::ShowAndRaise()
{
    raise();
    show();
}

QString CPlotWindow::SavePng()
{
    return SaveChartImage(ChartWidget(), ChartImageFormat::Png, exportName_, windowTitle());
}

QString CPlotWindow::SaveSvg()
{
    return SaveChartImage(ChartWidget(), ChartImageFormat::Svg, exportName_, windowTitle());
}

void CPlotWindow::ExportCsv()
{
    if (exportCsv_)
        exportCsv_();
}

void CPlotWindow::ScheduleRefresh()
{
    // Hidden windows catch up when they are shown.
    if (isVisible() && !redrawTimer_->isActive())
        redrawTimer_->start();
}

void CPlotWindow::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

void CPlotWindow::showEvent(QShowEvent* event)
{
    QMdiSubWindow::showEvent(event);
    Refresh();
}
