#pragma once
// "Signal History": a strip chart of the C/No of every satellite seen, with
// their mean, and below it the number of tracked satellites, over the last
// 10 minutes, hour, 6 hours or day. Lines break where the unit was
// disconnected or reset.

#include "status/plots/SignalSeries.h"
#include "status/plots/widgets/PlotWindow.h"

#include <array>

#include <QString>

#include <map>
#include <vector>

class QCategoryAxis;
class QChart;
class QChartView;
class QComboBox;
class QLineSeries;
class QPen;
class QValueAxis;

class CSignalHistoryWindow : public CPlotWindow {
    Q_OBJECT
public:
    static constexpr std::array<std::int64_t, 4> kSpansMs = {10 * 60 * 1000, 60 * 60 * 1000, 6 * 3600 * 1000,
                                                            24 * 3600 * 1000};
    static constexpr int kDefaultSpan = 1; // one hour
    // Points per line: one per one or two pixels of a wide window.
    static constexpr std::size_t kMaxPoints = 240;
    // The shortest time the axes show.
    static constexpr std::int64_t kMinShownMs = 60 * 1000;

    explicit CSignalHistoryWindow(CStatusHistory& history, QWidget* parent = nullptr);

    void Refresh() override;
    [[nodiscard]] QWidget& ChartWidget() override { return *charts_; }
    [[nodiscard]] std::pair<std::int64_t, std::int64_t> ShownSpanMs() const override;

    void SetSpan(int index);
    [[nodiscard]] std::int64_t SpanMs() const;
    [[nodiscard]] QComboBox& SpanBox() const { return *span_; }
    [[nodiscard]] QChart& CnoChart() const { return *cnoChart_; }
    [[nodiscard]] QChart& CountChart() const { return *countChart_; }

private:
    // The lines of one chart, kept from one redraw to the next: making chart
    // series is what costs, changing their points is cheap.
    struct LinePool {
        QChart* chart = nullptr;
        QCategoryAxis* x = nullptr;
        QValueAxis* y = nullptr;
        std::vector<QLineSeries*> lines;
        std::size_t used = 0;
        bool axesMove = false; // the x axis changes after this redraw's lines
        void Begin() { used = 0; }
        void Add(const std::vector<QPointF>& points, const QString& name, const QPen& pen, bool inLegend);
        void End();
    };

    QComboBox* span_;
    QWidget* charts_;
    QChartView* cnoView_;
    QChartView* countView_;
    QChart* cnoChart_;
    QChart* countChart_;
    LinePool cnoLines_;
    LinePool countLines_;
    std::map<int, std::size_t> slots_; // satellite -> look, kept while it has a line
    std::pair<std::int64_t, std::int64_t> shown_{0, 0}; // the axes' time
};
