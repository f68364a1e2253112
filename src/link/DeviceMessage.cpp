#include "link/DeviceMessage.h"

#include <cstring>
#include <limits>
#include <utility>

CDeviceMessage::CDeviceMessage()
    : data_(new std::uint8_t[kGrowthStep]), capacity_(kGrowthStep), length_(0), growthStep_(kGrowthStep)
{
}

CDeviceMessage::CDeviceMessage(const CDeviceMessage& other)
    : data_(nullptr), capacity_(0), length_(0), growthStep_(kGrowthStep)
{
    *this = other;
}

CDeviceMessage& CDeviceMessage::operator=(const CDeviceMessage& other)
{
    if (&other == this)
        return *this;
    // The size a Reset and an append of the other's bytes would leave, in
    // one allocation: every reply and request is copied on its way.
    const std::int32_t capacity =
        other.length_ <= growthStep_ ? growthStep_ : growthStep_ + other.length_ + growthStep_;
    if (capacity != capacity_ || data_ == nullptr) {
        delete[] data_;
        data_ = new std::uint8_t[capacity];
        capacity_ = capacity;
    }
    if (other.length_ > 0)
        std::memcpy(data_, other.data_, static_cast<std::size_t>(other.length_));
    length_ = other.length_;
    return *this;
}

CDeviceMessage::CDeviceMessage(CDeviceMessage&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), capacity_(std::exchange(other.capacity_, 0)),
      length_(std::exchange(other.length_, 0)), growthStep_(other.growthStep_)
{
}

CDeviceMessage& CDeviceMessage::operator=(CDeviceMessage&& other) noexcept
{
    if (&other == this)
        return *this;
    delete[] data_;
    data_ = std::exchange(other.data_, nullptr);
    capacity_ = std::exchange(other.capacity_, 0);
    length_ = std::exchange(other.length_, 0);
    return *this;
}

CDeviceMessage::~CDeviceMessage()
{
    delete[] data_;
}

bool CDeviceMessage::Reset()
{
    delete[] data_;
    data_ = new std::uint8_t[growthStep_];
    capacity_ = growthStep_;
    length_ = 0;
    return true;
}

void CDeviceMessage::Reallocate(std::int32_t newCapacity)
{
    auto* grown = new std::uint8_t[newCapacity];
    if (length_ > 0)
        std::memcpy(grown, data_, static_cast<std::size_t>(length_));
    delete[] data_;
    data_ = grown;
    capacity_ = newCapacity;
}

bool CDeviceMessage::Reserve(std::int32_t count)
{
    // A negative count would cut the buffer below the bytes in use.
    if (count < 0 || count > std::numeric_limits<std::int32_t>::max() - capacity_)
        return false;
    if (count > 0)
        Reallocate(capacity_ + count);
    return true;
}

bool CDeviceMessage::Commit(std::int32_t count)
{
    if (count < 0 || static_cast<std::int64_t>(length_) + count > capacity_)
        return false;
    length_ += count;
    return true;
}

bool CDeviceMessage::AppendByte(std::uint8_t value)
{
    if (length_ == capacity_)
        Reallocate(capacity_ + growthStep_);
    data_[length_++] = value;
    return true;
}

bool CDeviceMessage::AppendUInt16(std::uint16_t value)
{
    AppendByte(static_cast<std::uint8_t>(value >> 8));
    return AppendByte(static_cast<std::uint8_t>(value));
}

bool CDeviceMessage::AppendUInt32(std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        AppendByte(static_cast<std::uint8_t>(value >> shift));
    return true;
}

bool CDeviceMessage::AppendBytes(const void* bytes, std::int32_t count)
{
    if (count <= 0 || bytes == nullptr)
        return true;
    if (capacity_ - length_ < count)
        Reallocate(capacity_ + count + growthStep_);
    std::memcpy(data_ + length_, bytes, static_cast<std::size_t>(count));
    length_ += count;
    return true;
}

bool CDeviceMessage::AppendMessage(const CDeviceMessage& other)
{
    if (&other == this) {
        const CDeviceMessage copy(other); // appending to itself would read a freed buffer
        return AppendBytes(copy.data_, copy.length_);
    }
    return AppendBytes(other.data_, other.length_);
}

bool CDeviceMessage::AppendString(std::string_view text)
{
    const auto k = static_cast<std::int32_t>(text.size() + 1);
    if (capacity_ - length_ < k)
        Reallocate(capacity_ + k + growthStep_);
    if (!text.empty())
        std::memcpy(data_ + length_, text.data(), text.size());
    data_[length_ + k - 1] = 0;
    length_ += k;
    return true;
}

bool CDeviceMessage::InRange(std::int32_t offset, std::int32_t size) const
{
    return offset >= 0 && static_cast<std::int64_t>(offset) + size <= length_;
}

std::uint64_t CDeviceMessage::ReadBigEndian(std::int32_t offset, int size) const
{
    std::uint64_t value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | data_[offset + i];
    return value;
}

bool CDeviceMessage::GetByte(std::int32_t offset, std::int32_t& value) const
{
    if (!InRange(offset, 1))
        return false;
    value = data_[offset];
    return true;
}

bool CDeviceMessage::GetUInt16(std::int32_t offset, std::int32_t& value) const
{
    if (!InRange(offset, 2))
        return false;
    value = static_cast<std::int32_t>(ReadBigEndian(offset, 2));
    return true;
}

bool CDeviceMessage::GetUInt32(std::int32_t offset, std::uint32_t& value) const
{
    if (!InRange(offset, 4))
        return false;
    value = static_cast<std::uint32_t>(ReadBigEndian(offset, 4));
    return true;
}

bool CDeviceMessage::GetUInt32(std::int32_t offset, std::int32_t& value) const
{
    std::uint32_t bits = 0;
    if (!GetUInt32(offset, bits))
        return false;
    value = static_cast<std::int32_t>(bits);
    return true;
}

bool CDeviceMessage::GetUInt64(std::int32_t offset, std::uint64_t& value) const
{
    if (!InRange(offset, 8))
        return false;
    value = ReadBigEndian(offset, 8);
    return true;
}

bool CDeviceMessage::GetRawUInt32(std::int32_t offset, std::int32_t& value) const
{
    if (!InRange(offset, 4))
        return false;
    const std::uint32_t bits = static_cast<std::uint32_t>(data_[offset]) |
                               static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
                               static_cast<std::uint32_t>(data_[offset + 2]) << 16 |
                               static_cast<std::uint32_t>(data_[offset + 3]) << 24;
    value = static_cast<std::int32_t>(bits);
    return true;
}

CDeviceMessage CDeviceMessage::Of(std::span<const std::uint8_t> bytes)
{
    CDeviceMessage message;
    message.AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    return message;
}
