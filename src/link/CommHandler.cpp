#include "link/CommHandler.h"

#include "link/ConnectProgress.h"
#include "link/DeviceMessageNotice.h"
#include "link/RksDriver.h"
#include "link/ServiceFraming.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

#include <algorithm>

namespace {
CCommHandler::DriverFactory& Factory()
{
    static CCommHandler::DriverFactory factory;
    return factory;
}

// How long the end of the program waits for connections abandoned while opening.
constexpr std::chrono::milliseconds kAbandonedThreadWait{3000};
} // namespace

void CCommHandler::SetDriverFactory(DriverFactory factory)
{
    Factory() = std::move(factory);
}

CCommHandler::CCommHandler()
{
    PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_DISCONNECTED, 0);
}

CCommHandler::~CCommHandler()
{
    progress_.reset();
    DropDriver();
    ClearQueues();
    CRksDriver::WaitForAbandonedThreads(kAbandonedThreadWait);
}

void CCommHandler::Connect(int routeFlag, const std::string& connection)
{
    if (driver_)
        return;
    lastFailure_ = {};
    state_ = STATE_CONNECTING;
    PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_CONNECTING, 0);
    if (!silentConnect_) {
        if (!progress_)
            progress_ = std::make_unique<CConnectProgress>();
        progress_->Create();
    }
    driver_ = Factory() ? Factory()() : std::make_unique<CRksDriver>();
    routeFlag_ = routeFlag;
    driver_->Open(this, connection);
}

void CCommHandler::DropDriver()
{
    KillTimer(kCommissionTimerId);
    if (!driver_)
        return;
    lastFailure_ = driver_->LastFailure();
    driver_->SignalStop();
    driver_.reset(); // waits for the worker thread of an opened connection
}

void CCommHandler::Disconnect()
{
    if (!driver_)
        return;
    DropDriver();
    state_ = STATE_DISCONNECTED;
    PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_DISCONNECTED, 0);
    ClearQueues();
}

void CCommHandler::CloseConnection()
{
    if (!driver_)
        return;
    DropDriver();
    state_ = STATE_DISCONNECTED;
    ClearQueues();
}

void CCommHandler::EnterCommissionMode()
{
    if (!driver_ || state_ != STATE_CONNECTED)
        return;
    driver_->SignalCommission();
    state_ = STATE_ENTERING_COMMISSION;
    PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_COMMISSION_REQUESTED, 0);
}

SLinkFailure CCommHandler::LastFailure() const
{
    return driver_ ? driver_->LastFailure() : lastFailure_;
}

int CCommHandler::GetConnectionType() const
{
    if (!driver_)
        return 0;
    switch (state_) {
    case STATE_CONNECTED:
    case STATE_ENTERING_COMMISSION:
        return routeFlag_ ? 1 : 2;
    case STATE_COMMISSION:
        return routeFlag_ ? 3 : 4;
    default:
        return 0;
    }
}

void CCommHandler::AddListener(CMessageTarget* window)
{
    if (!window)
        return;
    for (Listener& listener : listeners_) {
        if (listener.window != window)
            continue;
        // A new window at the address of a destroyed one takes its entry over.
        if (!listener.alive)
            listener.alive = window;
        return;
    }
    listeners_.push_back({window, TargetPtr(window)});
}

void CCommHandler::RemoveListener(CMessageTarget* window)
{
    auto it = std::find_if(listeners_.begin(), listeners_.end(),
                           [window](const Listener& listener) { return listener.window == window; });
    if (it != listeners_.end())
        listeners_.erase(it);
}

void CCommHandler::ClearQueues()
{
    // The messages are freed outside the locks, one queue after the other.
    std::deque<std::unique_ptr<CDeviceMessage>> dropped;
    {
        std::lock_guard lock(sendLock_);
        dropped.swap(sendQueue_);
    }
    dropped.clear();
    std::lock_guard lock(receiveLock_);
    dropped.swap(receiveQueue_);
}

std::unique_ptr<CDeviceMessage> CCommHandler::PopSendQueue()
{
    std::lock_guard lock(sendLock_);
    if (sendQueue_.empty())
        return nullptr;
    std::unique_ptr<CDeviceMessage> message = std::move(sendQueue_.front());
    sendQueue_.pop_front();
    return message;
}

void CCommHandler::PushReceiveQueue(std::unique_ptr<CDeviceMessage> message)
{
    if (!message)
        return;
    std::lock_guard lock(receiveLock_);
    receiveQueue_.push_back(std::move(message));
}

std::size_t CCommHandler::SendQueueLength() const
{
    std::lock_guard lock(sendLock_);
    return sendQueue_.size();
}

std::size_t CCommHandler::ReceiveQueueLength() const
{
    std::lock_guard lock(receiveLock_);
    return receiveQueue_.size();
}

MsgResult CCommHandler::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    switch (message) {
    case WM_SEND_MESSAGE:
        return OnMessageSend(TakeDeviceMessage(lParam));
    case WM_DEVICE_MESSAGE:
        OnDeviceMessage(wParam, lParam);
        return 0;
    case WM_CONNECTION_EVENT:
        OnConnectionEvent(static_cast<int>(wParam));
        return 0;
    default:
        return 0;
    }
}

MsgResult CCommHandler::OnMessageSend(std::unique_ptr<CDeviceMessage> request)
{
    if (!request)
        return 0;
    if (state_ == STATE_DISCONNECTED) {
        PostMessageTo(this, WM_DEVICE_MESSAGE, 0, ServiceFraming::PackedHeader(*request), request->Requester());
        request.reset();
        ShowMessageBox(LoadResString(StringId::DeviceNotConnected), MsgIcon::None, MsgButtons::Ok);
        return 0;
    }
    {
        std::lock_guard lock(sendLock_);
        sendQueue_.push_back(std::move(request));
    }
    if (driver_)
        driver_->SignalSend();
    return 0;
}

void CCommHandler::OnDeviceMessage(MsgWParam wParam, MsgLParam lParam)
{
    std::lock_guard lock(receiveLock_);
    if (wParam != 0) {
        if (receiveQueue_.empty())
            return;
        const std::unique_ptr<CDeviceMessage> received = std::move(receiveQueue_.front());
        receiveQueue_.pop_front();
        for (const Listener& listener : listeners_) {
            if (listener.alive)
                PostOwnedMessage(listener.alive, WM_DEVICE_MESSAGE, 1, std::make_unique<CDeviceMessage>(*received));
        }
        return;
    }
    // Every listener hears of the failure; the notice names whose request it
    // was, so that only its owner ends what it was doing.
    for (const Listener& listener : listeners_) {
        if (listener.alive)
            PostMessageTo(listener.alive, WM_DEVICE_MESSAGE, 0, lParam, DeliveringFor());
    }
}

void CCommHandler::CloseProgress()
{
    if (progress_ && progress_->IsActive())
        PostMessageTo(progress_.get(), WM_CLOSE_PROGRESS, 0, 0);
}

void CCommHandler::OnConnectionEvent(int driverEvent)
{
    // Events still queued from a connection that has since been closed.
    if (!driver_)
        return;
    switch (driverEvent) {
    case DRIVER_OPEN_QORA:
        CloseProgress();
        state_ = STATE_CONNECTED;
        PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_CONNECTED, 0);
        break;
    case DRIVER_OPEN_FAILED:
        CloseProgress();
        DropDriver();
        state_ = STATE_DISCONNECTED;
        ClearQueues();
        PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_CONNECT_FAILED, 0);
        break;
    case DRIVER_COMMISSION_DONE:
        PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_COMMISSION_ACKNOWLEDGED, 0);
        SetTimer(kCommissionTimerId, kCommissionDelayMs);
        break;
    case DRIVER_OPEN_OTHER_UNIT:
        CloseProgress();
        state_ = STATE_CONNECTED;
        PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_CONNECTED_OTHER_UNIT, 0);
        break;
    default:
        break;
    }
}

void CCommHandler::OnTimer(int timerId)
{
    if (timerId != kCommissionTimerId)
        return;
    KillTimer(kCommissionTimerId);
    state_ = STATE_COMMISSION;
    PostToMainWindow(WM_CONNECTION_EVENT, NOTICE_COMMISSION_MODE, 0);
}

void SendToHandler(CCommHandler* handler, std::unique_ptr<CDeviceMessage> request, const CMessageTarget* requester)
{
    if (!handler || !request)
        return;
    request->SetRequester(requester ? requester->Serial() : kNoRequester);
    handler->Send(WM_SEND_MESSAGE, 0, GiveDeviceMessage(std::move(request)));
}
