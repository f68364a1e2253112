#include "link/CommHandler.h"

#include "link/ConnectProgress.h"
#include "link/DeviceMessageNotice.h"
#include "link/RksDriver.h"
#include "link/ServiceFraming.h"
#include "platform/LogCategories.h"
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
    PostConnectionNotice(NOTICE_DISCONNECTED);
}

CCommHandler::~CCommHandler()
{
    progress_.reset();
    DropDriver();
    ClearQueues();
    CRksDriver::WaitForAbandonedThreads(kAbandonedThreadWait);
}

void CCommHandler::Connect(ConnectionRoute route, const std::string& connection)
{
    if (driver_)
        return;
    lastFailure_ = {};
    state_ = STATE_CONNECTING;
    PostConnectionNotice(NOTICE_CONNECTING);
    if (!silentConnect_) {
        if (!progress_)
            progress_ = std::make_unique<CConnectProgress>();
        progress_->Create();
    }
    qCInfo(lcLink, "connecting to \"%s\" (%s)", connection.c_str(), route == ConnectionRoute::Browsed ? "browsed" : "direct");
    driver_ = Factory() ? Factory()() : std::make_unique<CRksDriver>();
    route_ = route;
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
    qCInfo(lcLink, "disconnecting");
    DropDriver();
    state_ = STATE_DISCONNECTED;
    PostConnectionNotice(NOTICE_DISCONNECTED);
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
    PostConnectionNotice(NOTICE_COMMISSION_REQUESTED);
}

SLinkFailure CCommHandler::LastFailure() const
{
    return driver_ ? driver_->LastFailure() : lastFailure_;
}

ConnectionType CCommHandler::GetConnectionType() const
{
    return driver_ ? TypeOfConnection(state_, route_) : ConnectionType::None;
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
        const std::int32_t header = ServiceFraming::PackedHeader(*request);
        qCWarning(lcLink, "request %02X %02X %02X not sent: no unit is connected", (header >> 16) & 0xFF,
                  (header >> 8) & 0xFF, header & 0xFF);
        PostMessageTo(this, WM_DEVICE_MESSAGE, 0, header, request->Requester());
        request.reset();
        userQuery_.Ask(LoadResString(StringId::DeviceNotConnected));
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
        qCInfo(lcLink, "connected to a QORA unit");
        CloseProgress();
        state_ = STATE_CONNECTED;
        PostConnectionNotice(NOTICE_CONNECTED);
        break;
    case DRIVER_OPEN_FAILED:
        CloseProgress();
        DropDriver();
        qCWarning(lcLink, "connection failed: %s", lastFailure_.text.c_str());
        state_ = STATE_DISCONNECTED;
        ClearQueues();
        PostConnectionNotice(NOTICE_CONNECT_FAILED);
        break;
    case DRIVER_COMMISSION_DONE:
        PostConnectionNotice(NOTICE_COMMISSION_ACKNOWLEDGED);
        SetTimer(kCommissionTimerId, kCommissionDelayMs);
        break;
    case DRIVER_OPEN_OTHER_UNIT:
        qCInfo(lcLink, "connected to a unit that is no QORA unit");
        CloseProgress();
        state_ = STATE_CONNECTED;
        PostConnectionNotice(NOTICE_CONNECTED_OTHER_UNIT);
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
    qCInfo(lcLink, "the unit is in commission mode");
    PostConnectionNotice(NOTICE_COMMISSION_MODE);
}

void SendToHandler(CCommHandler* handler, std::unique_ptr<CDeviceMessage> request, const CMessageTarget* requester)
{
    SendToHandler(handler, std::move(request), requester ? requester->Serial() : kNoRequester);
}

void SendToHandler(CCommHandler* handler, std::unique_ptr<CDeviceMessage> request, TargetSerial requester)
{
    if (!handler || !request)
        return;
    request->SetRequester(requester);
    handler->Send(WM_SEND_MESSAGE, 0, GiveDeviceMessage(std::move(request)));
}
