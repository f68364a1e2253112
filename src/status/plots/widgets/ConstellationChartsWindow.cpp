#include "status/plots/widgets/ConstellationChartsWindow.h"

#include "data/constlog/ConstLogData.h"
#include "status/history/StatusHistory.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QGridLayout>
#include <QLabel>
#include <QStackedBarSeries>
#include <QValueAxis>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

void FillDurationChart(QChart& chart, const DurationBars& bars)
{
    chart.removeAllSeries();
    for (QAbstractAxis* axis : chart.axes())
        chart.removeAxis(axis), delete axis;
    chart.setTitle(bars.title);
    chart.legend()->hide();
    if (!bars.shown)
        return;
    // One set per colour, stacked, so that each bar takes its row's colour.
    auto* series = new QStackedBarSeries;
    series->setBarWidth(0.8);
    std::map<std::uint32_t, QBarSet*> sets;
    for (int n = 0; n < kConstLogCounts; ++n)
        if (!sets.count(bars.rgb[std::size_t(n)])) {
            auto* set = new QBarSet(QString());
            set->setColor(QColor::fromRgb(bars.rgb[std::size_t(n)]));
            set->setBorderColor(Qt::transparent);
            sets[bars.rgb[std::size_t(n)]] = set;
        }
    QStringList categories;
    double top = 0;
    for (int n = 0; n < kConstLogCounts; ++n) {
        const double value = bars.seconds[std::size_t(n)] / bars.scale.secondsPerUnit;
        top = std::max(top, value);
        for (auto& [rgb, set] : sets)
            set->append(rgb == bars.rgb[std::size_t(n)] ? value : 0.0);
        categories << QString::number(n);
    }
    for (auto& [rgb, set] : sets)
        series->append(set);
    chart.addSeries(series);
    auto* x = new QBarCategoryAxis;
    x->append(categories);
    x->setTitleText(QStringLiteral("Visible satellites"));
    auto* y = new QValueAxis;
    y->setRange(0, top > 0 ? top * 1.05 : 1);
    y->setLabelFormat(bars.scale.secondsPerUnit > 1 ? QStringLiteral("%.1f") : QStringLiteral("%d"));
    y->setTitleText(QStringLiteral("Duration (%1)").arg(bars.scale.unit));
    chart.addAxis(x, Qt::AlignBottom);
    chart.addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
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
    : CPlotWindow(history, QStringLiteral("Constellation Charts"), QStringLiteral("Constellation Charts"), parent),
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
    Body().addWidget(chart_);
    resize(820, 760);
}

void CConstellationChartsWindow::Refresh()
{
    bars_->Refresh();
    const std::vector<LogDayBars> days = BuildLogDayBars(logSource_());
    if (days.empty())
        logLabel_->setText(QStringLiteral("Seven-day log: none read yet (Maintenance > Constellation Log...)"));
    else
        logLabel_->setText(QStringLiteral("Seven-day log as last read, the last received day first"));
    while (dayViews_.size() < days.size()) {
        auto* chart = new QChart;
        chart->setMargins(QMargins(2, 2, 2, 2));
        auto* view = new QChartView(chart);
        view->setMinimumSize(180, 150);
        const int i = int(dayViews_.size());
        days_->addWidget(view, i / 4, i % 4);
        dayViews_.push_back(view);
        dayCharts_.push_back(chart);
    }
    for (std::size_t i = 0; i < dayViews_.size(); ++i) {
        dayViews_[i]->setVisible(i < days.size());
        if (i >= days.size())
            continue;
        DurationBars bars = days[i].bars;
        if (days[i].suspect)
            bars.title += QStringLiteral(" (a whole day without satellites)");
        FillDurationChart(*dayCharts_[i], bars);
    }
    CountRefresh();
}
