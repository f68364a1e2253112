#include "status/install/InstallStatus.h"

#include "platform/StringTable.h"
#include "settings/Registry.h"
#include "settings/widgets/WidgetPlacement.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>

namespace {

const QString kCoordinatesKey = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");
constexpr int kStatusColumnWidth = 150;
constexpr int kDefaultColumnWidth = 70;

QColor ColourOf(std::uint32_t rgb)
{
    return QColor(int((rgb >> 16) & 0xFF), int((rgb >> 8) & 0xFF), int(rgb & 0xFF));
}

// Labels black on light yellow; the status in its code's colour on the window colour.
class StatusDelegate : public QStyledItemDelegate {
public:
    StatusDelegate(const CInstallStatusView& view, QObject* parent) : QStyledItemDelegate(parent), view_(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        QColor text = option->palette.color(QPalette::Text);
        if (index.column() == 0) {
            option->backgroundBrush = ColourOf(InstallColours::kRowHeader);
            text = Qt::black;
        } else {
            option->backgroundBrush = option->palette.brush(QPalette::Base);
            if (index.column() == 1) {
                switch (view_.RowColour(index.row())) {
                case StatusColour::Good:
                    text = ColourOf(InstallColours::kGood);
                    break;
                case StatusColour::Warning:
                    text = ColourOf(InstallColours::kWarning);
                    break;
                case StatusColour::Caution:
                    text = ColourOf(InstallColours::kCaution);
                    break;
                case StatusColour::WindowText:
                    break;
                }
            }
        }
        option->palette.setColor(QPalette::Text, text);
        option->palette.setColor(QPalette::HighlightedText, text);
    }

private:
    const CInstallStatusView& view_;
};

} // namespace

CInstallStatus::CInstallStatus(IStatusFrame& frame, std::function<QString()> unitAddressText, QWidget* parent)
    : QMdiSubWindow(parent),
      view_(std::make_unique<CInstallStatusView>(frame, std::move(unitAddressText))),
      table_(new QTableWidget(CInstallStatusView::kRowCount, 2, this))
{
    setWindowTitle(LoadResString(StringId::InstallationStatusCaption));
    setAttribute(Qt::WA_DeleteOnClose, false);

    table_->setHorizontalHeaderLabels({QString(), QStringLiteral("Status")});
    table_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    table_->horizontalHeader()->setSectionsClickable(false);
    table_->verticalHeader()->hide();
    table_->setShowGrid(true);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionMode(QAbstractItemView::NoSelection);
    table_->setFocusPolicy(Qt::NoFocus);
    table_->setItemDelegate(new StatusDelegate(*view_, table_));
    table_->viewport()->installEventFilter(this);

    int labelWidth = 0;
    const QFontMetrics metrics(table_->font());
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row) {
        const QString label = CInstallStatusView::RowLabel(row);
        table_->setItem(row, 0, new QTableWidgetItem(label));
        table_->setItem(row, 1, new QTableWidgetItem);
        labelWidth = std::max(labelWidth, metrics.horizontalAdvance(label));
    }
    table_->setColumnWidth(0, labelWidth + 10);
    table_->setColumnWidth(1, kStatusColumnWidth);
    setWidget(table_);

    view_->SetRedrawHandler([this] { Redraw(); });
    Redraw();

    // Room for the whole table until a stored placement says otherwise.
    int rowsHeight = table_->horizontalHeader()->sizeHint().height();
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        rowsHeight += table_->rowHeight(row);
    const QMargins frameMargins = contentsMargins();
    const int titleHeight = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, this);
    defaultSize_ = QSize(labelWidth + 10 + kStatusColumnWidth + 14 + frameMargins.left() + frameMargins.right(),
                         rowsHeight + 18 + titleHeight + frameMargins.top() + frameMargins.bottom());
    resize(defaultSize_);
    move(0, 0);
}

CInstallStatus::~CInstallStatus()
{
    view_->SetRedrawHandler({});
}

void CInstallStatus::Redraw()
{
    table_->setUpdatesEnabled(false);
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        table_->item(row, 1)->setText(view_->RowText(row));
    table_->setUpdatesEnabled(true);
    table_->viewport()->update();
}

void CInstallStatus::ShowAndRequest()
{
    raise();
    show();
    view_->RequestStatus();
}

void CInstallStatus::SaveLayout()
{
    CRegistry registry(RegRoot::CurrentUser);
    SaveWidgetPlacement(registry, *this, kCoordinatesKey, QString::fromLatin1(kLayoutName));
    const std::vector<std::uint32_t> widths{std::uint32_t(table_->columnWidth(0)),
                                            std::uint32_t(table_->columnWidth(1))};
    registry.SaveObject(kCoordinatesKey, QString::fromLatin1(kLayoutName) + QStringLiteral(" columns"), widths);
}

void CInstallStatus::LoadLayout()
{
    CRegistry registry(RegRoot::CurrentUser);
    LoadWidgetPlacement(registry, *this, kCoordinatesKey, QString::fromLatin1(kLayoutName));
    std::vector<std::uint32_t> widths;
    if (!registry.LoadObject(kCoordinatesKey, QString::fromLatin1(kLayoutName) + QStringLiteral(" columns"), widths))
        return;
    for (std::size_t column = 0; column < std::min<std::size_t>(widths.size(), 2); ++column) {
        const int width = int(widths[column] & 0xFFFF);
        table_->setColumnWidth(int(column), width == 0 ? kDefaultColumnWidth : width);
    }
}

void CInstallStatus::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

void CInstallStatus::showEvent(QShowEvent* event)
{
    QMdiSubWindow::showEvent(event);
    view_->SetVisible(true);
}

void CInstallStatus::hideEvent(QHideEvent* event)
{
    QMdiSubWindow::hideEvent(event);
    view_->SetVisible(false);
}

bool CInstallStatus::eventFilter(QObject* watched, QEvent* event)
{
    // Rows can't be picked: presses of either button go nowhere.
    if (watched == table_->viewport() &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const auto* press = static_cast<QMouseEvent*>(event);
        if (press->button() == Qt::LeftButton || press->button() == Qt::RightButton)
            return true;
    }
    return QMdiSubWindow::eventFilter(watched, event);
}
