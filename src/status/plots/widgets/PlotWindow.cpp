#include "status/plots/widgets/PlotWindow.h"

#include "status/history/StatusHistory.h"
#include "status/plots/widgets/ChartExport.h"
#include "platform/widgets/HelpKey.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateTime>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <deque>

namespace {

// Windows due for a redraw take turns a few milliseconds apart, so that the
// loop runs in between and each window is painted before the next one
// changes: painting is a low-priority event that would otherwise wait for all
// of them and paint them in one long stretch.
constexpr int kRedrawTurnMs = 4;
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
        QTimer::singleShot(kRedrawTurnMs, &RunNextRedraw);
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

namespace {

template <typename Series>
std::pair<std::int64_t, std::int64_t> SpanOf(const Series& series)
{
    if (series.empty())
        return {0, 0};
    return {series.front().timeMs, series.back().timeMs};
}

// A tool bar shows an action's icon text, which Qt makes from its text
// without the "..." that says a dialog follows: the text is kept whole.
QAction* AddDialogAction(QToolBar& bar, const QString& text)
{
    QAction* action = bar.addAction(text);
    action->setIconText(text);
    return action;
}

} // namespace

CPlotWindow::CPlotWindow(CStatusHistory& history, const QString& title, const QString& exportSlug,
                         StatusSampleKind kind, QWidget* parent)
    : QMdiSubWindow(parent), history_(history), exportSlug_(exportSlug), kind_(kind)
{
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    toolBar_ = new QToolBar(content);
    connect(AddDialogAction(*toolBar_, QStringLiteral("Save PNG...")), &QAction::triggered, this, [this] { SavePng(); });
    connect(AddDialogAction(*toolBar_, QStringLiteral("Save SVG...")), &QAction::triggered, this, [this] { SaveSvg(); });
    csvAction_ = AddDialogAction(*toolBar_, QStringLiteral("Export CSV..."));
    connect(csvAction_, &QAction::triggered, this, [this] { ExportCsv(); });
    csvAction_->setEnabled(false);
    layout->addWidget(toolBar_);
    // In a label of its own, wrapped: the whole sentence shows in any size.
    emptyNote_ = new QLabel(QString::fromLatin1(kNoStatusText), content);
    emptyNote_->setObjectName(QStringLiteral("EmptyNote"));
    emptyNote_->setWordWrap(true);
    emptyNote_->setMargin(6);
    layout->addWidget(emptyNote_);
    stale_ = new QLabel(content);
    stale_->setWordWrap(true);
    stale_->setStyleSheet(QStringLiteral("QLabel { background: rgb(255,215,0); color: black; padding: 3px; }"));
    stale_->hide();
    layout->addWidget(stale_);
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
    connect(&history_, &CStatusHistory::Changed, this, &CPlotWindow::UpdateStaleNotice);
    connect(&history_, &CStatusHistory::Restarted, this, &CPlotWindow::UpdateStaleNotice);
}

std::pair<std::int64_t, std::int64_t> CPlotWindow::ShownSpanMs() const
{
    switch (kind_) {
    case StatusSampleKind::Gps: return SpanOf(history_.Gps());
    case StatusSampleKind::Installation: return SpanOf(history_.Installation());
    case StatusSampleKind::Constellation: return SpanOf(history_.Constellation());
    }
    return {0, 0};
}

QString CPlotWindow::ExportTitle() const
{
    const auto [fromMs, toMs] = ShownSpanMs();
    return ChartTitle({windowTitle(), history_.Unit(), fromMs, toMs});
}

void CPlotWindow::UpdateStaleNotice()
{
    const std::optional<std::int64_t> lastMs = history_.LastBeforeGap(kind_);
    if (!lastMs) {
        stale_->hide();
        return;
    }
    const QString time = QDateTime::fromMSecsSinceEpoch(*lastMs, Qt::UTC).toString(QStringLiteral("HH:mm:ss"));
    stale_->setText(QStringLiteral("From before the disconnection: the last status arrived at %1 UTC. "
                                   "The window follows the unit again when it is back in commission mode.")
                        .arg(time));
    stale_->show();
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
    return SaveChartImage(ChartWidget(), ChartImageFormat::Png, exportSlug_, ExportTitle());
}

QString CPlotWindow::SaveSvg()
{
    return SaveChartImage(ChartWidget(), ChartImageFormat::Svg, exportSlug_, ExportTitle());
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
    UpdateStaleNotice();
    Refresh();
}
