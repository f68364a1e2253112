#pragma once
// The last exchanges over the link, bounded: the driver thread appends, the
// traffic table reads by index. When full, the oldest exchange gives way and
// is counted, so the window can say how much it no longer holds.

#include "traffic/TrafficExchange.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class CTrafficRing {
public:
    static constexpr std::size_t kDefaultCapacity = 100000;

    explicit CTrafficRing(std::size_t capacity = kDefaultCapacity);

    void Append(STrafficExchange exchange);
    // The same exchange may also be on its way to a recording: shared, not copied.
    void Append(std::shared_ptr<const STrafficExchange> exchange);
    // A capacity of 0 is taken as 1; shrinking drops the oldest.
    void SetCapacity(std::size_t capacity);
    void Clear();

    [[nodiscard]] std::size_t Capacity() const;
    [[nodiscard]] std::size_t Size() const;
    // Index 0 is the oldest held; none past the end.
    [[nodiscard]] std::optional<STrafficExchange> At(std::size_t index) const;
    [[nodiscard]] std::vector<STrafficExchange> Snapshot() const;
    // Calls visit with the exchange at index under the lock, without copying
    // it; false past the end. visit must not call back into the ring.
    template <typename Visit>
    bool Read(std::size_t index, Visit&& visit) const
    {
        const std::lock_guard lock(mutex_);
        if (index >= items_.size())
            return false;
        visit(*items_[index]);
        return true;
    }
    // The same by running number (Dropped() is the number at index 0), so a
    // reader that remembers numbers is never handed a neighbour when the ring
    // moves between two calls; false when it gave way or has not come yet.
    template <typename Visit>
    bool ReadNumber(std::uint64_t number, Visit&& visit) const
    {
        const std::lock_guard lock(mutex_);
        if (number < dropped_ || number - dropped_ >= items_.size())
            return false;
        visit(*items_[static_cast<std::size_t>(number - dropped_)]);
        return true;
    }
    // Exchanges that gave way to newer ones since construction or Clear; also
    // the running number of the exchange now at index 0.
    [[nodiscard]] std::uint64_t Dropped() const;
    // Every exchange ever appended since construction or Clear.
    [[nodiscard]] std::uint64_t Appended() const;
    // How many times the ring was cleared: a reader that remembers running
    // numbers knows from it that they start again.
    [[nodiscard]] std::uint64_t Clears() const;

private:
    void TrimLocked();

    mutable std::mutex mutex_;
    std::deque<std::shared_ptr<const STrafficExchange>> items_; // never null
    std::size_t capacity_;
    std::uint64_t dropped_ = 0;
    std::uint64_t appended_ = 0;
    std::uint64_t clears_ = 0;
};
