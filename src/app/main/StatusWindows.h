#pragma once
// The three status windows of the main frame: created hidden inside its MDI
// area, started when commission mode is acknowledged, hidden when it ends,
// and shown by their menu commands.

#include "app/frame/widgets/MainFrame.h"

class CGPSStatus;
class CInstallStatus;
class CConstellationStatistics;

class CStatusWindows : public IStatusWindowSet {
public:
    explicit CStatusWindows(CMainFrame& frame);
    ~CStatusWindows() override;

    void Hide() override;
    void Start() override;
    void RestartVisible() override;
    [[nodiscard]] bool AnyVisible() const override;

    [[nodiscard]] CGPSStatus& GpsStatus() const { return *gps_; }
    [[nodiscard]] CInstallStatus& InstallStatus() const { return *install_; }
    [[nodiscard]] CConstellationStatistics& ConstellationStatistics() const { return *constellation_; }

private:
    template <typename F>
    void ForEach(F&& f);

    CGPSStatus* gps_;
    CInstallStatus* install_;
    CConstellationStatistics* constellation_;
};
