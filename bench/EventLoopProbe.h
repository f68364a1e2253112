#pragma once
// Watches how long the thread's event loop goes without turning: a 1 ms
// precise timer notes the time between its firings. A gap much above 1 ms is
// time the loop spent in one piece of work (a handler, a file read, a redraw).
// The thread's CPU time over each gap is noted too: on a machine busy with
// other programs the wall-clock gap also holds the time the thread waited for
// a CPU, the CPU time only the work of the program itself.

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <vector>

class CEventLoopProbe {
public:
    struct Figures {
        std::size_t ticks = 0;
        double maxMs = 0;
        double p99Ms = 0;
        double medianMs = 0;
        double cpuMaxMs = 0; // the most CPU time the thread spent within one gap
    };

    CEventLoopProbe()
    {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(1);
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    }

    void Begin()
    {
        gapsNs_.clear();
        cpuMaxNs_ = 0;
        clock_.start();
        lastNs_ = 0;
        lastCpuNs_ = CpuNs();
        timer_.start();
    }

    Figures End()
    {
        Tick(); // the stretch since the last firing counts too
        timer_.stop();
        Figures figures;
        figures.ticks = gapsNs_.size();
        if (gapsNs_.empty())
            return figures;
        std::vector<std::int64_t> sorted = gapsNs_;
        std::sort(sorted.begin(), sorted.end());
        const auto at = [&](double q) {
            return sorted[std::min(sorted.size() - 1, std::size_t(q * double(sorted.size() - 1) + 0.5))] / 1e6;
        };
        figures.maxMs = sorted.back() / 1e6;
        figures.p99Ms = at(0.99);
        figures.medianMs = at(0.5);
        figures.cpuMaxMs = cpuMaxNs_ / 1e6;
        return figures;
    }

private:
    static std::int64_t CpuNs()
    {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return std::int64_t(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
    }

    void Tick()
    {
        const std::int64_t now = clock_.nsecsElapsed();
        gapsNs_.push_back(now - lastNs_);
        lastNs_ = now;
        const std::int64_t cpu = CpuNs();
        cpuMaxNs_ = std::max(cpuMaxNs_, cpu - lastCpuNs_);
        lastCpuNs_ = cpu;
    }

    QTimer timer_;
    std::int64_t lastCpuNs_ = 0;
    std::int64_t cpuMaxNs_ = 0;
    QElapsedTimer clock_;
    std::int64_t lastNs_ = 0;
    std::vector<std::int64_t> gapsNs_;
};
