#include "traffic/TrafficRing.h"

#include <algorithm>

CTrafficRing::CTrafficRing(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1))
{
}

void CTrafficRing::Append(STrafficExchange exchange)
{
    Append(std::make_shared<const STrafficExchange>(std::move(exchange)));
}

void CTrafficRing::Append(std::shared_ptr<const STrafficExchange> exchange)
{
    if (!exchange)
        return;
    const std::lock_guard lock(mutex_);
    items_.push_back(std::move(exchange));
    ++appended_;
    TrimLocked();
}

void CTrafficRing::SetCapacity(std::size_t capacity)
{
    const std::lock_guard lock(mutex_);
    capacity_ = std::max<std::size_t>(capacity, 1);
    TrimLocked();
}

void CTrafficRing::Clear()
{
    const std::lock_guard lock(mutex_);
    items_.clear();
    dropped_ = 0;
    appended_ = 0;
    ++clears_;
}

std::size_t CTrafficRing::Capacity() const
{
    const std::lock_guard lock(mutex_);
    return capacity_;
}

std::size_t CTrafficRing::Size() const
{
    const std::lock_guard lock(mutex_);
    return items_.size();
}

std::optional<STrafficExchange> CTrafficRing::At(std::size_t index) const
{
    const std::lock_guard lock(mutex_);
    if (index >= items_.size())
        return std::nullopt;
    return *items_[index];
}

std::vector<STrafficExchange> CTrafficRing::Snapshot() const
{
    const std::lock_guard lock(mutex_);
    std::vector<STrafficExchange> copy;
    copy.reserve(items_.size());
    for (const auto& item : items_)
        copy.push_back(*item);
    return copy;
}

std::uint64_t CTrafficRing::Dropped() const
{
    const std::lock_guard lock(mutex_);
    return dropped_;
}

std::uint64_t CTrafficRing::Appended() const
{
    const std::lock_guard lock(mutex_);
    return appended_;
}

std::uint64_t CTrafficRing::Clears() const
{
    const std::lock_guard lock(mutex_);
    return clears_;
}

void CTrafficRing::TrimLocked()
{
    while (items_.size() > capacity_) {
        items_.pop_front();
        ++dropped_;
    }
}
