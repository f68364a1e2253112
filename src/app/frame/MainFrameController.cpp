#include "app/frame/MainFrameController.h"

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "app/access/UserAccessControl.h"
#include "app/frame/ConnectionPaneText.h"
#include "app/frame/FrameView.h"
#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/BusAddress.h"
#include "link/CommHandler.h"
#include "link/ComponentFactory.h"
#include "link/INetworkBrowser.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

namespace {
// The frame's own close request, posted to itself once the disconnection is reported.
constexpr unsigned kFrameCloseMessage = kWmApp + 0x7F0;

void ShowError(unsigned stringId)
{
    ShowMessageBox(LoadResString(stringId), MsgIcon::Error, MsgButtons::Ok);
}

} // namespace

CMainFrameController::CMainFrameController(CManagerSettings& settings, IFrameView& view, StartupRequest startup)
    : settings_(settings), view_(view), startup_(std::move(startup))
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
    KillTimer(kReconnectTimerId);
    KillTimer(kWatchdogTimerId);
}

void CMainFrameController::ConnectLocal(const QString& connection)
{
    if (deleteWizard)
        deleteWizard();
    unitAddressText_ = ::UnitAddressText(connection);
    handler_->SetSilentConnect(silentReconnection_);
    handler_->Connect(1, connection.toStdString());
}

void CMainFrameController::LocalConnection()
{
    connectCancelled_ = false;
    settings_.LoadSettings();
    SetFullControl(true);
    view_.SetAccessLevelText(QString());
    const QString connection = BuildLocalConnectionString(
        LocalConnectionSettings{settings_.ipAddress, settings_.q1Address, settings_.portAddress});
    remote_ = false;
    remoteNodeName_.clear();
    remoteConnection_.clear();
    ConnectLocal(connection);
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
    ConnectLocal(BuildLocalConnectionString(
        LocalConnectionSettings{settings_.ipAddress, settings_.q1Address, settings_.portAddress}));
    startupCommissioningPending_ = true;
    paneUnit_ = QStringLiteral("Local (") + settings_.ipAddress + QLatin1Char(')');
    StateChanged();
}

void CMainFrameController::RemoteConnection()
{
    std::unique_ptr<INetworkBrowser> browser = ComponentFactory<INetworkBrowser>::Create(CLSID_NetworkBrowser);
    if (!browser) {
        ShowMessageBox(LoadResString(StringId::CannotOpenNetworkBrowser), MsgIcon::None, MsgButtons::Ok);
        return;
    }
    QString nodeName = !remoteNodeName_.isEmpty() ? remoteNodeName_ : settings_.startupNodeName;
    bool succeeded = false;
    bool browsed = false;
    QString title;
    std::string connection;
    if (!nodeName.isEmpty()) {
        succeeded = browser->Resolve(nodeName.toStdString(), connection);
        settings_.startupNodeName.clear();
        if (!succeeded) {
            ShowError(StringId::CannotConnect);
        } else {
            title = AppTitle() + QStringLiteral(" - Remote (") + nodeName + QLatin1Char(')');
            connectionDescription_ = QStringLiteral("Remote (") + nodeName + QLatin1Char(')');
            remoteNodeName_ = nodeName;
            remoteConnection_ = QString::fromStdString(connection);
        }
    } else if (!remoteConnection_.isEmpty()) {
        handler_->SetSilentConnect(silentReconnection_);
        handler_->Connect(1, remoteConnection_.toStdString());
        StateChanged();
        return;
    } else {
        std::uint16_t kind = 0;
        std::string name;
        browsed = true;
        succeeded = browser->Browse(kind, name, connection);
        if (succeeded) {
            remoteNodeName_ = QString::fromStdString(name);
            remoteConnection_ = QString::fromStdString(connection);
            if (kind == 1) {
                title = AppTitle() + QStringLiteral(" - Remote");
                connectionDescription_ = QStringLiteral("Remote");
                if (!remoteNodeName_.isEmpty()) {
                    title += QStringLiteral(" (") + remoteNodeName_ + QLatin1Char(')');
                    connectionDescription_ += QStringLiteral(" (") + remoteNodeName_ + QLatin1Char(')');
                }
            }
        }
    }
    const QString text = QString::fromStdString(connection);
    const bool addressed = succeeded && text.contains(QLatin1String("ADDR="));
    if (addressed)
        unitBusAddress_ = ConnectionBusAddress(connection);
    browser.reset();
    if (!title.isEmpty())
        view_.SetFrameTitle(title);

    if (addressed) {
        if (deleteWizard)
            deleteWizard();
        remote_ = true;
        paneUnit_ = remoteNodeName_.isEmpty() ? QStringLiteral("Remote")
                                              : QStringLiteral("Remote (") + remoteNodeName_ + QLatin1Char(')');
        unitAddressText_ = ::UnitAddressText(text);
        handler_->SetSilentConnect(silentReconnection_);
        handler_->Connect(0, connection);
        CUserAccessControl access;
        SetFullControl(access.DetermineAccessLevel() == kAccessFullControl);
        view_.SetAccessLevelText(AccessLevelStatusText(fullControl_ ? kAccessFullControl : kAccessReadOnly));
    } else if (browsed && !succeeded) {
        // A browser closed without a pick has succeeded with an empty string
        // and ends above: nothing to connect to, nothing to report.
        ShowMessageBox(LoadResString(StringId::CannotOpenNetworkBrowser), MsgIcon::None, MsgButtons::Ok);
    }
    StateChanged();
}

void CMainFrameController::CommissionMode()
{
    state_ = kCommissionRequested;
    handler_->EnterCommissionMode();
    StateChanged();
}

void CMainFrameController::Disconnect()
{
    silentReconnection_ = false;
    resetPending_ = false;
    StopTimers();
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
    resetPending_ = true;
    const std::uint64_t ms = std::uint64_t{settings_.retryConnTime} * 1000;
    SetTimer(kReconnectTimerId, static_cast<int>(std::min<std::uint64_t>(ms, 0x7FFFFFFF)));
    StateChanged();
}

void CMainFrameController::SetLinkWatchdog(int mode)
{
    if (remote_)
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
    if (remote_)
        handler_->ClearQueues();
}

bool CMainFrameController::RequestClose()
{
    if (handler_->GetConnectionType() == 0) {
        CloseNow();
        return true;
    }
    closeRequested_ = true;
    Disconnect();
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
    pane.failed = state_ == kFailed;
    pane.resetPending = resetPending_;
    pane.silentReconnection = silentReconnection_;
    pane.unit = paneUnit_;
    view_.SetConnectionText(ConnectionPaneText(pane));
    view_.CommandStateChanged();
}

FrameCommandState CMainFrameController::CommandState(bool statusWindowVisible) const
{
    return FrameCommandState{handler_->GetConnectionType(), state_, fullControl_, workOrderValues_, reportReady_,
                             statusWindowVisible};
}

MsgResult CMainFrameController::OnMessage(unsigned message, MsgWParam wParam, MsgLParam)
{
    if (message == WM_CONNECTION_EVENT) {
        OnNotice(static_cast<int>(wParam));
        StateChanged();
    } else if (message == kFrameCloseMessage) {
        if (RequestClose())
            view_.DestroyFrame();
    }
    return 0;
}

void CMainFrameController::OnNotice(int notice)
{
    switch (notice) {
    case NOTICE_DISCONNECTED:
        if (state_ == kCommissionMode)
            view_.HideStatusWindows();
        if (state_ != kNone && closeRequested_) {
            closeRequested_ = false;
            PostMessageTo(this, kFrameCloseMessage, 0, 0);
        }
        state_ = kNone;
        connectCancelled_ = false;
        break;
    case NOTICE_CONNECTING:
        state_ = kConnecting;
        break;
    case NOTICE_CONNECTED:
        if (connectCancelled_) {
            Disconnect();
            break;
        }
        state_ = kConnected;
        if (silentReconnection_) {
            state_ = kCommissionRequested;
            handler_->EnterCommissionMode();
        } else if (startup_.startupSwitch && startupCommissioningPending_) {
            CommissionMode();
        }
        break;
    case NOTICE_CONNECT_FAILED:
        view_.SetFrameTitle(AppTitle());
        remoteNodeName_.clear();
        remoteConnection_.clear();
        connectionDescription_.clear();
        if (silentReconnection_) {
            ShowError(StringId::CannotConnect);
            view_.HideStatusWindows();
            silentReconnection_ = false;
        } else if (!connectCancelled_) {
            ShowError(StringId::CannotConnect);
        }
        state_ = kFailed;
        SetFullControl(true);
        break;
    case NOTICE_COMMISSION_REQUESTED:
        state_ = kCommissionRequested;
        break;
    case NOTICE_COMMISSION_MODE:
        state_ = kCommissionMode;
        break;
    case NOTICE_COMMISSION_ACKNOWLEDGED:
        OnCommissionAcknowledged();
        break;
    case NOTICE_CONNECTED_OTHER_UNIT:
        ShowError(StringId::IncompatibleUnit);
        PostMessageTo(this, kFrameCloseMessage, 0, 0);
        break;
    case NOTICE_CONNECT_CANCELLED:
        connectCancelled_ = true;
        ShowError(StringId::CannotConnect);
        break;
    default:
        break;
    }
}

void CMainFrameController::OnCommissionAcknowledged()
{
    if (startup_.startupSwitch && startupCommissioningPending_) {
        startupCommissioningPending_ = false;
        if (!startup_.workOrderPath.isEmpty() && loadWorkOrder
            && loadWorkOrder(startup_.workOrderPath, startup_.unitNumber) && runStartupCommissioning)
            runStartupCommissioning();
    }
    if (state_ != kCommissionRequested)
        return;
    if (silentReconnection_)
        view_.RestartVisibleStatusWindows();
    else
        view_.StartStatusWindows();
}

void CMainFrameController::OnTimer(int timerId)
{
    if (timerId == kReconnectTimerId) {
        KillTimer(kReconnectTimerId);
        resetPending_ = false;
        if (handler_->GetConnectionType() != 0 && state_ != kCommissionRequested) {
            view_.ShowWaitCursor();
            handler_->CloseConnection();
            silentReconnection_ = true;
            if (remote_)
                RemoteConnection();
            else
                LocalConnection();
        }
        StateChanged();
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
