#pragma once
// "Survey Plot": the positions the unit reported, as north and east offsets
// in metres from their mean, with the survey progress and the spread, so
// that the engineer sees whether the antenna position converges.

#include "status/plots/SurveyOffsets.h"
#include "status/plots/widgets/PlotWindow.h"

class QChart;
class QChartView;
class QLabel;
class QProgressBar;

class CSurveyPlotWindow : public CPlotWindow {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxPoints = 2000;

    explicit CSurveyPlotWindow(CStatusHistory& history, QWidget* parent = nullptr);

    void Refresh() override;
    [[nodiscard]] QWidget& ChartWidget() override { return *chart_; }

    [[nodiscard]] QChart& Chart() const { return *plot_; }
    [[nodiscard]] QLabel& SpreadLabel() const { return *spread_; }
    [[nodiscard]] QProgressBar& Progress() const { return *progress_; }

private:
    QWidget* chart_;
    QChart* plot_;
    QChartView* view_;
    QLabel* spread_;
    QProgressBar* progress_;
};
