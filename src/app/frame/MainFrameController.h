#pragma once
// The main frame's connection workflow: local and remote connections,
// commission mode, disconnecting, the reset of the unit with the automatic
// reconnection after it, the link watchdog, and the reactions to every
// connection notice. Its state and every change of it live in the state
// machine; this class carries out what each transition asks. It owns the
// communication handler; the window over it only draws and forwards commands.

#include "app/frame/FrameCommands.h"
#include "app/frame/FrameStateMachine.h"
#include "app/frame/ResetWait.h"
#include "platform/MessageTarget.h"
#include "status/StatusPoller.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

class CCommHandler;
class CManagerSettings;
class IFrameView;
class IFrameWorkflow;
class INetworkBrowser;

// What the application was asked to do at start.
struct StartupRequest {
    bool startupSwitch = false; // connect locally and commission from a work order
    QString workOrderPath;
    int unitNumber = -1;
};

class CMainFrameController : public CMessageTarget, public IStatusFrame {
    Q_OBJECT
public:
    static constexpr int kReconnectTimerId = 1;
    static constexpr int kWatchdogTimerId = 2;
    static constexpr int kWatchdogMs = 10000;
    // Once a second during the wait after a reset: the countdown and the tries.
    static constexpr int kResetTickTimerId = 3;

    CMainFrameController(CManagerSettings& settings, IFrameView& view, StartupRequest startup = {});
    ~CMainFrameController() override;

    // Menu commands.
    void LocalConnection();
    void RemoteConnection();
    // The remote connection to the node of that name, as "Remote &Connection..."
    // makes it for a name given at start-up (the browser resolves it).
    void RemoteConnectionTo(const QString& nodeName);
    void CommissionMode();
    void Disconnect();
    void ResetQora(); // asks first
    // The start-up switch's connection (does nothing without the switch).
    void StartupConnection();

    // For other parts of the program.
    void SendResetRequest();
    void StartResetWait();
    void SetLinkWatchdog(int mode) override;
    // The frame is asked to close: true when it may close now; otherwise it
    // disconnects first and closes itself when the disconnection is reported.
    bool RequestClose();
    // Empties the handler's queues on a remote connection, before a modal dialog.
    void PrepareModalDialog();

    // Work orders, the wizard and the start-up commissioning; null: none.
    void SetWorkflow(IFrameWorkflow* workflow) { workflow_ = workflow; }

    [[nodiscard]] CCommHandler& Handler() const { return *handler_; }
    // The frame's view of the connection (Failed after a failed attempt).
    [[nodiscard]] ::ConnectionState ConnectionState() const { return machine_.Connection(); }
    [[nodiscard]] FramePhase Phase() const { return machine_.Phase(); }
    [[nodiscard]] bool FullControl() const { return fullControl_; }
    // The last connection was made by the remote connection command.
    [[nodiscard]] bool IsRemote() const { return machine_.LastCommand() == ConnectionCommand::Remote; }
    // From the reset request until the reconnection is due.
    [[nodiscard]] bool ResetPending() const override { return IsTimerRunning(kReconnectTimerId); }
    [[nodiscard]] bool SilentReconnection() const { return machine_.Phase() == FramePhase::Reconnecting; }
    [[nodiscard]] bool ConnectCancelled() const { return machine_.Phase() == FramePhase::Cancelled; }
    [[nodiscard]] bool CloseRequested() const { return machine_.Phase() == FramePhase::Closing; }
    [[nodiscard]] std::uint16_t UnitBusAddress() const { return unitBusAddress_; }
    [[nodiscard]] const QString& UnitAddressText() const { return unitAddressText_; }
    [[nodiscard]] const QString& ConnectionDescription() const { return connectionDescription_; }
    [[nodiscard]] const QString& RemoteNodeName() const { return remoteNodeName_; }
    [[nodiscard]] const QString& LocalHost() const { return localHost_; }
    // The connection string of the last connection attempt: it names the unit
    // (host, port and Q1 address, or the remote route) without asking it.
    [[nodiscard]] const QString& LastConnection() const { return lastConnection_; }
    [[nodiscard]] const StartupRequest& Startup() const { return startup_; }
    // Advanced mode shows more commands and wizard fields; saved on close.
    [[nodiscard]] bool AdvancedMode() const { return advancedMode_; }
    void SetAdvancedMode(bool on) { advancedMode_ = on; }
    [[nodiscard]] bool WorkOrderValuesPresent() const { return workOrderValues_; }
    void SetWorkOrderValuesPresent(bool present) { workOrderValues_ = present; }
    void SetReportReady(bool ready) { reportReady_ = ready; }
    [[nodiscard]] bool ReportReady() const { return reportReady_; }
    void SetCommissioningRunning(bool running) { commissioningRunning_ = running; }
    [[nodiscard]] bool CommissioningRunning() const override { return commissioningRunning_; }
    void SetDownloadDialogOpen(bool open) { downloadDialogOpen_ = open; }
    [[nodiscard]] bool DownloadDialogOpen() const override { return downloadDialogOpen_; }
    [[nodiscard]] bool IsWatchdogRunning() const { return IsTimerRunning(kWatchdogTimerId); }
    [[nodiscard]] bool IsReconnectTimerRunning() const { return IsTimerRunning(kReconnectTimerId); }
    [[nodiscard]] const CResetWait& ResetWait() const { return resetWait_; }

    // The inputs of the command enabling rules.
    [[nodiscard]] FrameCommandState CommandState(bool windowOpen) const;

    [[nodiscard]] static QString AppTitle();

signals:
    // What the unit reported so far stops here: the connection ended or
    // failed, a new attempt starts, or the unit is being reset.
    void LinkInterrupted();
    // A connection to the unit of LastConnection() is made.
    void UnitConnected();

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
    void OnTimer(int timerId) override;

private:
    // What the network browser gave: the connection string and the title it makes.
    struct RemotePick {
        bool succeeded = false;
        QString title;
        std::string connection;
    };
    RemotePick ResolveNode(INetworkBrowser& browser, const QString& nodeName);
    RemotePick BrowseNode(INetworkBrowser& browser);
    void ConnectRemote(const std::string& connection);
    // The connection commands themselves; a reconnection repeats them.
    void ConnectLocallyFromSettings();
    void ConnectRemotely();
    // A connection command during the wait after a reset ends the wait first.
    void EndWaitForCommand();
    // Runs an event through the state machine and does what it answers.
    void Handle(FrameEvent event, bool unitConnected = false);
    void Apply(FrameAction actions);
    void ForgetConnection();
    void CommissionFromWorkOrder();
    void Reconnect();
    void ConnectLocal(FrameEvent started, const QString& connection);
    void Connect(FrameEvent started, ConnectionRoute route, const std::string& connection);
    void CloseNow();
    void StopTimers();
    void StopResetWait();
    void OnResetTick();
    void SetFullControl(bool fullControl);
    // The connection pane and the enabling of the commands follow the state.
    void StateChanged();

    CManagerSettings& settings_;
    IFrameView& view_;
    StartupRequest startup_;
    std::unique_ptr<CCommHandler> handler_;
    IFrameWorkflow* workflow_ = nullptr;
    CFrameStateMachine machine_;
    CResetWait resetWait_;

    // Independent of the connection's course.
    bool workOrderValues_ = false;
    bool reportReady_ = false;
    bool commissioningRunning_ = false;
    bool downloadDialogOpen_ = false;
    QString localHost_;
    QString unitAddressText_;
    QString remoteNodeName_;
    QString remoteConnection_;
    QString lastConnection_;
    std::uint16_t unitBusAddress_ = 0xFFFF;
    QString connectionDescription_;
    QString paneUnit_; // the unit the connection pane names; kept when a failure clears the description
    bool fullControl_ = true;
    bool advancedMode_ = true; // as the menu starts: with the advanced entries
};
