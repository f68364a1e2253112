#pragma once
// "Sky Plot": where the tracked satellites stand in the sky, north up, with
// elevation rings at 0, 30 and 60 degrees, each satellite coloured by its
// C/No (the GPS status window's scale) and labelled with its number, with its
// track over the last hour. Markers and labels scale with the plot.

#include "status/plots/SkyPlotModel.h"
#include "status/plots/widgets/PlotWindow.h"

#include <QWidget>

class CSkyPlotWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 24;      // room for the compass letters
    static constexpr int kLegendWidth = 140;

    explicit CSkyPlotWidget(QWidget* parent = nullptr);

    void SetScene(SkyScene scene);
    [[nodiscard]] const SkyScene& Scene() const { return scene_; }
    // The plot's circle in this widget's pixels (the legend sits to its right).
    [[nodiscard]] SkyGeometry Geometry() const;
    // A satellite's marker and its number grow and shrink with the circle.
    [[nodiscard]] static double MarkerRadius(double plotRadius);
    [[nodiscard]] static int LabelPixelSize(double plotRadius);

    [[nodiscard]] QSize sizeHint() const override { return {520, 420}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SkyScene scene_;
};

class CSkyPlotWindow : public CPlotWindow {
    Q_OBJECT
public:
    static constexpr std::int64_t kTrackLookBackMs = 3600 * 1000;

    explicit CSkyPlotWindow(CStatusHistory& history, QWidget* parent = nullptr);

    void Refresh() override;
    [[nodiscard]] QWidget& ChartWidget() override { return *plot_; }
    // The tracks' hour up to the newest answer.
    [[nodiscard]] std::pair<std::int64_t, std::int64_t> ShownSpanMs() const override;
    [[nodiscard]] CSkyPlotWidget& Plot() const { return *plot_; }

private:
    CSkyPlotWidget* plot_;
};
