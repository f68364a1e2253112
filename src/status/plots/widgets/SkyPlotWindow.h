#pragma once
// "Sky Plot": where the tracked satellites stand in the sky, north up, with
// elevation rings at 0, 30 and 60 degrees, each satellite coloured by its
// C/No and labelled with its number, with its track over the last hour.

#include "status/plots/SkyPlotModel.h"
#include "status/plots/widgets/PlotWindow.h"

#include <QWidget>

class CSkyPlotWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kMargin = 24;      // room for the compass letters
    static constexpr int kLegendWidth = 110;
    static constexpr int kMarkerRadius = 9;

    explicit CSkyPlotWidget(QWidget* parent = nullptr);

    void SetScene(SkyScene scene);
    [[nodiscard]] const SkyScene& Scene() const { return scene_; }
    // The plot's circle in this widget's pixels (the legend sits to its right).
    [[nodiscard]] SkyGeometry Geometry() const;

    [[nodiscard]] QSize sizeHint() const override { return {520, 420}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    SkyScene scene_;
};

class CSkyPlotWindow : public CPlotWindow {
    Q_OBJECT
public:
    explicit CSkyPlotWindow(CStatusHistory& history, QWidget* parent = nullptr);

    void Refresh() override;
    [[nodiscard]] QWidget& ChartWidget() override { return *plot_; }
    [[nodiscard]] CSkyPlotWidget& Plot() const { return *plot_; }

private:
    CSkyPlotWidget* plot_;
};
