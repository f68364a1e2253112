#include "status/plots/widgets/SignalHistoryWindow.h"

#include "status/history/StatusHistory.h"

#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QCategoryAxis>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QToolBar>
#include <QValueAxis>
#include <QVBoxLayout>

namespace {

// A colour per satellite number that stays the same from one redraw to the next.
QColor SatelliteColour(int satellite)
{
    return QColor::fromHsv((satellite * 47) % 360, 200, satellite % 2 ? 200 : 150);
}

// A time axis in ms since the epoch, labelled in UTC at round times.
QCategoryAxis* TimeAxis(std::int64_t fromMs, std::int64_t toMs, std::int64_t spanMs)
{
    auto* axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    toMs = std::max(toMs, fromMs + 1);
    axis->setRange(double(fromMs), double(toMs));
    const std::int64_t stepMs = spanMs <= 10 * 60 * 1000  ? 2 * 60 * 1000
                                : spanMs <= 3600 * 1000    ? 10 * 60 * 1000
                                : spanMs <= 6 * 3600 * 1000 ? 3600 * 1000
                                                            : 4 * 3600 * 1000;
    const QString format = spanMs > 6 * 3600 * 1000 ? QStringLiteral("dd. HH:mm") : QStringLiteral("HH:mm");
    for (std::int64_t t = (fromMs / stepMs + 1) * stepMs; t <= toMs; t += stepMs)
        axis->append(QDateTime::fromMSecsSinceEpoch(t, Qt::UTC).toString(format), double(t));
    axis->setTitleText(QStringLiteral("Time (UTC)"));
    return axis;
}

// Adds the stretches of one line as series of the same look; only the
// first shows in the legend.
void AddLine(QChart& chart, const SignalLine& line, const QString& name, const QPen& pen, QAbstractAxis* x,
             QAbstractAxis* y)
{
    bool first = true;
    for (const auto& stretch : line) {
        auto* series = new QLineSeries;
        series->setName(name);
        series->setPen(pen);
        series->replace(QList<QPointF>(stretch.begin(), stretch.end()));
        chart.addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        if (!first)
            for (QLegendMarker* marker : chart.legend()->markers(series))
                marker->setVisible(false);
        first = false;
    }
}

QChartView* MakeView(QChart* chart)
{
    chart->setMargins(QMargins(4, 4, 4, 4));
    chart->legend()->setAlignment(Qt::AlignRight);
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

} // namespace

CSignalHistoryWindow::CSignalHistoryWindow(CStatusHistory& history, QWidget* parent)
    : CPlotWindow(history, QStringLiteral("Signal History"), QStringLiteral("Signal History"), parent)
{
    span_ = new QComboBox;
    span_->addItems({QStringLiteral("10 min"), QStringLiteral("1 h"), QStringLiteral("6 h"), QStringLiteral("24 h")});
    span_->setCurrentIndex(kDefaultSpan);
    ToolBar().addSeparator();
    ToolBar().addWidget(new QLabel(QStringLiteral(" Span: ")));
    ToolBar().addWidget(span_);
    connect(span_, &QComboBox::currentIndexChanged, this, [this] { Refresh(); });

    cnoChart_ = new QChart;
    cnoChart_->setTitle(QStringLiteral("C/No per satellite"));
    countChart_ = new QChart;
    countChart_->setTitle(QStringLiteral("Tracked satellites"));
    cnoView_ = MakeView(cnoChart_);
    countView_ = MakeView(countChart_);
    charts_ = new QWidget;
    auto* layout = new QVBoxLayout(charts_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cnoView_, 3);
    layout->addWidget(countView_, 2);
    Body().addWidget(charts_);
    resize(760, 620);
}

void CSignalHistoryWindow::SetSpan(int index)
{
    span_->setCurrentIndex(index);
}

std::int64_t CSignalHistoryWindow::SpanMs() const
{
    const int index = span_->currentIndex();
    return kSpansMs[std::size_t(index >= 0 && index < int(kSpansMs.size()) ? index : kDefaultSpan)];
}

void CSignalHistoryWindow::Refresh()
{
    const std::int64_t spanMs = SpanMs();
    const SignalSeries series = BuildSignalSeries(History().Gps(), spanMs, kMaxPoints);
    const std::int64_t toMs = series.toMs ? series.toMs : QDateTime::currentMSecsSinceEpoch();
    const std::int64_t fromMs = toMs - spanMs;

    for (QChart* chart : {cnoChart_, countChart_}) {
        chart->removeAllSeries();
        for (QAbstractAxis* axis : chart->axes())
            chart->removeAxis(axis), delete axis;
    }

    QCategoryAxis* x = TimeAxis(fromMs, toMs, spanMs);
    auto* cno = new QValueAxis;
    cno->setRange(0, 60);
    cno->setTickCount(7);
    cno->setLabelFormat(QStringLiteral("%d"));
    cno->setTitleText(QStringLiteral("dBHz"));
    cnoChart_->addAxis(x, Qt::AlignBottom);
    cnoChart_->addAxis(cno, Qt::AlignLeft);
    for (const auto& [satellite, line] : series.cnoBySatellite)
        AddLine(*cnoChart_, line, QString::number(satellite), QPen(SatelliteColour(satellite), 1.2), x, cno);
    AddLine(*cnoChart_, series.meanCno, QStringLiteral("Mean"), QPen(Qt::black, 2.5), x, cno);

    QCategoryAxis* x2 = TimeAxis(fromMs, toMs, spanMs);
    auto* count = new QValueAxis;
    count->setRange(0, 12);
    count->setTickCount(7);
    count->setLabelFormat(QStringLiteral("%d"));
    count->setTitleText(QStringLiteral("Satellites"));
    countChart_->addAxis(x2, Qt::AlignBottom);
    countChart_->addAxis(count, Qt::AlignLeft);
    AddLine(*countChart_, series.trackedCount, QStringLiteral("Tracked"), QPen(QColor(0x00, 0x60, 0xB0), 2), x2, count);
    CountRefresh();
}
