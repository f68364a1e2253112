#pragma once
// The exporter's own figures for /metrics: probes and how they ended, their
// durations, probes under way, and the process (CPU, memory, descriptors) under
// the names every Prometheus client library uses.

#include "exporter/MetricText.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

enum class ProbeEnd : std::size_t {
    Up,            // the unit answered
    Down,          // the unit did not answer
    Busy,          // no place to read it before the deadline
    UnknownTarget, // no such node
    BadRequest,    // no target given
    kCount
};

class CExporterStats {
public:
    CExporterStats();

    void ProbeStarted() { ++inFlight_; }
    void ProbeEnded(ProbeEnd end, double seconds, bool shared);
    void ConnectionRefused() { ++connectionsRefused_; }

    // `targets`: the node directory's size; `reading`: units read right now.
    [[nodiscard]] std::string Exposition(ExpositionFormat format, std::size_t targets, int reading) const;

private:
    std::atomic<std::int64_t> inFlight_{0};
    std::atomic<std::uint64_t> connectionsRefused_{0};
    std::atomic<std::uint64_t> shared_{0};
    std::array<std::atomic<std::uint64_t>, std::size_t(ProbeEnd::kCount)> ends_{};
    mutable std::mutex mutex_; // the histogram's
    std::array<std::uint64_t, 10> buckets_{};
    double sum_ = 0;
    std::uint64_t count_ = 0;
    double startTime_ = 0;
};
