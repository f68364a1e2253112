#include "software/download/WaitingAnimation.h"

CWaitingAnimation& CWaitingAnimation::Shared()
{
    static CWaitingAnimation animation;
    return animation;
}

void CWaitingAnimation::Reset()
{
    position_ = kStartPosition;
    ticks_ = 0;
    divisor_ = 1;
}

std::optional<int> CWaitingAnimation::Tick()
{
    if (++ticks_ >= kTicksPerSlowdown) {
        const std::uint32_t doubled = divisor_ * 2;
        if (doubled != 0)
            divisor_ = doubled;
        ticks_ = 0;
    }
    if (static_cast<std::uint32_t>(ticks_) % divisor_ == 0 && position_ < kHighestPosition)
        return ++position_;
    return std::nullopt;
}
