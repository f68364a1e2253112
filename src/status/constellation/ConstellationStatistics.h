#pragma once
// The "GPS Constellation Statistics" window: a child of the main frame's
// window area with a table of how long the unit saw 0 to 12 satellites and a
// status bar with the total time and the unit's verdict on the antenna
// installation, in the verdict's colour. Closing it only hides it.

#include "status/constellation/ConstellationStatisticsView.h"

#include <QMdiSubWindow>

#include <memory>
#include <vector>

class MMStatusBar;
class QTableWidget;

class CConstellationStatistics : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr char kPlacementName[] = "ConstellationStatisticsWnd";
    static constexpr int kColumns = 2;
    // Status bar panes.
    static constexpr int kTotalPane = 1;
    static constexpr int kVerdictPane = 3;

    explicit CConstellationStatistics(IStatusFrame& frame, QWidget* parent = nullptr);
    ~CConstellationStatistics() override;

    // Window placement and column widths under the user's placement key.
    void LoadLayout();
    void SaveLayout();

    void ClearStatus() { view_->ClearStatus(); }
    void StartRefresh() { view_->StartRefresh(); }
    void StopRefresh() { view_->StopRefresh(); }
    // Brings the window to the top, shows it and asks the unit at once.
    void ShowAndRequest();
    [[nodiscard]] bool IsVisible() const { return view_->IsVisible(); }
    [[nodiscard]] static QString GetVerdictText() { return CConstellationStatisticsView::GetVerdictText(); }

    [[nodiscard]] CConstellationStatisticsView& View() const { return *view_; }
    [[nodiscard]] QTableWidget* Table() const { return table_; }
    [[nodiscard]] MMStatusBar* StatusBar() const { return statusBar_; }

    // Column widths as loaded: 70 pixels for a stored 0, only the low 16 bits.
    [[nodiscard]] static std::vector<int> StoredColumnWidths(const std::vector<std::uint32_t>& stored);

    // The size the window opens in: all of its rows and columns in view.
    // Window > Cascade gives it back this size when it fits.
    [[nodiscard]] QSize sizeHint() const override { return defaultSize_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Draw();

    std::unique_ptr<CConstellationStatisticsView> view_;
    QTableWidget* table_ = nullptr;
    MMStatusBar* statusBar_ = nullptr;
    QSize defaultSize_;
};
