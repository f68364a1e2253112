#include "rks/RksFrameReader.h"

#include <algorithm>
#include <cstring>

CRksFrameReader::CRksFrameReader()
    : buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(kCapacity))
{
}

CRksFrameReader::Status CRksFrameReader::Next(std::span<const std::uint8_t>& body)
{
    if (broken_)
        return Status::Broken;
    const std::size_t available = end_ - begin_;
    if (available < kRksLengthSize)
        return Status::NeedMore;
    const std::uint8_t* p = buffer_.get() + begin_;
    const std::size_t length = std::size_t{p[0]} << 24 | std::size_t{p[1]} << 16
        | std::size_t{p[2]} << 8 | std::size_t{p[3]};
    if (length == 0 || length > kRksMaxBody) {
        broken_ = true;
        return Status::Broken;
    }
    if (available - kRksLengthSize < length)
        return Status::NeedMore;
    body = {p + kRksLengthSize, length};
    begin_ += kRksLengthSize + length;
    return Status::Frame;
}

std::span<std::uint8_t> CRksFrameReader::Space()
{
    if (begin_ == end_) {
        begin_ = end_ = 0;
    } else if (kCapacity - end_ < kRksMaxFrame) {
        // What is left is less than one frame, so it fits at the front.
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    return {buffer_.get() + end_, kCapacity - end_};
}

void CRksFrameReader::Commit(std::size_t count)
{
    end_ = std::min(end_ + count, kCapacity);
}

void CRksFrameReader::Reset()
{
    begin_ = end_ = 0;
    broken_ = false;
}
