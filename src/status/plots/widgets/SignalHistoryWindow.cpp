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
#include <QSignalBlocker>
#include <QToolBar>
#include <QValueAxis>
#include <QVBoxLayout>

#include <set>

namespace {

// One pixel wide: wider lines are stroked as outlines, which costs several
// times as much for a chart of a dozen lines. A satellite gone from the
// channels is drawn paler rather than thinner.
QPen LinePen(const SignalLineLook& look, bool trackedNow)
{
    QColor colour = QColor::fromRgb(look.rgb);
    if (!trackedNow)
        colour.setAlpha(110);
    QPen pen(colour, 1);
    pen.setStyle(look.dash == SignalDash::Dashed   ? Qt::DashLine
                 : look.dash == SignalDash::Dotted ? Qt::DotLine
                                                   : Qt::SolidLine);
    return pen;
}

// Labels a time axis in ms since the epoch in UTC at round times, a step
// that suits the time shown. The labels are replaced only when another
// round time comes into view: every change of them lays the chart out again.
void LabelTimeAxis(QCategoryAxis& axis, std::int64_t fromMs, std::int64_t toMs)
{
    toMs = std::max(toMs, fromMs + 1);
    const std::int64_t shownMs = toMs - fromMs;
    const std::int64_t stepMs = shownMs <= 3 * 60 * 1000      ? 30 * 1000
                                : shownMs <= 12 * 60 * 1000   ? 2 * 60 * 1000
                                : shownMs <= 3600 * 1000      ? 10 * 60 * 1000
                                : shownMs <= 6 * 3600 * 1000  ? 3600 * 1000
                                                              : 4 * 3600 * 1000;
    const QString format = shownMs > 6 * 3600 * 1000 ? QStringLiteral("dd. HH:mm")
                           : stepMs < 60 * 1000      ? QStringLiteral("HH:mm:ss")
                                                     : QStringLiteral("HH:mm");
    QStringList labels;
    QList<double> ends;
    for (std::int64_t t = (fromMs / stepMs + 1) * stepMs; t <= toMs; t += stepMs) {
        labels << QDateTime::fromMSecsSinceEpoch(t, Qt::UTC).toString(format);
        ends << double(t);
    }
    bool same = axis.categoriesLabels() == labels;
    for (qsizetype i = 0; same && i < labels.size(); ++i)
        same = axis.endValue(labels[i]) == ends[i];
    if (!same) {
        for (const QString& label : axis.categoriesLabels())
            axis.remove(label);
        for (qsizetype i = 0; i < labels.size(); ++i)
            axis.append(labels[i], ends[i]);
    }
    axis.setRange(double(fromMs), double(toMs));
}

QValueAxis* ValueAxis(double top, int ticks, const QString& title)
{
    auto* axis = new QValueAxis;
    axis->setRange(0, top);
    axis->setTickCount(ticks);
    axis->setLabelFormat(QStringLiteral("%d"));
    axis->setTitleText(title);
    return axis;
}

QChartView* MakeView(QChart* chart)
{
    chart->setMargins(QMargins(4, 4, 4, 4));
    // Below the chart, so that both charts' plots span the same width and
    // their time axes line up.
    chart->legend()->setAlignment(Qt::AlignBottom);
    // A bit of each line, so that the legend shows its dashes too.
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    QFont small = chart->legend()->font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    chart->legend()->setFont(small);
    // Without antialiasing: a day of a dozen lines draws in a fraction of the time.
    auto* view = new QChartView(chart);
    view->setRenderHint(QPainter::Antialiasing, false);
    return view;
}

} // namespace

CSignalHistoryWindow::CSignalHistoryWindow(CStatusHistory& history, QWidget* parent)
    : CPlotWindow(history, QStringLiteral("Signal History"), QStringLiteral("signal-history"), StatusSampleKind::Gps, parent)
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
    cnoLines_ = {cnoChart_, new QCategoryAxis, ValueAxis(60, 7, QStringLiteral("dBHz")), {}, 0};
    countLines_ = {countChart_, new QCategoryAxis, ValueAxis(12, 5, QStringLiteral("Satellites")), {}, 0};
    for (LinePool* pool : {&cnoLines_, &countLines_}) {
        pool->x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        pool->x->setTitleText(QStringLiteral("Time (UTC)"));
        pool->chart->addAxis(pool->x, Qt::AlignBottom);
        pool->chart->addAxis(pool->y, Qt::AlignLeft);
    }
    cnoView_ = MakeView(cnoChart_);
    countView_ = MakeView(countChart_);
    // One line, named by the title.
    countChart_->legend()->hide();
    charts_ = new QWidget;
    auto* layout = new QVBoxLayout(charts_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cnoView_, 3);
    layout->addWidget(countView_, 2);
    Body().addWidget(charts_);
    resize(760, 620);
}

std::pair<std::int64_t, std::int64_t> CSignalHistoryWindow::ShownSpanMs() const
{
    return shown_;
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

void CSignalHistoryWindow::LinePool::Add(const std::vector<QPointF>& points, const QString& name, const QPen& pen,
                                         bool inLegend)
{
    if (used == lines.size()) {
        auto* series = new QLineSeries;
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
        lines.push_back(series);
    }
    QLineSeries* series = lines[used++];
    // Names, pens and legend entries are set only when they change: each
    // change lays out the legend or the series again.
    if (series->name() != name)
        series->setName(name);
    if (series->pen() != pen)
        series->setPen(pen);
    // A line that did not move is left alone: every change of one makes the
    // chart work out its whole outline again.
    QList<QPointF> list(points.begin(), points.end());
    if (series->points() != list) {
        // When the axes move on afterwards, every line is worked out anew
        // then: the line is not worked out for the old axes first.
        const QSignalBlocker quiet(axesMove ? series : nullptr);
        series->replace(list);
    }
    if (!series->isVisible())
        series->setVisible(true);
    for (QLegendMarker* marker : chart->legend()->markers(series))
        if (marker->isVisible() != inLegend)
            marker->setVisible(inLegend);
}

void CSignalHistoryWindow::LinePool::End()
{
    for (std::size_t i = used; i < lines.size(); ++i) {
        if (!lines[i]->isVisible())
            continue;
        lines[i]->clear();
        lines[i]->setVisible(false);
        for (QLegendMarker* marker : chart->legend()->markers(lines[i]))
            marker->setVisible(false);
    }
}

void CSignalHistoryWindow::Refresh()
{
    const std::int64_t spanMs = SpanMs();
    const SignalSeries series = BuildSignalSeries(History().Gps(), spanMs, kMaxPoints);
    // Less history than the span: the axis starts at the first sample
    // (at least a minute shown), not at an empty stretch before it.
    // The axes end at the end of the newest point's bucket: they move on once
    // per point, not with every sample (each move redraws every line).
    const std::int64_t bucketMs = SignalBucketMs(spanMs, kMaxPoints);
    std::int64_t toMs = series.toMs ? (series.toMs / bucketMs + 1) * bucketMs : QDateTime::currentMSecsSinceEpoch();
    const std::int64_t fromMs = series.toMs ? std::max(toMs - spanMs, series.firstMs) : toMs - spanMs;
    toMs = std::max(toMs, fromMs + kMinShownMs);
    // The axes are moved after the lines are given their points.
    const bool axesMove = cnoLines_.x->min() != double(fromMs) || cnoLines_.x->max() != double(toMs);
    cnoLines_.axesMove = countLines_.axesMove = axesMove;
    AssignSignalSlots(series.cnoBySatellite, slots_);
    shown_ = series.toMs ? std::pair(fromMs, toMs) : std::pair<std::int64_t, std::int64_t>(0, 0);

    // The legend names the satellites tracked now; the lines of the others
    // are drawn thinner.
    std::set<int> trackedNow;
    if (!History().Gps().empty())
        for (const SChannelSample& channel : History().Gps().back().channels)
            if (channel.satellite != 0)
                trackedNow.insert(channel.satellite);
    cnoLines_.Begin();
    for (const auto& [satellite, line] : series.cnoBySatellite) {
        const bool now = trackedNow.count(satellite) > 0;
        bool first = true;
        for (const auto& stretch : line) {
            cnoLines_.Add(stretch, QString::number(satellite), LinePen(SignalLook(slots_[satellite]), now), now && first);
            first = false;
        }
    }
    bool first = true;
    for (const auto& stretch : series.meanCno) {
        cnoLines_.Add(stretch, QStringLiteral("Mean"), QPen(Qt::black, 2.5), first);
        first = false;
    }
    cnoLines_.End();

    countLines_.Begin();
    first = true;
    for (const auto& stretch : series.trackedCount) {
        countLines_.Add(stretch, QStringLiteral("Tracked"), QPen(QColor(0x00, 0x60, 0xB0), 2), first);
        first = false;
    }
    // A gap with a reason (the unit commissioned and moved) is marked where
    // the lines start again, named in the legend.
    for (const SHistoryGapLabel& gap : History().GapLabels()) {
        if (gap.timeMs < fromMs)
            continue;
        const double at = double(gap.timeMs);
        countLines_.Add({QPointF(at, 0), QPointF(at, 14)}, gap.label, QPen(Qt::darkGray, 1.5, Qt::DashLine), true);
    }
    countLines_.End();
    LabelTimeAxis(*cnoLines_.x, fromMs, toMs);
    LabelTimeAxis(*countLines_.x, fromMs, toMs);
    CountRefresh();
}
