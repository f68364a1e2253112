#pragma once
// The application object: starts the tool (resources, command line, main
// window, help check, placement, splash, settings, start-up requests) and
// holds the settings for the whole run.

#include "app/ManagerSettings.h"
#include "app/shell/CommandLine.h"

#include <QString>
#include <QStringList>

#include <memory>

class CMainFrame;
class CStatusWindows;
class CCommissioningCommands;
class CTrafficCommands;
class CPlotWindows;
class CFleetOverviewCommand;
class CTrafficSession;

class CSableCommApp {
public:
    CSableCommApp();
    ~CSableCommApp();
    CSableCommApp(const CSableCommApp&) = delete;
    CSableCommApp& operator=(const CSableCommApp&) = delete;

    // Everything up to the running main window; false ends the program.
    bool InitInstance(const QString& programPath, const QStringList& arguments);
    // The program's exit status when InitInstance ended it: 0 for a switch that
    // only registers, 1 when it could not start (no help pages).
    [[nodiscard]] int EndStatus() const { return endStatus_; }

    [[nodiscard]] CManagerSettings& Settings() { return settings_; }
    [[nodiscard]] CMainFrame* MainFrame() const { return frame_.get(); }
    [[nodiscard]] CStatusWindows* StatusWindows() const { return statusWindows_.get(); }
    [[nodiscard]] CCommissioningCommands* Commissioning() const { return commissioning_.get(); }
    [[nodiscard]] CPlotWindows* PlotWindows() const { return plotWindows_.get(); }
    [[nodiscard]] CFleetOverviewCommand* FleetOverview() const { return fleetOverview_.get(); }
    [[nodiscard]] const CommandLineOptions& Options() const { return options_; }
    // Every exchange with a unit during the run, for the traffic window and recordings.
    [[nodiscard]] CTrafficSession& Traffic() const { return *traffic_; }
    [[nodiscard]] CTrafficCommands* TrafficCommands() const { return trafficCommands_.get(); }
    std::int32_t GetStartupRequest(QString& path, std::int32_t& number) const
    {
        return options_.GetStartupRequest(path, number);
    }

private:
    void AttachShellCommands(const QString& programPath);
    void StartRemoteUnit();
    // A work order given as a plain path, opened once the window shows.
    void OpenGivenWorkOrder();

    // Declared first, so it outlives the frame and every connection it owns.
    std::unique_ptr<CTrafficSession> traffic_;
    CManagerSettings settings_;
    CommandLineOptions options_;
    int endStatus_ = 0;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<CStatusWindows> statusWindows_;
    std::unique_ptr<CCommissioningCommands> commissioning_;
    std::unique_ptr<CTrafficCommands> trafficCommands_;
    std::unique_ptr<CPlotWindows> plotWindows_;
    std::unique_ptr<CFleetOverviewCommand> fleetOverview_;
};
