#pragma once
// "Constellation Charts": the durations per number of visible satellites as
// bars (a widget that can also stand beside the statistics table), and the
// seven-day constellation log as one chart per day, from the log the
// Constellation Log command read last. Nothing here asks the unit.

#include "status/plots/ConstellationCharts.h"
#include "status/plots/widgets/PlotWindow.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QChart;
class QChartView;
class QGridLayout;
class QLabel;

// Fills `chart` with the bars, coloured per number of satellites. A compact
// chart has small labels and no axis titles. `top`, in the bars' unit, sets
// the value axis's end for charts shown side by side (0: the bars' own).
void FillDurationChart(QChart& chart, const DurationBars& bars, bool compact = false, double top = 0);

// The bars of the newest constellation statistics in the history.
class CConstellationBarsWidget : public QWidget {
    Q_OBJECT
public:
    explicit CConstellationBarsWidget(CStatusHistory& history, QWidget* parent = nullptr);
    void Refresh();
    [[nodiscard]] QChart& Chart() const { return *chart_; }

private:
    CStatusHistory& history_;
    QChart* chart_;
};

class CConstellationChartsWindow : public CPlotWindow {
    Q_OBJECT
public:
    using LogSource = std::function<ConstLogStatistics()>;
    // Day charts per row: wide enough for the labels 0 to 12.
    static constexpr int kDayColumns = 3;

    // `logSource` gives the log last read; by default the constellation log's
    // table for the program.
    explicit CConstellationChartsWindow(CStatusHistory& history, LogSource logSource = {}, QWidget* parent = nullptr);

    void Refresh() override;
    [[nodiscard]] QWidget& ChartWidget() override { return *chart_; }

    [[nodiscard]] CConstellationBarsWidget& Bars() const { return *bars_; }
    // The charts of the days the log lists, in its order.
    [[nodiscard]] std::vector<QChart*> DayCharts() const;
    [[nodiscard]] QLabel& LogLabel() const { return *logLabel_; }

private:
    LogSource logSource_;
    QWidget* chart_;
    CConstellationBarsWidget* bars_;
    QLabel* logLabel_;
    QGridLayout* days_;
    std::vector<QChartView*> dayViews_;
    std::vector<QChart*> dayCharts_;
    std::optional<ConstLogStatistics> shownLog_;
};
