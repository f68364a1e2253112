#include "app/frame/MainFrameController.h"

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "app/access/UserAccessControl.h"
#include "app/frame/ConnectionPaneText.h"
#include "app/frame/FrameView.h"
#include "app/frame/FrameWorkflow.h"
#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/BusAddress.h"
#include "link/CommHandler.h"
#include "link/ComponentFactory.h"
#include "link/INetworkBrowser.h"
#include "platform/MainWindow.h"
#include "platform/LogCategories.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "protocol/Connection.h"

namespace {
// The frame's own close request, posted to itself once the disconnection is reported.
constexpr unsigned kFrameCloseMessage = kWmApp + 0x7F0;

void ShowError(unsigned stringId)
{
    ShowMessageBox(LoadResString(stringId), MsgIcon::Error, MsgButtons::Ok);
}

} // namespace

CMainFrameController::CMainFrameController(CManagerSettings& settings, IFrameView& view, StartupRequest startup)
    : settings_(settings), view_(view), startup_(std::move(startup)), machine_(startup_.startupSwitch)
{
    SetMainWindowTarget(this);
    handler_ = std::make_unique<CCommHandler>();
    SetAppCommHandler(handler_.get());
}

CMainFrameController::~CMainFrameController()
{
    StopTimers();
    if (AppCommHandler() == handler_.get())
        SetAppCommHandler(nullptr);
    handler_.reset();
    if (MainWindowTarget() == this)
        SetMainWindowTarget(nullptr);
}

QString CMainFrameController::AppTitle()
{
    return LoadResString(StringId::AppTitle);
}

void CMainFrameController::SetFullControl(bool fullControl)
{
    fullControl_ = fullControl;
    SetAppFullControl(fullControl); // what the dialogs that change unit values look at
}

void CMainFrameController::StopTimers()
{
    StopResetWait();
    KillTimer(kWatchdogTimerId);
}

void CMainFrameController::StopResetWait()
{
    KillTimer(kReconnectTimerId);
    KillTimer(kResetTickTimerId);
    resetWait_.Stop();
}

void CMainFrameController::OnResetTick()
{
    if (resetWait_.Tick())
        Handle(FrameEvent::ResetPoll, IsConnected(handler_->GetConnectionType()));
    else
        StateChanged(); // the countdown
}

void CMainFrameController::Connect(FrameEvent started, ConnectionRoute route, const std::string& connection)
{
    // The pane follows once the handler reports the attempt.
    Apply(machine_.Transition(started));
    handler_->SetSilentConnect(SilentReconnection());
    lastConnection_ = QString::fromStdString(connection);
    handler_->Connect(route, connection);
}

void CMainFrameController::ConnectLocal(FrameEvent started, const QString& connection)
{
    if (workflow_)
        workflow_->DeleteWizard();
    unitAddressText_ = ::UnitAddressText(connection);
    Connect(started, ConnectionRoute::Direct, connection.toStdString());
}

void CMainFrameController::LocalConnection()
{
    EndWaitForCommand();
    ConnectLocallyFromSettings();
}

void CMainFrameController::EndWaitForCommand()
{
    if (!resetWait_.Running())
        return;
    qCInfo(lcLink, "the wait for the restarted unit is given up for a new connection");
    StopResetWait();
    handler_->CloseConnection(); // a try under way, or the connection from before the reset
    Apply(machine_.Transition(FrameEvent::WaitAbandoned));
    if (workflow_)
        workflow_->UnitNotBackAfterReset();
    ShowStatusMessage(QStringLiteral("Stopped waiting for the unit to restart"));
}

void CMainFrameController::ConnectLocallyFromSettings()
{
    settings_.LoadSettings();
    SetFullControl(true);
    view_.SetAccessLevelText(QString());
    const QString connection = BuildLocalConnectionString(
        LocalConnectionSettings{settings_.ipAddress, settings_.q1Address, settings_.portAddress});
    remoteNodeName_.clear();
    remoteConnection_.clear();
    ConnectLocal(FrameEvent::LocalConnectStarted, connection);
    view_.SetFrameTitle(AppTitle() + QStringLiteral(" - Local (") + settings_.ipAddress + QLatin1Char(')'));
    connectionDescription_ = QStringLiteral("Local (") + settings_.ipAddress + QLatin1Char(')');
    localHost_ = settings_.ipAddress;
    paneUnit_ = connectionDescription_;
    StateChanged();
}

void CMainFrameController::StartupConnection()
{
    if (!startup_.startupSwitch)
        return;
    view_.RunCommParamDialog();
    settings_.LoadSettings();
    ConnectLocal(FrameEvent::StartupConnectStarted,
                 BuildLocalConnectionString(
                     LocalConnectionSettings{settings_.ipAddress, settings_.q1Address, settings_.portAddress}));
    paneUnit_ = QStringLiteral("Local (") + settings_.ipAddress + QLatin1Char(')');
    StateChanged();
}

CMainFrameController::RemotePick CMainFrameController::ResolveNode(INetworkBrowser& browser, const QString& nodeName)
{
    RemotePick pick;
    pick.succeeded = browser.Resolve(nodeName.toStdString(), pick.connection);
    settings_.startupNodeName.clear();
    if (!pick.succeeded) {
        ShowError(StringId::CannotConnect);
        return pick;
    }
    pick.title = AppTitle() + QStringLiteral(" - Remote (") + nodeName + QLatin1Char(')');
    connectionDescription_ = QStringLiteral("Remote (") + nodeName + QLatin1Char(')');
    remoteNodeName_ = nodeName;
    remoteConnection_ = QString::fromStdString(pick.connection);
    return pick;
}

CMainFrameController::RemotePick CMainFrameController::BrowseNode(INetworkBrowser& browser)
{
    RemotePick pick;
    std::uint16_t kind = 0;
    std::string name;
    pick.succeeded = browser.Browse(kind, name, pick.connection);
    if (!pick.succeeded)
        return pick;
    remoteNodeName_ = QString::fromStdString(name);
    remoteConnection_ = QString::fromStdString(pick.connection);
    if (kind == 1) {
        pick.title = AppTitle() + QStringLiteral(" - Remote");
        connectionDescription_ = QStringLiteral("Remote");
        if (!remoteNodeName_.isEmpty()) {
            pick.title += QStringLiteral(" (") + remoteNodeName_ + QLatin1Char(')');
            connectionDescription_ += QStringLiteral(" (") + remoteNodeName_ + QLatin1Char(')');
        }
    }
    return pick;
}

void CMainFrameController::ConnectRemote(const std::string& connection)
{
    if (workflow_)
        workflow_->DeleteWizard();
    paneUnit_ = remoteNodeName_.isEmpty() ? QStringLiteral("Remote")
                                          : QStringLiteral("Remote (") + remoteNodeName_ + QLatin1Char(')');
    unitAddressText_ = ::UnitAddressText(QString::fromStdString(connection));
    Connect(FrameEvent::RemoteConnectStarted, ConnectionRoute::Browsed, connection);
    CUserAccessControl access;
    SetFullControl(access.DetermineAccessLevel() == kAccessFullControl);
    view_.SetAccessLevelText(AccessLevelStatusText(fullControl_ ? kAccessFullControl : kAccessReadOnly));
}

void CMainFrameController::RemoteConnection()
{
    EndWaitForCommand();
    ConnectRemotely();
}

void CMainFrameController::ConnectRemotely()
{
    std::unique_ptr<INetworkBrowser> browser = ComponentFactory<INetworkBrowser>::Create(CLSID_NetworkBrowser);
    if (!browser) {
        ShowMessageBox(LoadResString(StringId::CannotOpenNetworkBrowser), MsgIcon::None, MsgButtons::Ok);
        return;
    }
    const QString nodeName = !remoteNodeName_.isEmpty() ? remoteNodeName_ : settings_.startupNodeName;
    if (nodeName.isEmpty() && !remoteConnection_.isEmpty()) {
        Connect(FrameEvent::KeptConnectStarted, ConnectionRoute::Direct, remoteConnection_.toStdString());
        StateChanged();
        return;
    }
    const bool browsed = nodeName.isEmpty();
    const RemotePick pick = browsed ? BrowseNode(*browser) : ResolveNode(*browser, nodeName);
    const Protocol::SConnection picked = Protocol::ParseConnection(pick.connection);
    const bool addressed = pick.succeeded && picked.Value("ADDR").has_value();
    if (addressed)
        unitBusAddress_ = picked.busAddress;
    browser.reset();
    if (!pick.title.isEmpty())
        view_.SetFrameTitle(pick.title);

    if (addressed) {
        ConnectRemote(pick.connection);
    } else if (browsed && !pick.succeeded) {
        // A browser closed without a pick has succeeded with an empty string
        // and ends above: nothing to connect to, nothing to report.
        ShowMessageBox(LoadResString(StringId::CannotOpenNetworkBrowser), MsgIcon::None, MsgButtons::Ok);
    }
    StateChanged();
}

void CMainFrameController::RemoteConnectionTo(const QString& nodeName)
{
    // The node asked for, not the one a dropped connection would take again.
    remoteNodeName_.clear();
    remoteConnection_.clear();
    settings_.startupNodeName = nodeName;
    RemoteConnection();
    settings_.startupNodeName.clear(); // also when no browser could be made
}

void CMainFrameController::CommissionMode()
{
    Handle(FrameEvent::CommissionCommand);
}

void CMainFrameController::Disconnect()
{
    if (resetWait_.Running())
        qCInfo(lcLink, "the wait for the restarted unit is given up");
    Apply(machine_.Transition(FrameEvent::DisconnectCommand));
    StopTimers();
    if (workflow_)
        workflow_->UnitNotBackAfterReset();
    view_.ShowWaitCursor();
    handler_->Disconnect();
    view_.SetFrameTitle(AppTitle());
    view_.SetAccessLevelText(QString());
    SetFullControl(true);
    unitBusAddress_ = 0xFFFF;
    remoteNodeName_.clear();
    remoteConnection_.clear();
    StateChanged();
}

void CMainFrameController::ResetQora()
{
    MessageBoxRequest question{LoadResString(StringId::ConfirmReset), QString(), MsgIcon::Question,
                               MsgButtons::YesNo, MsgAnswer::No};
    if (ShowMessageBox(question) != MsgAnswer::Yes)
        return;
    PrepareModalDialog();
    SendResetRequest();
}

void CMainFrameController::SendResetRequest()
{
    auto request = std::make_unique<CDeviceMessage>();
    for (std::uint8_t byte : {0x86, 0x0D, 0x36, 0x00, 0x00})
        request->AppendByte(byte);
    SendToHandler(handler_.get(), std::move(request));
    StartResetWait();
}

void CMainFrameController::StartResetWait()
{
    const std::uint64_t ms = std::uint64_t{settings_.retryConnTime} * 1000;
    SetTimer(kReconnectTimerId, static_cast<int>(std::min<std::uint64_t>(ms, 0x7FFFFFFF)));
    emit LinkInterrupted();
    // The retry time stays the limit; meanwhile the unit is tried every few
    // seconds, so the tool is back as soon as the unit is.
    resetWait_.Start(static_cast<int>(std::min<std::uint64_t>(ms / 1000, 0x7FFFFFFF / 1000)));
    SetTimer(kResetTickTimerId, 1000);
    StateChanged();
}

void CMainFrameController::SetLinkWatchdog(int mode)
{
    if (IsRemote())
        return;
    if (mode == 1) {
        if (!IsTimerRunning(kWatchdogTimerId))
            SetTimer(kWatchdogTimerId, kWatchdogMs);
    } else {
        KillTimer(kWatchdogTimerId);
    }
}

void CMainFrameController::PrepareModalDialog()
{
    if (IsRemote())
        handler_->ClearQueues();
}

bool CMainFrameController::RequestClose()
{
    if (!IsConnected(handler_->GetConnectionType())) {
        CloseNow();
        return true;
    }
    Handle(FrameEvent::CloseWhileConnected);
    return false;
}

void CMainFrameController::CloseNow()
{
    view_.SaveFramePlacement();
    settings_.advancedMode = advancedMode_ ? 1 : 0;
    settings_.SaveSettings();
}

void CMainFrameController::StateChanged()
{
    ConnectionPaneInputs pane;
    pane.handlerState = handler_->GetState();
    pane.failed = machine_.Connection() == ConnectionState::Failed;
    pane.resetPending = ResetPending();
    pane.silentReconnection = SilentReconnection();
    if (resetWait_.Running())
        pane.countdown = resetWait_.CountdownText();
    pane.unit = paneUnit_;
    view_.SetConnectionText(ConnectionPaneText(pane));
    view_.CommandStateChanged();
}

FrameCommandState CMainFrameController::CommandState(bool windowOpen) const
{
    return FrameCommandState{handler_->GetConnectionType(), machine_.Connection(), fullControl_, workOrderValues_,
                             reportReady_, windowOpen, resetWait_.Running()};
}

MsgResult CMainFrameController::OnMessage(unsigned message, MsgWParam wParam, MsgLParam)
{
    if (message == WM_CONNECTION_EVENT) {
        std::optional<FrameEvent> event = FrameEventOf(NoticeOf(wParam));
        if (event && resetWait_.Running()
            && (*event == FrameEvent::ConnectFailed || *event == FrameEvent::Disconnected))
            resetWait_.UnitGone();
        if (event && SilentReconnection() && resetWait_.Running()) {
            if (*event == FrameEvent::ConnectFailed) {
                event = FrameEvent::ReconnectAttemptFailed; // tried again at the next poll
            } else if (*event == FrameEvent::Connected) {
                // A unit that still answers has not restarted yet (it may
                // keep its old setup for a while after its acknowledgement);
                // one that went away and answers again has.
                if (resetWait_.UnitSeenGone()) {
                    qCInfo(lcLink, "the unit is back after its restart");
                    StopResetWait();
                } else {
                    qCInfo(lcLink, "the unit still answers: not restarted yet");
                    event = FrameEvent::UnitStillAnswering;
                }
            }
        }
        if (event)
            Handle(*event);
    } else if (message == kFrameCloseMessage) {
        if (RequestClose())
            view_.DestroyFrame();
    }
    return 0;
}

void CMainFrameController::Handle(FrameEvent event, bool unitConnected)
{
    Apply(machine_.Transition(event, unitConnected));
    switch (event) {
    case FrameEvent::Disconnected:
    case FrameEvent::Connecting:
    case FrameEvent::ConnectFailed:
        emit LinkInterrupted();
        break;
    case FrameEvent::Connected:
        if (IsConnected(handler_->GetConnectionType()))
            emit UnitConnected();
        break;
    default:
        break;
    }
    StateChanged();
}

void CMainFrameController::Apply(FrameAction actions)
{
    if (Has(actions, FrameAction::ForgetConnection))
        ForgetConnection();
    if (Has(actions, FrameAction::ShowCannotConnect)) {
        // Tries during a wait say nothing: this is the end of any wait.
        if (workflow_)
            workflow_->UnitNotBackAfterReset();
        ShowError(StringId::CannotConnect);
    }
    if (Has(actions, FrameAction::ShowIncompatibleUnit))
        ShowError(StringId::IncompatibleUnit);
    if (Has(actions, FrameAction::HideStatusWindows))
        view_.HideStatusWindows();
    if (Has(actions, FrameAction::Disconnect))
        Disconnect();
    if (Has(actions, FrameAction::EnterCommissionMode))
        handler_->EnterCommissionMode();
    if (Has(actions, FrameAction::CommissionFromWorkOrder))
        CommissionFromWorkOrder();
    if (Has(actions, FrameAction::StatusWindowsDue))
        Apply(machine_.Transition(FrameEvent::StatusWindowsDue));
    if (Has(actions, FrameAction::StartStatusWindows))
        view_.StartStatusWindows();
    if (Has(actions, FrameAction::RestartVisibleStatusWindows)) {
        view_.RestartVisibleStatusWindows();
        if (workflow_)
            workflow_->UnitBackAfterReset();
    }
    if (Has(actions, FrameAction::Reconnect))
        Reconnect();
    if (Has(actions, FrameAction::PostClose))
        PostMessageTo(this, kFrameCloseMessage, 0, 0);
}

void CMainFrameController::ForgetConnection()
{
    view_.SetFrameTitle(AppTitle());
    remoteNodeName_.clear();
    remoteConnection_.clear();
    connectionDescription_.clear();
    SetFullControl(true);
}

void CMainFrameController::CommissionFromWorkOrder()
{
    if (!startup_.workOrderPath.isEmpty() && workflow_
        && workflow_->LoadWorkOrder(startup_.workOrderPath, startup_.unitNumber))
        workflow_->RunStartupCommissioning();
}

void CMainFrameController::Reconnect()
{
    view_.ShowWaitCursor();
    handler_->CloseConnection();
    if (IsRemote())
        ConnectRemotely();
    else
        ConnectLocallyFromSettings();
}

void CMainFrameController::OnTimer(int timerId)
{
    if (timerId == kReconnectTimerId) {
        StopResetWait();
        Handle(FrameEvent::ReconnectTimer, IsConnected(handler_->GetConnectionType()));
    } else if (timerId == kResetTickTimerId) {
        OnResetTick();
    } else if (timerId == kWatchdogTimerId) {
        if (downloadDialogOpen_) {
            SetTimer(kWatchdogTimerId, kWatchdogMs);
            return;
        }
        Disconnect();
        KillTimer(kWatchdogTimerId);
        ShowError(StringId::CannotConnect);
    }
}
