#include "status/gps/GPSStatus.h"

#include "platform/StringTable.h"
#include "platform/widgets/MMStatusBar.h"
#include "settings/Registry.h"
#include "settings/widgets/WidgetPlacement.h"
#include "status/CnoScale.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QMdiArea>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr unsigned kTitleId = 61229; // "GPS Status"
const QColor kRowNumberBackground(250, 230, 150);
const QColor kWarningColour(160, 32, 0);
constexpr int kDefaultColumnWidth = 70;
constexpr int kBarColumnWidth = 150;

// Paints the C/No column as a bar in place of text, in the colour of the
// C/No scale that the sky plot's legend shows too.
class CNoBarDelegate : public QStyledItemDelegate {
public:
    CNoBarDelegate(const CGPSStatusView& view, QObject* parent) : QStyledItemDelegate(parent), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QRect cell = option.rect.adjusted(0, 2, 0, -2);
        painter->fillRect(option.rect, option.palette.color(QPalette::Base));
        const int channel = index.row();
        const int width = view_.BarWidth(channel, cell.width());
        if (width > 0)
            painter->fillRect(QRect(cell.left(), cell.top(), width, cell.height()),
                              QColor::fromRgb(ChannelColour(view_.CNo(channel), view_.IsWeak(channel))));
    }

private:
    const CGPSStatusView& view_;
};

} // namespace

const QString CGPSStatus::kLayoutKey = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");
const QString CGPSStatus::kLayoutName = QStringLiteral("GPSStatusWnd");

CGPSStatus::CGPSStatus(IStatusFrame& frame, QWidget* parent) : QMdiSubWindow(parent), view_(frame)
{
    setWindowTitle(LoadResString(kTitleId));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    table_ = new QTableWidget(CGPSStatusView::kChannels, kColumns, body);
    table_->setHorizontalHeaderLabels({QString(), QStringLiteral("ID"), QStringLiteral("C/No"), QStringLiteral("dBHz"),
                                       QStringLiteral("Elevation"), QStringLiteral("Azimuth")});
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionsClickable(false);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->setShowGrid(true);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setItemDelegateForColumn(ColumnBar, new CNoBarDelegate(view_, table_));
    QStringList scale;
    for (const CnoBand& band : CnoBands())
        scale << QString::fromLatin1(band.label);
    table_->horizontalHeaderItem(ColumnBar)->setToolTip(QStringLiteral("Bar colours: ") + scale.join(QStringLiteral(", ")));
    for (int row = 0; row < CGPSStatusView::kChannels; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            auto* item = new QTableWidgetItem;
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment((column == ColumnRow ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignVCenter);
            if (column == ColumnRow) {
                item->setText(QString::number(row + 1));
                item->setBackground(kRowNumberBackground);
                item->setForeground(Qt::black);
            }
            table_->setItem(row, column, item);
        }
    }
    const QFontMetrics metrics(table_->font());
    const auto textWidth = [&](int letters) { return metrics.horizontalAdvance(QString(letters, u'X')) * 3 / 2; };
    table_->setColumnWidth(ColumnRow, textWidth(2));
    table_->setColumnWidth(ColumnId, textWidth(5));
    table_->setColumnWidth(ColumnCNo, textWidth(10));
    table_->setColumnWidth(ColumnBar, kBarColumnWidth);
    table_->setColumnWidth(ColumnElevation, textWidth(10));
    table_->setColumnWidth(ColumnAzimuth, textWidth(10));
    table_->verticalHeader()->setDefaultSectionSize(metrics.height() + 6);
    layout->addWidget(table_);

    statusBar_ = new MMStatusBar(body);
    statusBar_->setSizeGripEnabled(false);
    statusBar_->AddPane(QStringLiteral("Position:"), -1, MMStatusBar::PaneNoBorder);
    statusBar_->AddPane(QStringLiteral("N 00\u00B000'00.000\""));
    statusBar_->AddPane(QStringLiteral("E 000\u00B000'00.000\""));
    statusBar_->AddPane(QStringLiteral("00000.00 m "));
    statusBar_->AddPane(QStringLiteral("GPS Time:"), -1, MMStatusBar::PaneNoBorder);
    statusBar_->AddPane(QStringLiteral(" 00:00:00 "));
    statusBar_->AddPane(QStringLiteral(" "), -1, MMStatusBar::PaneNoBorder | MMStatusBar::PaneStretch);
    layout->addWidget(statusBar_);
    setWidget(body);

    connect(&view_, &CGPSStatusView::Redraw, this, &CGPSStatus::Redraw);
    Redraw();

    // Large enough for the twelve rows and every column.
    int width = 14;
    for (int column = 0; column < kColumns; ++column)
        width += table_->columnWidth(column);
    const int height = table_->horizontalHeader()->sizeHint().height() +
                       CGPSStatusView::kChannels * table_->verticalHeader()->defaultSectionSize() +
                       statusBar_->sizeHint().height() + 36;
    defaultSize_ = QSize(width, height);
    resize(defaultSize_);
}

CGPSStatus::~CGPSStatus()
{
    view_.StopRefresh();
}

void CGPSStatus::Redraw()
{
    table_->setUpdatesEnabled(false);
    for (int row = 0; row < CGPSStatusView::kChannels; ++row) {
        table_->item(row, ColumnId)->setText(view_.SatelliteText(row));
        QTableWidgetItem* cno = table_->item(row, ColumnCNo);
        cno->setText(view_.CNoText(row));
        cno->setForeground(view_.IsWeak(row) ? QBrush(kWarningColour) : QBrush());
        table_->item(row, ColumnElevation)->setText(view_.ElevationText(row));
        table_->item(row, ColumnAzimuth)->setText(view_.AzimuthText(row));
    }
    table_->setUpdatesEnabled(true);
    table_->viewport()->update();

    statusBar_->SetPaneText(PaneLatitude, view_.LatitudeText());
    statusBar_->SetPaneText(PaneLongitude, view_.LongitudeText());
    statusBar_->SetPaneText(PaneAltitude, view_.AltitudeText());
    statusBar_->SetPaneText(PaneTime, view_.TimeText());
}

void CGPSStatus::ShowAndRequest()
{
    show();
    raise();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    view_.SetVisible(true);
    view_.RequestStatus();
}

std::vector<std::uint32_t> CGPSStatus::ColumnWidths() const
{
    std::vector<std::uint32_t> widths;
    for (int column = 0; column < kColumns; ++column)
        widths.push_back(static_cast<std::uint32_t>(table_->columnWidth(column)));
    return widths;
}

void CGPSStatus::ApplyColumnWidths(const std::vector<std::uint32_t>& widths)
{
    // A stored array may be longer than the list has columns.
    const int count = std::min<int>(kColumns, static_cast<int>(widths.size()));
    for (int column = 0; column < count; ++column) {
        const int width = static_cast<int>(widths[static_cast<std::size_t>(column)] & 0xFFFFu);
        table_->setColumnWidth(column, width == 0 ? kDefaultColumnWidth : width);
    }
}

bool CGPSStatus::SaveLayout(const QString& key, const QString& name)
{
    CRegistry registry(RegRoot::CurrentUser);
    const bool placed = SaveWidgetPlacement(registry, *this, key, name);
    const bool columns = registry.SaveObject(key, name + QStringLiteral(" columns"), ColumnWidths());
    return placed && columns;
}

bool CGPSStatus::LoadLayout(const QString& key, const QString& name)
{
    CRegistry registry(RegRoot::CurrentUser);
    const bool placed = LoadWidgetPlacement(registry, *this, key, name);
    std::vector<std::uint32_t> widths;
    const bool columns = registry.LoadObject(key, name + QStringLiteral(" columns"), widths);
    ApplyColumnWidths(widths);
    return placed && columns;
}

void CGPSStatus::closeEvent(QCloseEvent* event)
{
    // Closing only hides the window; the main frame keeps it for the session.
    event->ignore();
    hide();
}

void CGPSStatus::showEvent(QShowEvent* event)
{
    QMdiSubWindow::showEvent(event);
    view_.SetVisible(true);
}

void CGPSStatus::hideEvent(QHideEvent* event)
{
    QMdiSubWindow::hideEvent(event);
    view_.SetVisible(false);
}
