#pragma once
// "Survey Plot": the positions the unit reported, as north and east offsets
// in metres from their mean, with the survey progress and the spread, so
// that the engineer sees whether the antenna position converges.

#include "status/plots/SurveyOffsets.h"
#include "status/plots/widgets/PlotWindow.h"

#include <QWidget>

class QLabel;
class QProgressBar;

// The offsets on one scale both ways (a round cloud looks round), with rings
// at round distances and the RMS spread dashed.
class CSurveyScatter : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 34;

    explicit CSurveyScatter(QWidget* parent = nullptr);
    void SetOffsets(const SurveyOffsets& offsets);

    // Metres from the mean (x east, y north) to pixels, and back the radius.
    [[nodiscard]] QPointF PixelOf(QPointF metres) const;
    [[nodiscard]] double ExtentM() const { return extentM_; }

    [[nodiscard]] QSize sizeHint() const override { return {480, 480}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QPointF> points_;
    double rmsM_ = 0;
    double extentM_ = 1;
};

class CSurveyPlotWindow : public CPlotWindow {
    Q_OBJECT
public:
    static constexpr std::size_t kMaxPoints = 4000;

    explicit CSurveyPlotWindow(CStatusHistory& history, QWidget* parent = nullptr);

    void Refresh() override;
    [[nodiscard]] QWidget& ChartWidget() override { return *chart_; }

    [[nodiscard]] CSurveyScatter& Scatter() const { return *scatter_; }
    [[nodiscard]] QLabel& SpreadLabel() const { return *spread_; }
    [[nodiscard]] QProgressBar& Progress() const { return *progress_; }

private:
    QWidget* chart_;
    CSurveyScatter* scatter_;
    QLabel* spread_;
    QProgressBar* progress_;
};
