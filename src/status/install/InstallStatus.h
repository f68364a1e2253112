#pragma once
// The installation status window: a two-column table, one row per installation
// check, refreshed while the tool is connected. Closing it only hides it.

#include "status/install/InstallStatusView.h"

#include <QMdiSubWindow>

#include <functional>
#include <memory>

class QTableWidget;

class CInstallStatus : public QMdiSubWindow {
    Q_OBJECT
public:
    static constexpr const char* kLayoutName = "InstallStatusWnd";

    CInstallStatus(IStatusFrame& frame, std::function<QString()> unitAddressText, QWidget* parent = nullptr);
    ~CInstallStatus() override;

    // Placement and column widths under the user's coordinates key.
    void LoadLayout();
    void SaveLayout();

    void ClearStatus() { view_->ClearStatus(); }
    void StartRefresh() { view_->StartRefresh(); }
    void StopRefresh() { view_->StopRefresh(); }
    void RequestStatus() { view_->RequestStatus(); }
    // Brings the window to the top, shows it and asks the unit at once.
    void ShowAndRequest();
    [[nodiscard]] bool IsVisible() const { return isVisible(); }

    void GetInstallationSummary(InstallationSummary& summary) const { view_->GetInstallationSummary(summary); }

    [[nodiscard]] CInstallStatusView& View() { return *view_; }
    [[nodiscard]] QTableWidget& Table() { return *table_; }

    // The size the window opens in: all of its rows and columns in view.
    // Window > Cascade gives it back this size when it fits.
    [[nodiscard]] QSize sizeHint() const override { return defaultSize_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Redraw();

    std::unique_ptr<CInstallStatusView> view_;
    QTableWidget* table_;
    QSize defaultSize_;
};
