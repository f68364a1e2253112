#include "commissioning/procedure/CommissionProgress.h"

#include "commissioning/procedure/CommissionData.h"
#include "platform/MessageIds.h"

#include <algorithm>

namespace {
// Once the divisor passes the ticks of a stage the bar moves once a stage
// whatever it is; doubling it further would overflow and divide by zero.
constexpr int kMaxStepDivisor = 1 << 20;
} // namespace

CCommissionProgress::CCommissionProgress(View view) : view_(std::move(view)) {}

CCommissionProgress::~CCommissionProgress() = default;

void CCommissionProgress::Start(CCommissionData& group)
{
    SetTimer(kTimerId, kTickMs);
    tickCount_ = 0;
    stepDivisor_ = 1;
    position_ = 0;
    running_ = true;
    if (view_.setPosition)
        view_.setPosition(0);
    group.WriteWithLeadingCommand();
}

void CCommissionProgress::Tick()
{
    if (++tickCount_ == kTicksPerStage) {
        stepDivisor_ = std::min(stepDivisor_ * 2, kMaxStepDivisor);
        tickCount_ = 0;
    }
    if (tickCount_ % stepDivisor_ == 0 && position_ < kHighestCreep) {
        ++position_;
        if (view_.setPosition)
            view_.setPosition(position_);
    }
}

void CCommissionProgress::Abort()
{
    if (!running_)
        return;
    if (abortAction_)
        abortAction_();
    Finish(kAborted);
}

void CCommissionProgress::Finish(int result)
{
    KillTimer(kTimerId);
    running_ = false;
    if (view_.finish)
        view_.finish(result);
}

void CCommissionProgress::OnTimer(int timerId)
{
    if (timerId == kTimerId && running_)
        Tick();
}

MsgResult CCommissionProgress::OnMessage(unsigned message, MsgWParam wParam, MsgLParam)
{
    // A notice of a run that was aborted (or of a failure elsewhere while
    // none runs) finds nothing running and changes nothing.
    if (message == WM_COMMISSION_WRITE_DONE && running_)
        Finish(wParam == 1 ? kSucceeded : kFailed);
    return 0;
}
