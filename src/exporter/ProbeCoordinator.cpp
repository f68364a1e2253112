#include "exporter/ProbeCoordinator.h"

#include <algorithm>
#include <exception>

CProbeCoordinator::CProbeCoordinator(IUnitReader& reader, int maxReadings)
    : reader_(reader), maxReadings_(std::max(1, maxReadings))
{
}

int CProbeCoordinator::Reading() const
{
    std::lock_guard lock(mutex_);
    return reading_;
}

CProbeCoordinator::SOutcome CProbeCoordinator::Probe(const std::string& key, const std::string& connection,
                                                     Clock::time_point deadline)
{
    std::unique_lock lock(mutex_);
    if (const auto found = pending_.find(key); found != pending_.end()) {
        const std::shared_ptr<Pending> pending = found->second;
        if (!pending->finished.wait_until(lock, deadline, [&] { return pending->done; })) {
            SUnitReading late;
            late.error = "the unit's reading did not finish within the scrape timeout";
            return {std::move(late), true};
        }
        return {pending->result, true};
    }

    const auto pending = std::make_shared<Pending>();
    pending_.emplace(key, pending);
    const auto finish = [&](std::optional<SUnitReading> result) {
        pending->result = std::move(result);
        pending->done = true;
        pending->finished.notify_all();
        pending_.erase(key);
        return SOutcome{pending->result, false};
    };
    if (!placeFreed_.wait_until(lock, deadline, [&] { return reading_ < maxReadings_; }))
        return finish(std::nullopt);
    ++reading_;
    lock.unlock();
    SUnitReading reading;
    try {
        reading = reader_.Read(connection, deadline);
    } catch (const std::exception& e) {
        // Whoever waits for this reading gets an answer, and the unit's next
        // probe reads it afresh.
        reading = SUnitReading{};
        reading.error = std::string("reading failed: ") + e.what();
    }
    lock.lock();
    --reading_;
    placeFreed_.notify_one();
    return finish(std::move(reading));
}
