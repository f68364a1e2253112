#pragma once
// The HTTP server's connection places: a fixed number of threads, each
// serving one connection at a time, and as many connections again waiting
// for one. A connection beyond those is served by a few threads kept for
// refusals: it gets a 503 at once (RefusingHere() tells the server so), and
// a slow client there delays only other refusals, never a probe.

#include <httplib.h>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class CConnectionQueue final : public httplib::TaskQueue {
public:
    CConnectionQueue(std::size_t places, std::size_t waiting, std::function<void()> refused);
    ~CConnectionQueue() override;

    void enqueue(std::function<void()> job) override;
    void shutdown() override;

    // True on the thread that serves refused connections.
    [[nodiscard]] static bool RefusingHere();

private:
    void Serve(std::deque<std::function<void()>>& jobs, std::condition_variable& ready);

    static constexpr std::size_t kRefusingThreads = 4;

    const std::size_t places_;
    const std::size_t waiting_;
    const std::function<void()> refused_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable refusalReady_;
    std::deque<std::function<void()>> jobs_;
    std::deque<std::function<void()>> refusals_;
    std::size_t busy_ = 0; // connections being served in places
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
