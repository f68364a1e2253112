#include "app/main/SableCommApp.h"

#include "app/frame/widgets/MainFrame.h"
#include "app/main/CommissioningCommands.h"
#include "app/main/FleetOverviewCommand.h"
#include "app/main/SoftwareCommands.h"
#include "app/main/PlotWindows.h"
#include "app/main/StatusWindows.h"
#include "app/main/TrafficCommands.h"
#include "app/shell/AboutDlg.h"
#include "data/constlog/widgets/ConstLogDlg.h"
#include "data/gps/widgets/GpsParamDlg.h"
#include "data/system/widgets/SystemParamDlg.h"
#include "data/system/widgets/UserInfoDlg.h"
#include "data/timing/widgets/ClockTimingDlg.h"
#include "data/timing/widgets/RFParamDlg.h"
#include "data/version/widgets/VersionInfoDlg.h"
#include "app/shell/DataFolders.h"
#include "app/shell/GenericChildWnd.h"
#include "app/shell/HelpFiles.h"
#include "app/shell/HelpViewer.h"
#include "app/shell/ResourceLibrary.h"
#include "app/shell/SplashWnd.h"
#include "platform/LogCategories.h"
#include "platform/LogFile.h"
#include "platform/UserPrompts.h"
#include "rks/RksComponents.h"
#include "rks/widgets/RksWidgetComponents.h"
#include "traffic/TrafficSession.h"


namespace {
// A unit dialog opened modally from its menu command, after the frame has
// emptied the handler's queues on a remote connection.
template <typename Dialog>
void AttachDialog(CMainFrame& frame, int commandId)
{
    frame.SetCommandHandler(commandId, [&frame] {
        frame.Controller().PrepareModalDialog();
        Dialog dialog(&frame);
        dialog.exec();
    });
}
} // namespace

CSableCommApp::CSableCommApp() : traffic_(std::make_unique<CTrafficSession>())
{
    // Before any connection can open: connections report to the observer they
    // started with.
    SetLinkObserver(traffic_->Observer());
}

CSableCommApp::~CSableCommApp()
{
    if (frame_)
        frame_->SetStatusWindows(nullptr);
    fleetOverview_.reset();
    trafficCommands_.reset();
    plotWindows_.reset();
    commissioning_.reset();
    statusWindows_.reset();
    frame_.reset();
    if (CurrentLinkObserver() == traffic_->Observer())
        SetLinkObserver(nullptr);
}

bool CSableCommApp::InitInstance(const QString& programPath, const QStringList& arguments)
{
    RegisterRksComponents();
    RegisterRksBrowser();
    for (const QString& folder : ProgramDataFolders(programPath))
        if (LoadResourceLibrary(folder))
            break;

    options_ = ParseCommandLine(arguments);
    if (options_.endAtOnce)
        return false;
    // Without its log file the program still runs; the engineer is told why.
    if (options_.logFilePath) {
        if (const auto problem = StartLogFile(*options_.logFilePath))
            ShowMessageBox(*problem, MsgIcon::Warning, MsgButtons::Ok);
    }

    // The settings are read before the window exists, so that the advanced
    // mode saved at the last close is the one the menu starts with.
    settings_.LoadSettings();
    StartupRequest startup;
    startup.startupSwitch = GetStartupRequest(startup.workOrderPath, startup.unitNumber) != 0;
    frame_ = std::make_unique<CMainFrame>(settings_, startup);
    statusWindows_ = std::make_unique<CStatusWindows>(*frame_);
    commissioning_ = std::make_unique<CCommissioningCommands>(*frame_, *statusWindows_, settings_);
    trafficCommands_ = std::make_unique<CTrafficCommands>(*frame_, *traffic_);
    plotWindows_ = std::make_unique<CPlotWindows>(*frame_, statusWindows_->History());
    plotWindows_->Attach(statusWindows_->HistoryFeed());
    const auto help = [programPath](const QString& page) { ShowProgramHelp(programPath, page); };
    plotWindows_->SetHelp(help);
    trafficCommands_->SetHelp(help);
    fleetOverview_ = std::make_unique<CFleetOverviewCommand>(*frame_, programPath);
    AttachShellCommands(programPath);
    // Only a work order named on the command line is opened; the start-up
    // switch alone names none.
    if (!startup.workOrderPath.isEmpty())
        commissioning_->LoadWorkOrder(startup.workOrderPath, -1);

    if (!CheckHelpFile(programPath)) {
        endStatus_ = 1;
        return false;
    }

    frame_->RestorePlacementAndShow();
    CSplashWnd::EnableSplashScreen(options_.showSplash);
    CSplashWnd::ShowSplashScreen();
    frame_->Controller().StartupConnection();
    settings_.LoadSettings();
    StartRemoteUnit();
    OpenGivenWorkOrder();
    return true;
}

void CSableCommApp::AttachShellCommands(const QString& programPath)
{
    CMainFrame* frame = frame_.get();
    frame->SetCommandHandler(ID_APP_ABOUT, [frame] {
        CAboutDlg about(frame);
        about.exec();
    });
    frame->SetCommandHandler(ID_FILE_NEW, [frame] { CGenericChildWnd::Open(frame->MdiArea()); });
    frame->SetCommandHandler(ID_HELP_TOPICS, [programPath] { ShowProgramHelp(programPath); });
    AttachDialog<CGPSParamDlg>(*frame, ID_GPS_PARAMETERS);
    AttachDialog<CVersionInfoDlg>(*frame, ID_VERSION_INFORMATION);
    AttachDialog<CConstLogDlg>(*frame, ID_CONSTELLATION_LOG);
    AttachDialog<CRFParamDlg>(*frame, ID_TIME_CALCULATION);
    AttachDialog<CClockTimingDlg>(*frame, ID_CLOCK_OUT_TIMING);
    AttachDialog<CSystemParamDlg>(*frame, ID_SYSTEM_PARAMETERS);
    AttachDialog<CUserInfoDlg>(*frame, ID_USER_INFORMATION);
    AttachSoftwareCommands(*frame, settings_);
}

void CSableCommApp::OpenGivenWorkOrder()
{
    if (options_.workOrderToOpen.isEmpty())
        return;
    // The start-up commissioning's work order is the one it was given.
    if (!options_.workOrderPath.isEmpty()) {
        qCWarning(lcCommissioning).noquote() << "work order" << options_.workOrderToOpen
                                             << "not opened: SCF= names" << options_.workOrderPath;
        return;
    }
    commissioning_->OpenWorkOrderFile(options_.workOrderToOpen);
}

void CSableCommApp::StartRemoteUnit()
{
    if (options_.remoteUnitName.isEmpty())
        return;
    settings_.saveEnabled = 0;
    if (RemoteNameStartsConnection(options_.remoteUnitName)) {
        settings_.startupNodeName = options_.remoteUnitName;
        frame_->RunCommand(ID_REMOTE_CONNECTION);
    }
    settings_.saveEnabled = 1;
}
