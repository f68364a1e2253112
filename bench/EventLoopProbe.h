#pragma once
// Watches how long the thread's event loop goes without turning: a 1 ms
// precise timer notes the time between its firings. A gap much above 1 ms is
// time the loop spent in one piece of work (a handler, a file read, a redraw).

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdint>
#include <vector>

class CEventLoopProbe {
public:
    struct Figures {
        std::size_t ticks = 0;
        double maxMs = 0;
        double p99Ms = 0;
        double medianMs = 0;
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
        clock_.start();
        lastNs_ = 0;
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
        return figures;
    }

private:
    void Tick()
    {
        const std::int64_t now = clock_.nsecsElapsed();
        gapsNs_.push_back(now - lastNs_);
        lastNs_ = now;
    }

    QTimer timer_;
    QElapsedTimer clock_;
    std::int64_t lastNs_ = 0;
    std::vector<std::int64_t> gapsNs_;
};
