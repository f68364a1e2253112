#include "status/plots/widgets/ConstellationChartsWindow.h"

#include "data/constlog/ConstLogData.h"
#include "status/history/StatusHistory.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The distinct colours of the bars in the order of first use: one set each.
std::vector<std::uint32_t> SetColours(const DurationBars& bars)
{
    std::vector<std::uint32_t> colours;
    for (std::uint32_t rgb : bars.rgb)
        if (std::find(colours.begin(), colours.end(), rgb) == colours.end())
            colours.push_back(rgb);
    return colours;
}

// The chart's series when it already has the sets these bars need.
QStackedBarSeries* Reusable(QChart& chart, const std::vector<std::uint32_t>& colours)
{
    if (chart.series().size() != 1)
        return nullptr;
    auto* series = qobject_cast<QStackedBarSeries*>(chart.series().front());
    if (!series || series->count() != int(colours.size()))
        return nullptr;
    for (int i = 0; i < series->count(); ++i)
        if (series->barSets()[i]->color() != QColor::fromRgb(colours[std::size_t(i)]) ||
            series->barSets()[i]->count() != kConstLogCounts)
            return nullptr;
    return series;
}

} // namespace

void FillDurationChart(QChart& chart, const DurationBars& bars, bool compact, double commonTop)
{
    chart.setTitle(bars.title);
    chart.legend()->hide();
    const std::vector<std::uint32_t> colours = SetColours(bars);
    QStackedBarSeries* series = bars.shown ? Reusable(chart, colours) : nullptr;
    if (!series) {
        // Built anew only when the bars change their make-up; new figures
        // go into the bars already there.
        chart.removeAllSeries();
        for (QAbstractAxis* axis : chart.axes())
            chart.removeAxis(axis), delete axis;
        if (!bars.shown)
            return;
        series = new QStackedBarSeries;
        series->setBarWidth(0.8);
        for (std::uint32_t rgb : colours) {
            auto* set = new QBarSet(QString());
            set->setColor(QColor::fromRgb(rgb));
            set->setBorderColor(Qt::transparent);
            for (int n = 0; n < kConstLogCounts; ++n)
                set->append(0.0);
            series->append(set);
        }
        chart.addSeries(series);
        // A compact chart numbers every other bar on a value axis; the
        // category axis elides its labels when the bars get narrow.
        QAbstractAxis* x = nullptr;
        if (compact) {
            auto* values = new QValueAxis;
            values->setRange(-0.5, kConstLogCounts - 0.5);
            values->setTickType(QValueAxis::TicksDynamic);
            values->setTickAnchor(0);
            values->setTickInterval(2);
            values->setLabelFormat(QStringLiteral("%d"));
            values->setGridLineVisible(false);
            x = values;
        } else {
            auto* categories = new QBarCategoryAxis;
            for (int n = 0; n < kConstLogCounts; ++n)
                categories->append(QString::number(n));
            categories->setTitleText(QStringLiteral("Visible satellites"));
            x = categories;
        }
        auto* y = new QValueAxis;
        chart.addAxis(x, Qt::AlignBottom);
        chart.addAxis(y, Qt::AlignLeft);
        series->attachAxis(x);
        series->attachAxis(chart.axes(Qt::Vertical).front());
    }
    // One set per colour, stacked, so that each bar takes its row's colour.
    double top = 0;
    for (int n = 0; n < kConstLogCounts; ++n) {
        const double value = bars.seconds[std::size_t(n)] / bars.scale.secondsPerUnit;
        top = std::max(top, value);
        for (int i = 0; i < series->count(); ++i)
            series->barSets()[i]->replace(n, colours[std::size_t(i)] == bars.rgb[std::size_t(n)] ? value : 0.0);
    }
    auto* y = qobject_cast<QValueAxis*>(chart.axes(Qt::Vertical).front());
    if (commonTop > 0)
        top = commonTop;
    y->setRange(0, top > 0 ? top * 1.05 : 1);
    y->setTickCount(5);
    y->applyNiceNumbers();
    y->setLabelFormat(bars.scale.secondsPerUnit > 1 && top < 10 ? QStringLiteral("%.1f") : QStringLiteral("%d"));
    if (!compact)
        y->setTitleText(QStringLiteral("Duration (%1)").arg(bars.scale.unit));
}

CConstellationBarsWidget::CConstellationBarsWidget(CStatusHistory& history, QWidget* parent)
    : QWidget(parent), history_(history)
{
    chart_ = new QChart;
    chart_->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart_);
    view->setRenderHint(QPainter::Antialiasing);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    setMinimumSize(320, 220);
}

void CConstellationBarsWidget::Refresh()
{
    FillDurationChart(*chart_, BuildDurationBars(history_.Constellation()));
}

CConstellationChartsWindow::CConstellationChartsWindow(CStatusHistory& history, LogSource logSource, QWidget* parent)
    : CPlotWindow(history, QStringLiteral("Constellation Charts"), QStringLiteral("constellation-charts"),
                  StatusSampleKind::Constellation, parent),
      logSource_(logSource ? std::move(logSource) : LogSource([] { return CConstLogData::Statistics(); }))
{
    chart_ = new QWidget;
    auto* layout = new QVBoxLayout(chart_);
    layout->setContentsMargins(0, 0, 0, 0);
    bars_ = new CConstellationBarsWidget(history);
    layout->addWidget(bars_, 2);
    logLabel_ = new QLabel;
    QFont bold = logLabel_->font();
    bold.setBold(true);
    logLabel_->setFont(bold);
    layout->addWidget(logLabel_);
    days_ = new QGridLayout;
    layout->addLayout(days_, 3);
    // All seven made at once with the window: charts made later, while the
    // window is laid out, keep labels elided for a size they no longer have.
    for (int i = 0; i < kConstLogDays; ++i) {
        auto* chart = new QChart;
        chart->setMargins(QMargins(2, 2, 2, 2));
        QFont small = chart->font();
        small.setPointSizeF(small.pointSizeF() * 0.75);
        chart->setTitleFont(small);
        auto* view = new QChartView(chart);
        view->setMinimumSize(180, 150);
        view->hide();
        days_->addWidget(view, i / kDayColumns, i % kDayColumns);
        dayViews_.push_back(view);
        dayCharts_.push_back(chart);
    }
    // Too small a window scrolls rather than pressing the charts (and the
    // caption between them) into each other.
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(chart_);
    Body().addWidget(scroll);
    resize(820, 900);
}

std::vector<QChart*> CConstellationChartsWindow::DayCharts() const
{
    std::vector<QChart*> shown;
    for (std::size_t i = 0; i < dayViews_.size(); ++i)
        if (!dayViews_[i]->isHidden())
            shown.push_back(dayCharts_[i]);
    return shown;
}

void CConstellationChartsWindow::Refresh()
{
    bars_->Refresh();
    // The log changes only when the Constellation Log command reads it again.
    const ConstLogStatistics log = logSource_();
    const auto sameDay = [](const ConstLogDay& a, const ConstLogDay& b) {
        return a.durations == b.durations && a.day == b.day && a.month == b.month && a.year == b.year;
    };
    if (shownLog_ && shownLog_->totals == log.totals &&
        std::equal(log.days.begin(), log.days.end(), shownLog_->days.begin(), sameDay)) {
        CountRefresh();
        return;
    }
    shownLog_ = log;
    const std::vector<LogDayBars> days = BuildLogDayBars(log);
    if (days.empty())
        logLabel_->setText(QStringLiteral("Seven-day log: none read yet (Maintenance > Constellation Log...)"));
    else
        logLabel_->setText(QStringLiteral("Seven-day log as last read, the last received day first: time per number of visible satellites"));
    // One value scale for every day.
    double top = 0;
    for (const LogDayBars& day : days)
        for (std::uint32_t seconds : day.bars.seconds)
            top = std::max(top, seconds / day.bars.scale.secondsPerUnit);
    for (std::size_t i = 0; i < dayViews_.size(); ++i) {
        dayViews_[i]->setVisible(i < days.size());
        if (i >= days.size())
            continue;
        DurationBars bars = days[i].bars;
        bars.title += QStringLiteral(" (%1)").arg(bars.scale.unit);
        if (days[i].suspect)
            bars.title += QStringLiteral(": a whole day without satellites");
        FillDurationChart(*dayCharts_[i], bars, true, top);
    }
    CountRefresh();
}
