#include "sim/FrameReader.h"

#include "sim/LinkContract.h"

#include <cstring>

namespace sim {

std::uint8_t* CFrameReader::Prepare(std::size_t count)
{
    // Move the unread tail to the front so the buffer never grows beyond one
    // frame plus one read.
    if (begin_ > 0) {
        const std::size_t pending = end_ - begin_;
        if (pending > 0)
            std::memmove(buffer_.data(), buffer_.data() + begin_, pending);
        begin_ = 0;
        end_ = pending;
    }
    if (buffer_.size() < end_ + count)
        buffer_.resize(end_ + count);
    return buffer_.data() + end_;
}

void CFrameReader::Commit(std::size_t count)
{
    end_ += count;
}

void CFrameReader::Append(const void* data, std::size_t count)
{
    std::memcpy(Prepare(count), data, count);
    Commit(count);
}

CFrameReader::Status CFrameReader::Next(std::span<const std::uint8_t>& body)
{
    if (bad_)
        return Status::BadLength;
    const std::size_t available = end_ - begin_;
    if (available < kFrameHeaderSize)
        return Status::NeedMore;
    const std::uint8_t* head = buffer_.data() + begin_;
    const std::uint32_t length = (std::uint32_t(head[0]) << 24) | (std::uint32_t(head[1]) << 16)
        | (std::uint32_t(head[2]) << 8) | std::uint32_t(head[3]);
    if (length < kMinBodySize || length > kMaxBodySize) {
        bad_ = true;
        return Status::BadLength;
    }
    if (available - kFrameHeaderSize < length)
        return Status::NeedMore;
    body = std::span<const std::uint8_t>(head + kFrameHeaderSize, length);
    begin_ += kFrameHeaderSize + length;
    return Status::Frame;
}

} // namespace sim
