#pragma once
// Cuts frames out of a byte stream that arrives in pieces of any size. Bytes
// are received straight into the reader's own buffer and frame bodies are
// handed out in place, so reading a frame copies nothing.

#include "rks/RksFrame.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class CRksFrameReader {
public:
    enum class Status { NeedMore, Frame, Broken };

    CRksFrameReader();

    // The next complete frame's body, which stays valid until the next call
    // of Space() or Reset(). A length out of range breaks the stream for good:
    // nothing after it can be trusted to start a frame.
    Status Next(std::span<const std::uint8_t>& body);
    // Room for incoming bytes, at least one whole frame's worth. Call it only
    // after Next has answered NeedMore.
    [[nodiscard]] std::span<std::uint8_t> Space();
    // Takes in `count` bytes written at the start of Space().
    void Commit(std::size_t count);
    // Forgets everything: for a new connection.
    void Reset();

private:
    // Twice the largest frame: a partial frame never needs to move before the
    // buffer's second half is reached.
    static constexpr std::size_t kCapacity = 2 * kRksMaxFrame;

    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t begin_ = 0; // first byte not yet handed out
    std::size_t end_ = 0;   // one past the last byte received
    bool broken_ = false;
};
