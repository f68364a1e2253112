#include "exporter/DeadlineWatch.h"

CDeadlineWatch::CDeadlineWatch() : thread_([this] { Run(); }) {}

CDeadlineWatch::~CDeadlineWatch()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_one();
    thread_.join();
}

std::uint64_t CDeadlineWatch::Arm(Clock::time_point deadline, std::function<void()> expired)
{
    std::lock_guard lock(mutex_);
    const std::uint64_t id = nextId_++;
    const auto entry = armed_.emplace(deadline, Entry{id, std::move(expired)});
    byId_.emplace(id, entry);
    // Only an earlier first deadline changes what the thread waits for.
    if (entry == armed_.begin())
        changed_.notify_one();
    return id;
}

void CDeadlineWatch::Disarm(std::uint64_t id)
{
    std::lock_guard lock(mutex_);
    const auto found = byId_.find(id);
    if (found == byId_.end())
        return; // it has run already
    armed_.erase(found->second);
    byId_.erase(found);
}

void CDeadlineWatch::Run()
{
    std::unique_lock lock(mutex_);
    while (!stopping_) {
        if (armed_.empty()) {
            changed_.wait(lock);
            continue;
        }
        const auto first = armed_.begin();
        if (Clock::now() < first->first) {
            // A copy: the entry may be disarmed and freed while this waits.
            const Clock::time_point deadline = first->first;
            changed_.wait_until(lock, deadline);
            continue;
        }
        first->second.expired();
        byId_.erase(first->second.id);
        armed_.erase(first);
    }
}
