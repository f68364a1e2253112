#include "platform/AutoResetEvent.h"

#include <condition_variable>
#include <mutex>

namespace {
// All events share one lock and one condition: there are only a handful of
// events in the process, and a shared condition makes "wait for any" simple.
std::mutex& EventLock()
{
    static std::mutex lock;
    return lock;
}
std::condition_variable& EventCondition()
{
    static std::condition_variable condition;
    return condition;
}
} // namespace

void CAutoResetEvent::Set()
{
    {
        std::lock_guard lock(EventLock());
        signalled_ = true;
    }
    EventCondition().notify_all();
}

void CAutoResetEvent::Reset()
{
    std::lock_guard lock(EventLock());
    signalled_ = false;
}

bool CAutoResetEvent::TryConsume()
{
    std::lock_guard lock(EventLock());
    const bool was = signalled_;
    signalled_ = false;
    return was;
}

bool CAutoResetEvent::IsSet() const
{
    std::lock_guard lock(EventLock());
    return signalled_;
}

int CAutoResetEvent::WaitAny(std::span<CAutoResetEvent* const> events,
                             std::optional<std::chrono::milliseconds> timeout)
{
    std::unique_lock lock(EventLock());
    int found = -1;
    auto anySignalled = [&] {
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i] && events[i]->signalled_) {
                found = static_cast<int>(i);
                return true;
            }
        }
        return false;
    };
    if (timeout) {
        if (!EventCondition().wait_for(lock, *timeout, anySignalled))
            return -1;
    } else {
        EventCondition().wait(lock, anySignalled);
    }
    events[static_cast<std::size_t>(found)]->signalled_ = false;
    return found;
}
