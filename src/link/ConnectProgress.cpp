#include "link/ConnectProgress.h"

#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"

#include <algorithm>

namespace {
CConnectProgress::ViewFactory& Factory()
{
    static CConnectProgress::ViewFactory factory;
    return factory;
}
// Past this the bar hardly moves anyway; doubling further would overflow.
constexpr int kMaxStepDivisor = 1 << 20;
} // namespace

void CConnectProgress::SetViewFactory(ViewFactory factory)
{
    Factory() = std::move(factory);
}

CConnectProgress::CConnectProgress() = default;

CConnectProgress::~CConnectProgress()
{
    if (view_)
        view_->DestroyView();
}

void CConnectProgress::Create()
{
    if (view_)
        view_->DestroyView();
    view_ = Factory() ? Factory()(*this) : nullptr;
    SetTimer(kTimerId, kTickMs);
    position_ = 0;
    stepDivisor_ = 1;
    tickCount_ = 0;
    active_ = true;
    cancelled_ = false;
    if (view_) {
        view_->EnableCancel(true);
        view_->SetRange(0, kRange);
        view_->SetPosition(0);
        view_->ShowView();
    }
}

void CConnectProgress::Tick()
{
    if (++tickCount_ > kTicksPerStage) {
        stepDivisor_ = std::min(stepDivisor_ * 2, kMaxStepDivisor);
        tickCount_ = 0;
    }
    if (tickCount_ % stepDivisor_ == 0) {
        ++position_;
        if (view_)
            view_->SetPosition(std::min(position_, kRange));
    }
}

void CConnectProgress::Cancel()
{
    PostConnectionNotice(NOTICE_CONNECT_CANCELLED);
    cancelled_ = true;
    CloseWindow();
}

void CConnectProgress::CloseWindow()
{
    active_ = false;
    KillTimer(kTimerId);
    if (view_) {
        view_->DestroyView();
        view_ = nullptr;
    }
}

MsgResult CConnectProgress::OnMessage(unsigned message, MsgWParam, MsgLParam)
{
    if (message == WM_CLOSE_PROGRESS)
        CloseWindow();
    return 0;
}

void CConnectProgress::OnTimer(int timerId)
{
    if (timerId == kTimerId)
        Tick();
}
