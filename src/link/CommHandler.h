#pragma once
// The single meeting point between the UI thread and the transport: owns the
// driver for one connection, keeps the queues towards and from the unit (each
// under its own lock), copies every received message to the registered
// listeners, tracks the connection state and tells the main window of every
// change.

#include "link/CommDriver.h"
#include "link/ConnectionType.h"
#include "link/DeviceMessage.h"
#include "platform/MessageTarget.h"
#include "platform/UserQueryAgent.h"

#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CConnectProgress;

class CCommHandler : public CMessageTarget {
    Q_OBJECT
public:
    static constexpr int kCommissionTimerId = 1;
    static constexpr int kCommissionDelayMs = 25;

    using DriverFactory = std::function<std::unique_ptr<CCommDriver>()>;
    // Replaces the transport made by Connect (tests); an empty factory restores it.
    static void SetDriverFactory(DriverFactory factory);

    CCommHandler();
    ~CCommHandler() override;
    CCommHandler(const CCommHandler&) = delete;
    CCommHandler& operator=(const CCommHandler&) = delete;

    // route: Direct for a local connection or a remote one to a string kept
    // from earlier, Browsed for a string the network browser has just returned.
    void Connect(ConnectionRoute route, const std::string& connection);
    void Disconnect();
    // Closes without telling the main window (before a reconnection).
    void CloseConnection();
    void EnterCommissionMode();
    // The main frame's automatic reconnection shows no connecting window.
    void SetSilentConnect(bool silent) { silentConnect_ = silent; }
    // Who is told when a request cannot go out; null: the default agent.
    void SetUserQueryAgent(IUserQueryAgent* agent) { userQuery_.SetAgent(agent); }

    // None while no unit answers (also while connecting); see ConnectionType.
    [[nodiscard]] ConnectionType GetConnectionType() const;
    [[nodiscard]] ConnectionState GetState() const { return state_; }
    [[nodiscard]] CCommDriver* GetDriver() const { return driver_.get(); }
    [[nodiscard]] CConnectProgress* GetConnectProgress() const { return progress_.get(); }
    // Why the connection could not be opened, or why the latest request that
    // failed did; kept after the driver is gone until the next Connect.
    [[nodiscard]] SLinkFailure LastFailure() const;

    void AddListener(CMessageTarget* window);
    void RemoveListener(CMessageTarget* window);
    [[nodiscard]] std::size_t ListenerCount() const { return listeners_.size(); }

    void ClearQueues();
    // Driver thread side. The oldest request, now the caller's; null when none waits.
    [[nodiscard]] std::unique_ptr<CDeviceMessage> PopSendQueue();
    void PushReceiveQueue(std::unique_ptr<CDeviceMessage> message);
    [[nodiscard]] std::size_t SendQueueLength() const;
    [[nodiscard]] std::size_t ReceiveQueueLength() const;

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
    void OnTimer(int timerId) override;

private:
    struct Listener {
        CMessageTarget* window;
        TargetPtr alive;
    };

    MsgResult OnMessageSend(std::unique_ptr<CDeviceMessage> request);
    void OnDeviceMessage(MsgWParam wParam, MsgLParam lParam);
    void OnConnectionEvent(int driverEvent);
    void CloseProgress();
    void DropDriver();

    std::unique_ptr<CCommDriver> driver_;
    ConnectionRoute route_ = ConnectionRoute::Direct;
    ConnectionState state_ = ConnectionState::Disconnected;
    std::deque<std::unique_ptr<CDeviceMessage>> receiveQueue_;
    std::deque<std::unique_ptr<CDeviceMessage>> sendQueue_;
    std::vector<Listener> listeners_;
    std::unique_ptr<CConnectProgress> progress_;
    bool silentConnect_ = false;
    SLinkFailure lastFailure_;
    CUserQuery userQuery_;

    mutable std::mutex sendLock_;
    mutable std::mutex receiveLock_;
};

// Hands a request to the handler as WM_SEND_MESSAGE; ownership goes with it.
// Without a handler the request is dropped. A listener names itself as the
// requester so that it can tell the failure of its own request from another's.
void SendToHandler(CCommHandler* handler, std::unique_ptr<CDeviceMessage> request,
                   const CMessageTarget* requester = nullptr);
// The same in the name of a requester known by its serial (the dialog or
// command that several groups work for).
void SendToHandler(CCommHandler* handler, std::unique_ptr<CDeviceMessage> request, TargetSerial requester);
