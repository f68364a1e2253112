#include "status/plots/widgets/SurveyPlotWindow.h"

#include "status/history/StatusHistory.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString Degrees(double value, char positive, char negative)
{
    return QStringLiteral("%1 %2°").arg(QLatin1Char(value < 0 ? negative : positive)).arg(std::abs(value), 0, 'f', 7);
}

// A round step for rings: 1, 2 or 5 times a power of ten, about a third of the extent.
double RingStep(double extent)
{
    const double raw = extent / 3.0;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double f : {1.0, 2.0, 5.0})
        if (f * power >= raw)
            return f * power;
    return 10 * power;
}

QString Metres(double m)
{
    return m >= 1 ? QStringLiteral("%1 m").arg(m, 0, 'g', 3) : QStringLiteral("%1 cm").arg(m * 100, 0, 'g', 3);
}

} // namespace

CSurveyScatter::CSurveyScatter(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setMinimumSize(240, 240);
}

void CSurveyScatter::SetOffsets(const SurveyOffsets& offsets)
{
    points_ = offsets.points;
    rmsM_ = offsets.horizontalSdM;
    // A little room around the farthest position; never under a decimetre.
    extentM_ = std::max(0.1, offsets.maxDistanceM * 1.1);
    update();
}

QPointF CSurveyScatter::PixelOf(QPointF metres) const
{
    const double half = std::max(1.0, std::min(width(), height()) / 2.0 - kMargin);
    const QPointF centre(width() / 2.0, height() / 2.0);
    return {centre.x() + metres.x() / extentM_ * half, centre.y() - metres.y() / extentM_ * half};
}

void CSurveyScatter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPointF centre = PixelOf({0, 0});
    const double half = PixelOf({extentM_, 0}).x() - centre.x();
    const QFontMetrics fm(font());

    // Axes through the mean, rings at round distances.
    painter.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 1));
    painter.drawLine(QPointF(centre.x() - half, centre.y()), QPointF(centre.x() + half, centre.y()));
    painter.drawLine(QPointF(centre.x(), centre.y() - half), QPointF(centre.x(), centre.y() + half));
    const double step = RingStep(extentM_);
    painter.setRenderHint(QPainter::Antialiasing);
    for (double r = step; r <= extentM_ * 1.0001; r += step) {
        const double px = PixelOf({r, 0}).x() - centre.x();
        painter.setPen(QPen(QColor(0xB0, 0xB0, 0xB0), 1));
        painter.drawEllipse(centre, px, px);
        painter.setPen(QColor(0x70, 0x70, 0x70));
        painter.drawText(QPointF(centre.x() + px * 0.7071 + 2, centre.y() - px * 0.7071 - 2), Metres(r));
    }
    painter.setPen(Qt::black);
    painter.drawText(QPointF(centre.x() - fm.horizontalAdvance(QStringLiteral("N")) / 2.0, centre.y() - half - 6),
                     QStringLiteral("N"));
    painter.drawText(QPointF(centre.x() + half + 6, centre.y() + fm.ascent() / 2.0), QStringLiteral("E"));

    // The positions, oldest faintest; the RMS circle; the mean and the newest.
    painter.setRenderHint(QPainter::Antialiasing, false);
    const std::size_t n = points_.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const int alpha = 60 + int(150.0 * double(i) / double(n));
        painter.setPen(QPen(QColor(0x30, 0x70, 0xC0, alpha), 3));
        painter.drawPoint(PixelOf(points_[i]));
    }
    painter.setRenderHint(QPainter::Antialiasing);
    if (rmsM_ > 0) {
        const double px = PixelOf({rmsM_, 0}).x() - centre.x();
        painter.setPen(QPen(QColor(0x00, 0x80, 0x20), 1.5, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, px, px);
    }
    if (n > 0) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::black);
        painter.drawRect(QRectF(centre.x() - 4, centre.y() - 4, 8, 8));
        painter.setPen(QPen(Qt::black, 1));
        painter.setBrush(QColor::fromRgb(0xA02000));
        painter.drawEllipse(PixelOf(points_.back()), 5, 5);
    }
    // The key.
    int y = 8 + fm.ascent();
    painter.setPen(Qt::black);
    painter.drawText(8, y, QStringLiteral("■ mean   "));
    painter.setPen(QColor::fromRgb(0xA02000));
    painter.drawText(8, y + fm.height(), QStringLiteral("● newest"));
    painter.setPen(QColor(0x00, 0x80, 0x20));
    painter.drawText(8, y + 2 * fm.height(), QStringLiteral("- - RMS spread"));
}

CSurveyPlotWindow::CSurveyPlotWindow(CStatusHistory& history, QWidget* parent)
    : CPlotWindow(history, QStringLiteral("Survey Plot"), QStringLiteral("survey-plot"), StatusSampleKind::Gps, parent)
{
    chart_ = new QWidget;
    auto* layout = new QVBoxLayout(chart_);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(new QLabel(QStringLiteral("Survey progress:")));
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progressRow->addWidget(progress_, 1);
    layout->addLayout(progressRow);
    spread_ = new QLabel;
    spread_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(spread_);
    scatter_ = new CSurveyScatter;
    layout->addWidget(scatter_, 1);
    Body().addWidget(chart_);
    resize(560, 640);
}

void CSurveyPlotWindow::Refresh()
{
    const SurveyOffsets o = BuildSurveyOffsets(History().Gps(), History().Installation(), kMaxPoints);

    if (o.surveyProgress) {
        progress_->setValue(int(std::min<std::uint32_t>(*o.surveyProgress, 100)));
        progress_->setFormat(QStringLiteral("%1 %").arg(*o.surveyProgress));
    } else {
        progress_->setValue(0);
        progress_->setFormat(QStringLiteral("not reported"));
    }
    if (o.positions == 0)
        spread_->setText(QStringLiteral("No position reported yet"));
    else
        spread_->setText(
            QStringLiteral("Mean of %1 positions: %2, %3, %4 m\n"
                           "Spread: %5 m RMS, %6 m at most from the mean, altitude %7 m RMS\n"
                           "Spread of the newest tenth: %8 m RMS")
                .arg(o.positions)
                .arg(Degrees(o.meanLatitudeDeg, 'N', 'S'), Degrees(o.meanLongitudeDeg, 'E', 'W'))
                .arg(o.meanAltitudeM, 0, 'f', 2)
                .arg(o.horizontalSdM, 0, 'f', 2)
                .arg(o.maxDistanceM, 0, 'f', 2)
                .arg(o.altitudeSdM, 0, 'f', 2)
                .arg(o.recentHorizontalSdM, 0, 'f', 2));
    scatter_->SetOffsets(o);
    CountRefresh();
}
