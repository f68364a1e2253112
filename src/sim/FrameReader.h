#pragma once
// Cuts a byte stream into frames: a 4-byte big-endian length N (1..65536), then
// N body bytes. Bytes are written straight into the reader's own buffer, so a
// socket read costs one copy and no allocation once the buffer has grown.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sim {

class CFrameReader {
public:
    enum class Status { Frame, NeedMore, BadLength };

    // Room for `count` more bytes; fill some of it, then call Commit.
    // Invalidates bodies returned earlier.
    [[nodiscard]] std::uint8_t* Prepare(std::size_t count);
    void Commit(std::size_t count);

    // Prepare + copy + Commit, for callers that already hold the bytes.
    void Append(const void* data, std::size_t count);

    // The next complete body, if any. A length outside 1..65536 makes the
    // stream unusable: BadLength is returned from then on.
    [[nodiscard]] Status Next(std::span<const std::uint8_t>& body);

    [[nodiscard]] std::size_t Buffered() const { return end_ - begin_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool bad_ = false;
};

} // namespace sim
