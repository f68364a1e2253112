#include "status/plots/widgets/SurveyPlotWindow.h"

#include "status/history/StatusHistory.h"

#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <cmath>

namespace {

QString Degrees(double value, char positive, char negative)
{
    return QStringLiteral("%1 %2°").arg(QLatin1Char(value < 0 ? negative : positive)).arg(std::abs(value), 0, 'f', 7);
}

} // namespace

CSurveyPlotWindow::CSurveyPlotWindow(CStatusHistory& history, QWidget* parent)
    : CPlotWindow(history, QStringLiteral("Survey Plot"), QStringLiteral("Survey Plot"), parent)
{
    chart_ = new QWidget;
    auto* layout = new QVBoxLayout(chart_);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(new QLabel(QStringLiteral("Survey progress:")));
    progress_ = new QProgressBar;
    progress_->setRange(0, 100);
    progress_->setFormat(QStringLiteral("%p %"));
    progressRow->addWidget(progress_, 1);
    layout->addLayout(progressRow);
    spread_ = new QLabel;
    spread_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(spread_);
    plot_ = new QChart;
    plot_->setTitle(QStringLiteral("Reported positions, offsets from their mean"));
    plot_->legend()->setAlignment(Qt::AlignBottom);
    plot_->setMargins(QMargins(4, 4, 4, 4));
    view_ = new QChartView(plot_);
    view_->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view_, 1);
    Body().addWidget(chart_);
    resize(560, 620);
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
                           "Spread: %5 m RMS, %6 m at most from the mean, altitude %7 m RMS; newest tenth %8 m RMS")
                .arg(o.positions)
                .arg(Degrees(o.meanLatitudeDeg, 'N', 'S'), Degrees(o.meanLongitudeDeg, 'E', 'W'))
                .arg(o.meanAltitudeM, 0, 'f', 2)
                .arg(o.horizontalSdM, 0, 'f', 2)
                .arg(o.maxDistanceM, 0, 'f', 2)
                .arg(o.altitudeSdM, 0, 'f', 2)
                .arg(o.recentHorizontalSdM, 0, 'f', 2));

    plot_->removeAllSeries();
    for (QAbstractAxis* axis : plot_->axes())
        plot_->removeAxis(axis), delete axis;
    // Both axes over the same metres, so that a round cloud looks round.
    const double extent = std::max(1.0, std::ceil(o.maxDistanceM * 1.1));
    auto* east = new QValueAxis;
    east->setRange(-extent, extent);
    east->setTitleText(QStringLiteral("East (m)"));
    east->setTickCount(5);
    auto* north = new QValueAxis;
    north->setRange(-extent, extent);
    north->setTitleText(QStringLiteral("North (m)"));
    north->setTickCount(5);
    plot_->addAxis(east, Qt::AlignBottom);
    plot_->addAxis(north, Qt::AlignLeft);

    auto* positions = new QScatterSeries;
    positions->setName(QStringLiteral("Positions"));
    positions->setMarkerSize(5);
    positions->setColor(QColor(0x30, 0x70, 0xC0, 120));
    positions->setBorderColor(Qt::transparent);
    auto* newest = new QScatterSeries;
    newest->setName(QStringLiteral("Newest"));
    newest->setMarkerSize(11);
    newest->setColor(QColor::fromRgb(0xA02000));
    auto* mean = new QScatterSeries;
    mean->setName(QStringLiteral("Mean"));
    mean->setMarkerShape(QScatterSeries::MarkerShapeRectangle);
    mean->setMarkerSize(9);
    mean->setColor(Qt::black);
    if (!o.points.empty()) {
        positions->replace(QList<QPointF>(o.points.begin(), o.points.end() - 1));
        newest->append(o.points.back());
        mean->append(0, 0);
    }
    for (QScatterSeries* series : {positions, mean, newest}) {
        plot_->addSeries(series);
        series->attachAxis(east);
        series->attachAxis(north);
    }
    CountRefresh();
}
