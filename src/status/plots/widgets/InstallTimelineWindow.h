#pragma once
// "Installation Timeline": each change of the installation rows with its
// time, as coloured bands (the colours of the installation status window)
// and as a list, and how long the unit took from its first status to PLL locked.

#include "status/plots/InstallTimeline.h"
#include "status/plots/widgets/PlotWindow.h"

#include <QWidget>

class QLabel;
class QTableWidget;

// The six rows as bands over time.
class CTimelineBands : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLabelWidth = 180;
    static constexpr int kRowHeight = 26;
    static constexpr int kAxisHeight = 22;

    explicit CTimelineBands(QWidget* parent = nullptr);
    void SetTimeline(const InstallTimeline& timeline);

    // The x pixel of a time, and the band area's rows.
    [[nodiscard]] double XOf(std::int64_t timeMs) const;
    [[nodiscard]] QRectF RowRect(int row) const;

    [[nodiscard]] QSize sizeHint() const override { return {700, 6 * kRowHeight + kAxisHeight + 8}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    InstallTimeline timeline_;
    std::int64_t fromMs_ = 0;
    std::int64_t toMs_ = 0;
};

// The colour of a status code as the installation status window draws it;
// "?" codes get a neutral grey.
[[nodiscard]] QColor InstallCodeColour(std::uint16_t code);

class CInstallTimelineWindow : public CPlotWindow {
    Q_OBJECT
public:
    enum Column { TimeColumn, RowColumn, FromColumn, ToColumn, kColumnCount };

    explicit CInstallTimelineWindow(CStatusHistory& history, QWidget* parent = nullptr);

    void Refresh() override;
    [[nodiscard]] QWidget& ChartWidget() override { return *chart_; }

    [[nodiscard]] QLabel& LockLabel() const { return *lockLabel_; }
    [[nodiscard]] QTableWidget& Changes() const { return *changes_; }
    [[nodiscard]] CTimelineBands& Bands() const { return *bands_; }

private:
    QWidget* chart_;
    QLabel* lockLabel_;
    CTimelineBands* bands_;
    QTableWidget* changes_;
};
