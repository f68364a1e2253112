#include "status/StatusPoller.h"
#include "link/DeviceMessageNotice.h"

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MessageIds.h"

CStatusPoller::CStatusPoller(IStatusFrame& frame) : frame_(frame) {}

CStatusPoller::~CStatusPoller()
{
    StopRefresh();
}

void CStatusPoller::StartRefresh()
{
    if (CCommHandler* handler = AppCommHandler())
        handler->AddListener(this);
    if (visible_ || wanted_)
        RequestStatus();
    SetTimer(kRefreshTimerId, kRefreshMs);
}

void CStatusPoller::StopRefresh()
{
    if (CCommHandler* handler = AppCommHandler())
        handler->RemoveListener(this);
    KillTimer(kRefreshTimerId);
}

void CStatusPoller::RequestStatus()
{
    CCommHandler* handler = AppCommHandler();
    // Status requests go out only in commission mode, and not while the unit restarts.
    if (!handler || !InCommissionMode(handler->GetConnectionType()) || frame_.ResetPending()) {
        ClearStatus();
        return;
    }
    ++unanswered_;
    SendToHandler(handler, BuildRequest());
}

void CStatusPoller::OnTimer(int timerId)
{
    if (timerId != kRefreshTimerId || !(visible_ || wanted_) || frame_.CommissioningRunning())
        return;
    if (frame_.DownloadDialogOpen() && downloadTicks_ < 3) {
        ++downloadTicks_; // every fourth tick only while a download runs
        return;
    }
    RequestStatus();
    downloadTicks_ = 0;
}

MsgResult CStatusPoller::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message != WM_DEVICE_MESSAGE)
        return 0;
    if (wParam == 0) {
        OnSendFailed();
        emit RequestFailed();
        if (unanswered_ > kUnansweredLimit) {
            frame_.SetLinkWatchdog(1);
            unanswered_ = -kUnansweredLimit;
        }
        return 0;
    }
    const std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam);
    // Anything from the unit shows the link is alive.
    frame_.SetLinkWatchdog(0);
    unanswered_ = 0;
    if (reply)
        OnStatusReply(*reply);
    return 0;
}
