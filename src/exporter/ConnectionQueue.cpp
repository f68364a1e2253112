#include "exporter/ConnectionQueue.h"

namespace {
thread_local bool tRefusing = false;
}

CConnectionQueue::CConnectionQueue(std::size_t places, std::size_t waiting, std::function<void()> refused)
    : places_(places), waiting_(waiting), refused_(std::move(refused))
{
    threads_.reserve(places + kRefusingThreads);
    for (std::size_t i = 0; i < places; ++i)
        threads_.emplace_back([this] { Serve(jobs_, ready_); });
    for (std::size_t i = 0; i < kRefusingThreads; ++i) {
        threads_.emplace_back([this] {
            tRefusing = true;
            Serve(refusals_, refusalReady_);
        });
    }
}

CConnectionQueue::~CConnectionQueue()
{
    shutdown();
}

bool CConnectionQueue::RefusingHere()
{
    return tRefusing;
}

void CConnectionQueue::enqueue(std::function<void()> job)
{
    {
        std::lock_guard lock(mutex_);
        if (busy_ + jobs_.size() < places_ + waiting_) {
            jobs_.push_back(std::move(job));
            ready_.notify_one();
            return;
        }
        // The job owns the accepted socket: it must run to close it.
        refusals_.push_back(std::move(job));
        refusalReady_.notify_one();
    }
    if (refused_)
        refused_();
}

void CConnectionQueue::shutdown()
{
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && threads_.empty())
            return;
        stopping_ = true;
    }
    ready_.notify_all();
    refusalReady_.notify_all();
    for (std::thread& thread : threads_) {
        if (thread.joinable())
            thread.join();
    }
    threads_.clear();
}

void CConnectionQueue::Serve(std::deque<std::function<void()>>& jobs, std::condition_variable& ready)
{
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            ready.wait(lock, [&] { return stopping_ || !jobs.empty(); });
            // Connections already accepted are still served, so that each is closed.
            if (jobs.empty())
                return;
            job = std::move(jobs.front());
            jobs.pop_front();
            if (!tRefusing)
                ++busy_;
        }
        job();
        if (!tRefusing) {
            std::lock_guard lock(mutex_);
            --busy_;
        }
    }
}
