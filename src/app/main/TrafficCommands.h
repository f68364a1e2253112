#pragma once
// View > Unit Traffic opens (or brings forward) the live traffic window over
// the run's traffic; File > Record Unit Traffic... starts and stops the
// recording, check-marked while it runs, with the file named in the status bar.

#include "app/main/TrafficRecordingControl.h"
#include "traffic/widgets/TrafficWindow.h"

#include <QPointer>

#include <functional>

class CMainFrame;
class CTrafficSession;
class QLabel;

class CTrafficCommands {
public:
    CTrafficCommands(CMainFrame& frame, CTrafficSession& session);
    ~CTrafficCommands();
    CTrafficCommands(const CTrafficCommands&) = delete;
    CTrafficCommands& operator=(const CTrafficCommands&) = delete;

    void ShowWindow();
    // F1 in the traffic windows shows their help page through this.
    void SetHelp(std::function<void(const QString& page)> show) { help_ = std::move(show); }
    // The live window, while it is open.
    [[nodiscard]] CTrafficWindow* Window() const { return window_; }
    [[nodiscard]] CTrafficRecordingControl& Recording() { return recording_; }
    [[nodiscard]] QLabel* RecordingPane() const { return pane_; }

private:
    void RecordingChanged();

    CMainFrame& frame_;
    CTrafficSession& session_;
    CTrafficRecordingControl recording_;
    QPointer<CTrafficWindow> window_;
    QLabel* pane_;
    std::function<void(const QString& page)> help_;
};
