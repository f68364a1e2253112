#include "status/constellation/ConstellationStatistics.h"

#include "platform/StringTable.h"
#include "platform/widgets/MMStatusBar.h"
#include "settings/Registry.h"
#include "settings/UserSettings.h"
#include "settings/widgets/WidgetPlacement.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPalette>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr unsigned kTitleId = 61313;
constexpr int kDefaultColumnWidth = 70;
const QColor kRowHeadBackground(250, 230, 150);

QColor ToneColour(CConstellationStatisticsView::Tone tone, const QColor& fallback)
{
    using Tone = CConstellationStatisticsView::Tone;
    switch (tone) {
    case Tone::Good:
        return QColor::fromRgb(CConstellationStatisticsView::kRgbGood);
    case Tone::Amber:
        return QColor::fromRgb(CConstellationStatisticsView::kRgbAmber);
    case Tone::Warning:
        return QColor::fromRgb(CConstellationStatisticsView::kRgbWarning);
    case Tone::Default:
        break;
    }
    return fallback;
}

QString ColumnsName()
{
    return QString::fromLatin1(CConstellationStatistics::kPlacementName) + QStringLiteral(" columns");
}

} // namespace

CConstellationStatistics::CConstellationStatistics(IStatusFrame& frame, QWidget* parent)
    : QMdiSubWindow(parent), view_(std::make_unique<CConstellationStatisticsView>(frame))
{
    QString title = LoadResString(kTitleId);
    if (title.isEmpty())
        title = QStringLiteral("GPS Constellation Statistics");
    setWindowTitle(title);

    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    table_ = new QTableWidget(CConstellationStatisticsView::kRows, kColumns, body);
    table_->setHorizontalHeaderLabels({QStringLiteral("No. of visible satellites"), QStringLiteral("Duration (sec)")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionsClickable(false);
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    table_->setShowGrid(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->viewport()->installEventFilter(this);
    const QFontMetrics metrics = table_->fontMetrics();
    table_->setColumnWidth(0, metrics.horizontalAdvance(QString(18, QLatin1Char('X'))) * 3 / 2);
    table_->setColumnWidth(1, metrics.horizontalAdvance(QString(10, QLatin1Char('X'))) * 3 / 2);
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row) {
        auto* head = new QTableWidgetItem(QString::number(row));
        head->setTextAlignment(Qt::AlignCenter);
        head->setForeground(Qt::black);
        head->setBackground(kRowHeadBackground);
        table_->setItem(row, 0, head);
        auto* cell = new QTableWidgetItem;
        cell->setTextAlignment(Qt::AlignCenter);
        table_->setItem(row, 1, cell);
    }
    layout->addWidget(table_);

    statusBar_ = new MMStatusBar(body);
    statusBar_->setSizeGripEnabled(false);
    statusBar_->AddPane(QStringLiteral("Total Time:"), -1, MMStatusBar::PaneNoBorder);
    statusBar_->AddPane(QStringLiteral("0 seconds"));
    statusBar_->AddPane(QStringLiteral("Status:"), -1, MMStatusBar::PaneNoBorder);
    statusBar_->AddPane(QStringLiteral("%s         "), 55);
    statusBar_->AddPane(QStringLiteral(" "), -1, MMStatusBar::PaneNoBorder | MMStatusBar::PaneStretch);
    layout->addWidget(statusBar_);
    setWidget(body);

    view_->SetRedrawHandler([this] { Draw(); });
    view_->Redraw();

    // Big enough for all thirteen rows until a stored placement says otherwise.
    int height = table_->horizontalHeader()->sizeHint().height() + 2 * table_->frameWidth();
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row)
        height += table_->rowHeight(row);
    const int width = table_->columnWidth(0) + table_->columnWidth(1) + 2 * table_->frameWidth();
    defaultSize_ = QSize(width + 14, height + statusBar_->sizeHint().height() + 36);
    resize(defaultSize_);
    hide();
}

CConstellationStatistics::~CConstellationStatistics()
{
    view_->SetRedrawHandler({});
}

void CConstellationStatistics::Draw()
{
    const QColor windowText = palette().color(QPalette::WindowText);
    const QColor window = palette().color(QPalette::Base);
    table_->setUpdatesEnabled(false);
    for (int row = 0; row < CConstellationStatisticsView::kRows; ++row) {
        QTableWidgetItem* cell = table_->item(row, 1);
        cell->setText(view_->CellText(row));
        cell->setForeground(ToneColour(view_->CellTone(row), windowText));
        cell->setBackground(window);
    }
    table_->setUpdatesEnabled(true);
    table_->viewport()->update();

    statusBar_->SetPaneText(kTotalPane, view_->TotalText());
    // An invalid background leaves the pane transparent: the default colour.
    const CConstellationStatisticsView::Tone tone = view_->VerdictPaneTone();
    statusBar_->SetPaneText(kVerdictPane,
                            tone == CConstellationStatisticsView::Tone::Default ? QColor() : ToneColour(tone, QColor()),
                            view_->VerdictPaneText());
}

void CConstellationStatistics::ShowAndRequest()
{
    raise();
    show();
    view_->RequestStatus();
}

void CConstellationStatistics::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

void CConstellationStatistics::showEvent(QShowEvent* event)
{
    view_->SetVisible(true);
    QMdiSubWindow::showEvent(event);
}

void CConstellationStatistics::hideEvent(QHideEvent* event)
{
    view_->SetVisible(false);
    QMdiSubWindow::hideEvent(event);
}

bool CConstellationStatistics::eventFilter(QObject* watched, QEvent* event)
{
    // Rows cannot be selected: left and right presses on the list go nowhere.
    if (watched == table_->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton)
            return true;
    }
    return QMdiSubWindow::eventFilter(watched, event);
}

std::vector<int> CConstellationStatistics::StoredColumnWidths(const std::vector<std::uint32_t>& stored)
{
    std::vector<int> widths;
    for (std::size_t i = 0; i < stored.size() && i < std::size_t(kColumns); ++i) {
        const int width = int(stored[i] & 0xFFFFu);
        widths.push_back(width == 0 ? kDefaultColumnWidth : width);
    }
    return widths;
}

void CConstellationStatistics::SaveLayout()
{
    CRegistry registry(RegRoot::CurrentUser);
    SaveWidgetPlacement(registry, *this, PlacementKeyPath(), QString::fromLatin1(kPlacementName));
    std::vector<std::uint32_t> widths;
    for (int column = 0; column < kColumns; ++column)
        widths.push_back(std::uint32_t(table_->columnWidth(column)));
    registry.SaveObject(PlacementKeyPath(), ColumnsName(), widths);
}

void CConstellationStatistics::LoadLayout()
{
    CRegistry registry(RegRoot::CurrentUser);
    LoadWidgetPlacement(registry, *this, PlacementKeyPath(), QString::fromLatin1(kPlacementName));
    std::vector<std::uint32_t> stored;
    if (!registry.LoadObject(PlacementKeyPath(), ColumnsName(), stored))
        stored.clear();
    const std::vector<int> widths = StoredColumnWidths(stored);
    for (std::size_t column = 0; column < widths.size(); ++column)
        table_->setColumnWidth(int(column), widths[column]);
}
