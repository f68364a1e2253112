#include "app/frame/ResetWait.h"

#include <algorithm>

void CResetWait::Start(int retrySeconds)
{
    running_ = true;
    gone_ = false;
    limit_ = std::max(1, retrySeconds);
    elapsed_ = 0;
}

bool CResetWait::Tick()
{
    if (!running_ || elapsed_ >= limit_)
        return false;
    ++elapsed_;
    // At the limit itself the frame's own expiry makes the last attempt.
    return elapsed_ < limit_ && elapsed_ % kPollSeconds == 0;
}

QString CResetWait::CountdownText() const
{
    return QStringLiteral("QORA restarting: reconnecting in %1 s").arg(SecondsLeft());
}
