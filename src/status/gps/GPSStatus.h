#pragma once
// The GPS Status window: a child window of the main frame listing the unit's
// twelve receiver channels (satellite, C/No as a number and a bar, elevation,
// azimuth) with the position and the GPS time in its own status bar. Closing
// it only hides it; the main frame shows it again and asks for a refresh.

#include "status/gps/GPSStatusView.h"

#include <QMdiSubWindow>
#include <QString>

#include <cstdint>
#include <vector>

class MMStatusBar;
class QTableWidget;

class CGPSStatus : public QMdiSubWindow {
    Q_OBJECT
public:
    // Where the main frame keeps the window's placement and column widths
    // (under the current user).
    static const QString kLayoutKey;
    static const QString kLayoutName;

    // Status bar panes.
    enum Pane { PanePositionLabel, PaneLatitude, PaneLongitude, PaneAltitude, PaneTimeLabel, PaneTime, PaneRest };

    static constexpr int kColumns = 6;
    enum Column { ColumnRow, ColumnId, ColumnCNo, ColumnBar, ColumnElevation, ColumnAzimuth };

    explicit CGPSStatus(IStatusFrame& frame, QWidget* parent = nullptr);
    ~CGPSStatus() override;

    // Placement and column widths; the column widths go under the name
    // followed by " columns".
    bool LoadLayout(const QString& key = kLayoutKey, const QString& name = kLayoutName);
    bool SaveLayout(const QString& key = kLayoutKey, const QString& name = kLayoutName);

    void ClearStatus() { view_.ClearStatus(); }
    void StartRefresh() { view_.StartRefresh(); }
    void StopRefresh() { view_.StopRefresh(); }
    void RequestStatus() { view_.RequestStatus(); }
    // Brings the window to the top, shows it and asks the unit at once.
    void ShowAndRequest();
    [[nodiscard]] bool IsVisible() const { return view_.IsVisible(); }

    // What the window shows; the commissioning reads the position from it.
    [[nodiscard]] CGPSStatusView& View() { return view_; }
    [[nodiscard]] const CGPSStatusView& View() const { return view_; }
    [[nodiscard]] QTableWidget& Table() const { return *table_; }
    [[nodiscard]] MMStatusBar& StatusBar() const { return *statusBar_; }

    // Column widths as stored: six values.
    [[nodiscard]] std::vector<std::uint32_t> ColumnWidths() const;
    // Each stored width in turn (only its low 16 bits; 0 means 70 pixels).
    void ApplyColumnWidths(const std::vector<std::uint32_t>& widths);

    // The size the window opens in: all of its rows and columns in view.
    // Window > Cascade gives it back this size when it fits.
    [[nodiscard]] QSize sizeHint() const override { return defaultSize_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Redraw();

    CGPSStatusView view_;
    QTableWidget* table_ = nullptr;
    MMStatusBar* statusBar_ = nullptr;
    QSize defaultSize_;
};
