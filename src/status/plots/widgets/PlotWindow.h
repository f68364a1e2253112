#pragma once
// What every window over the status history shares: a child of the main
// frame's window area with a tool bar to save the chart as PNG or SVG and to
// export the history as CSV, a notice while what it shows is from before a
// disconnection, and a redraw that follows the history. Changes
// are gathered and drawn at most once per interval, and not at all while the
// window is hidden; windows due at the same time redraw one per turn of the
// event loop. Closing it only hides it.

#include "status/history/StatusHistory.h"

#include <QMdiSubWindow>

#include <cstdint>
#include <functional>
#include <utility>

class QAction;
class QLabel;
class QToolBar;
class QTimer;
class QVBoxLayout;

class CPlotWindow : public QMdiSubWindow {
    Q_OBJECT
public:
    // How long changes gather before a redraw.
    static constexpr int kRedrawDelayMs = 250;

    // `exportSlug` names the saved files ("sky-plot"); `kind` is the answers the window shows.
    CPlotWindow(CStatusHistory& history, const QString& title, const QString& exportSlug, StatusSampleKind kind,
                QWidget* parent = nullptr);

    // Draws the history as it is now (also when hidden).
    virtual void Refresh() = 0;

    // What "Export CSV..." does; the action is disabled without one.
    void SetCsvExport(std::function<void()> exportCsv);
    // What F1 shows, wherever the focus is in the window.
    void SetHelp(std::function<void()> help) { help_ = std::move(help); }

    // Said above the chart while the history holds no answer at all.
    static constexpr const char* kNoStatusText =
        "No status yet: the status windows ask the unit in commission mode";
    [[nodiscard]] QLabel& EmptyNote() const { return *emptyNote_; }

    // Brings the window to the top and shows it.
    void ShowAndRaise();

    // The widget the PNG and SVG files show.
    [[nodiscard]] virtual QWidget& ChartWidget() = 0;
    QString SavePng();
    QString SaveSvg();
    void ExportCsv();
    // The title line of a saved picture.
    [[nodiscard]] QString ExportTitle() const;
    // The time the chart shows, ms since the epoch; {0, 0} without data. By
    // default from the first to the newest answer of the window's kind.
    [[nodiscard]] virtual std::pair<std::int64_t, std::int64_t> ShownSpanMs() const;

    // The line that says the data is from before a disconnection; hidden otherwise.
    [[nodiscard]] QLabel& StaleNotice() const { return *stale_; }

    [[nodiscard]] int RefreshCount() const { return refreshes_; }
    [[nodiscard]] QToolBar& ToolBar() const { return *toolBar_; }

protected:
    [[nodiscard]] CStatusHistory& History() const { return history_; }
    // The area under the tool bar that the window fills.
    [[nodiscard]] QVBoxLayout& Body() const { return *body_; }
    // Subclasses call this at the end of Refresh.
    void CountRefresh() { ++refreshes_; }

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ScheduleRefresh();
    void UpdateEmptyNote();
    void UpdateStaleNotice();

    CStatusHistory& history_;
    QString exportSlug_;
    StatusSampleKind kind_;
    QLabel* stale_;
    QToolBar* toolBar_;
    QLabel* emptyNote_;
    QVBoxLayout* body_;
    QAction* csvAction_;
    QTimer* redrawTimer_;
    std::function<void()> exportCsv_;
    std::function<void()> help_;
    int refreshes_ = 0;
};
