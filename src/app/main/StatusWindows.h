#pragma once
// The three status windows of the main frame: created hidden inside its MDI
// area, started when commission mode is acknowledged, hidden when it ends,
// and shown by their menu commands. Their answers feed the status history of
// the run, which Status > Record to File records.

#include "app/frame/widgets/MainFrame.h"

#include <memory>

class CGPSStatus;
class CStatusHistory;
class CStatusHistoryFeed;
class CStatusRecordingCommand;
class CInstallStatus;
class CConstellationStatistics;
class QLabel;

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

    // The status history of the whole run, kept across reconnections and
    // resets, and what feeds it (the plots say there which answers they want).
    [[nodiscard]] CStatusHistory& History() const { return *history_; }
    [[nodiscard]] CStatusHistoryFeed& HistoryFeed() const { return *feed_; }
    [[nodiscard]] CStatusRecordingCommand& Recording() const { return *recording_; }
    // The status bar's sign that the status is being recorded.
    [[nodiscard]] QLabel* RecordingPane() const { return recordingPane_; }

private:
    void AttachHistory(CMainFrame& frame);

    template <typename F>
    void ForEach(F&& f);

    CMainFrame& frame_;
    CGPSStatus* gps_;
    CInstallStatus* install_;
    CConstellationStatistics* constellation_;
    std::unique_ptr<CStatusHistory> history_;
    std::unique_ptr<CStatusHistoryFeed> feed_;
    std::unique_ptr<CStatusRecordingCommand> recording_;
    QLabel* recordingPane_ = nullptr;
};
