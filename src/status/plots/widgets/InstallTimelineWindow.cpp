#include "status/plots/widgets/InstallTimelineWindow.h"

#include "status/history/StatusHistory.h"

#include <QDateTime>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

QColor InstallCodeColour(std::uint16_t code)
{
    switch (CInstallStatusView::ColourOfCode(code)) {
    case StatusColour::Good:
        return QColor::fromRgb(InstallColours::kGood);
    case StatusColour::Warning:
        return QColor::fromRgb(InstallColours::kWarning);
    case StatusColour::Caution:
        return QColor::fromRgb(InstallColours::kCaution);
    default:
        return QColor(0xC8, 0xC8, 0xC8);
    }
}

namespace {

// The row's label without its colon.
QString RowName(int row)
{
    QString label = CInstallStatusView::RowLabel(row);
    if (label.endsWith(QLatin1Char(':')))
        label.chop(1);
    return label;
}

// Text that reads on a band or cell of the code's colour.
QColor TextOn(std::uint16_t code)
{
    const StatusColour c = CInstallStatusView::ColourOfCode(code);
    return c == StatusColour::Good || c == StatusColour::Warning ? Qt::white : Qt::black;
}

} // namespace

CTimelineBands::CTimelineBands(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setMinimumHeight(sizeHint().height());
}

void CTimelineBands::SetTimeline(const InstallTimeline& timeline)
{
    timeline_ = timeline;
    fromMs_ = toMs_ = 0;
    bool any = false;
    for (const auto& bands : timeline_.bands)
        for (const TimelineBand& band : bands) {
            fromMs_ = any ? std::min(fromMs_, band.fromMs) : band.fromMs;
            toMs_ = any ? std::max(toMs_, band.toMs) : band.toMs;
            any = true;
        }
    update();
}

double CTimelineBands::XOf(std::int64_t timeMs) const
{
    const double left = kLabelWidth, right = std::max(left + 1, double(width() - 8));
    if (toMs_ <= fromMs_)
        return left;
    return left + (right - left) * double(timeMs - fromMs_) / double(toMs_ - fromMs_);
}

QRectF CTimelineBands::RowRect(int row) const
{
    return {double(kLabelWidth), 4.0 + row * kRowHeight, std::max(1.0, width() - 8.0 - kLabelWidth), kRowHeight - 4.0};
}

void CTimelineBands::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QFontMetrics fm(font());
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row) {
        const QRectF r = RowRect(row);
        painter.setPen(Qt::black);
        painter.fillRect(QRectF(0, r.top(), kLabelWidth - 6, r.height()), QColor::fromRgb(InstallColours::kRowHeader));
        painter.drawText(QRectF(4, r.top(), kLabelWidth - 10, r.height()), Qt::AlignVCenter | Qt::AlignLeft,
                         RowName(row));
        painter.fillRect(r, QColor(0xF4, 0xF4, 0xF4)); // unknown: before, between runs
        for (const TimelineBand& band : timeline_.bands[std::size_t(row)]) {
            // A stretch lasts until its last sample; a single sample still shows.
            const double x0 = XOf(band.fromMs);
            const double x1 = std::max(XOf(band.toMs), x0 + 2);
            const QRectF b(x0, r.top(), x1 - x0, r.height());
            painter.fillRect(b, InstallCodeColour(band.code));
            // Codes of one colour (a survey, then a lock) still show their change.
            if (&band != &timeline_.bands[std::size_t(row)].front())
                painter.fillRect(QRectF(x0, r.top(), 1.5, r.height()), Qt::white);
            if (fm.horizontalAdvance(band.text) + 6 < b.width()) {
                painter.setPen(TextOn(band.code));
                painter.drawText(b.adjusted(3, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, band.text);
            }
        }
    }
    // The lock, and the time axis.
    const double bottom = 4.0 + CInstallStatusView::kRowCount * kRowHeight;
    painter.setPen(QPen(Qt::black, 1));
    painter.drawLine(QPointF(kLabelWidth, bottom), QPointF(width() - 8, bottom));
    if (toMs_ > fromMs_) {
        const std::int64_t span = toMs_ - fromMs_;
        const std::int64_t step = span <= 20 * 60000 ? 2 * 60000 : span <= 2 * 3600000 ? 15 * 60000
                                  : span <= 12 * 3600000 ? 3600000 : 4 * 3600000;
        for (std::int64_t t = (fromMs_ / step + 1) * step; t < toMs_; t += step) {
            const double x = XOf(t);
            painter.drawLine(QPointF(x, bottom), QPointF(x, bottom + 4));
            const QString label = QDateTime::fromMSecsSinceEpoch(t, Qt::UTC).toString(QStringLiteral("HH:mm"));
            painter.drawText(QPointF(x - fm.horizontalAdvance(label) / 2.0, bottom + 4 + fm.ascent()), label);
        }
    }
    painter.drawText(QPointF(4, bottom + 4 + fm.ascent()), QStringLiteral("UTC"));
    if (timeline_.lock && timeline_.lock->lockedMs && !timeline_.lock->lockedAtStart) {
        const double x = XOf(*timeline_.lock->lockedMs);
        painter.setPen(QPen(Qt::black, 2, Qt::DashLine));
        painter.drawLine(QPointF(x, 2), QPointF(x, bottom));
    }
}

CInstallTimelineWindow::CInstallTimelineWindow(CStatusHistory& history, QWidget* parent)
    : CPlotWindow(history, QStringLiteral("Installation Timeline"), QStringLiteral("installation-timeline"),
                  StatusSampleKind::Installation, parent)
{
    chart_ = new QWidget;
    auto* chartLayout = new QVBoxLayout(chart_);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    lockLabel_ = new QLabel;
    QFont bold = lockLabel_->font();
    bold.setBold(true);
    lockLabel_->setFont(bold);
    lockLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    bands_ = new CTimelineBands;
    chartLayout->addWidget(lockLabel_);
    chartLayout->addWidget(bands_);

    changes_ = new QTableWidget(0, kColumnCount);
    changes_->setHorizontalHeaderLabels(
        {QStringLiteral("Time (UTC)"), QStringLiteral("Row"), QStringLiteral("From"), QStringLiteral("To")});
    changes_->verticalHeader()->hide();
    changes_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    changes_->setSelectionBehavior(QAbstractItemView::SelectRows);
    changes_->horizontalHeader()->setStretchLastSection(true);
    changes_->setColumnWidth(TimeColumn, 150);
    changes_->setColumnWidth(RowColumn, 170);
    changes_->setColumnWidth(FromColumn, 150);

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->addWidget(chart_);
    splitter->addWidget(changes_);
    splitter->setStretchFactor(1, 1);
    Body().addWidget(splitter);
    resize(760, 560);
}

void CInstallTimelineWindow::Refresh()
{
    const InstallTimeline timeline = BuildInstallTimeline(History().Installation());
    lockLabel_->setText(LockTimeText(timeline.lock));
    bands_->SetTimeline(timeline);

    changes_->setUpdatesEnabled(false);
    changes_->setRowCount(int(timeline.changes.size()));
    int i = 0;
    for (const TimelineChange& change : timeline.changes) {
        const QString time =
            QDateTime::fromMSecsSinceEpoch(change.timeMs, Qt::UTC).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString cells[kColumnCount] = {time, RowName(change.row), change.from, change.to};
        for (int column = 0; column < kColumnCount; ++column) {
            QTableWidgetItem* item = changes_->item(i, column);
            if (!item)
                changes_->setItem(i, column, item = new QTableWidgetItem);
            item->setText(cells[column]);
        }
        QTableWidgetItem* to = changes_->item(i, ToColumn);
        to->setBackground(InstallCodeColour(change.code));
        to->setForeground(TextOn(change.code));
        ++i;
    }
    changes_->setUpdatesEnabled(true);
    changes_->scrollToBottom();
    CountRefresh();
}
