#pragma once
// Calls a function when a deadline passes, from a thread of its own: how a
// probe's scrape timeout reaches a link blocked in a read. Disarm before the
// function's objects go away; once Disarm returns the function will not run,
// nor be running.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

class CDeadlineWatch {
public:
    using Clock = std::chrono::steady_clock;

    CDeadlineWatch();
    ~CDeadlineWatch();
    CDeadlineWatch(const CDeadlineWatch&) = delete;
    CDeadlineWatch& operator=(const CDeadlineWatch&) = delete;

    // `expired` must be quick: it runs with the watch locked.
    [[nodiscard]] std::uint64_t Arm(Clock::time_point deadline, std::function<void()> expired);
    void Disarm(std::uint64_t id);

private:
    void Run();

    struct Entry {
        std::uint64_t id;
        std::function<void()> expired;
    };
    std::mutex mutex_;
    std::condition_variable changed_;
    std::multimap<Clock::time_point, Entry> armed_;
    std::map<std::uint64_t, std::multimap<Clock::time_point, Entry>::iterator> byId_;
    std::uint64_t nextId_ = 1;
    bool stopping_ = false;
    std::thread thread_;
};
