#pragma once
// How far a decoder got with a reply, and the bounds-checked big-endian reads
// the decoders share.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace Protocol {

using Bytes = std::span<const std::uint8_t>;

enum class Decoded {
    NotThisReply, // another kind of message, or too short to tell
    Refused,      // the unit answered with a status other than 0
    Cut,          // the reply ended before a field; the fields before it were stored
    Whole,        // every field was read
};

// Reads of n bytes at an offset, most significant first; nothing when the
// bytes are not all there.
class CReplyReader {
public:
    explicit CReplyReader(Bytes bytes) : bytes_(bytes) {}

    [[nodiscard]] std::size_t Size() const { return bytes_.size(); }
    [[nodiscard]] std::optional<std::uint8_t> Byte(std::size_t at) const
    {
        if (at >= bytes_.size())
            return std::nullopt;
        return bytes_[at];
    }
    [[nodiscard]] std::optional<std::uint64_t> Number(std::size_t at, std::size_t size) const
    {
        if (at > bytes_.size() || size > bytes_.size() - at)
            return std::nullopt;
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value = (value << 8) | bytes_[at + i];
        return value;
    }
    [[nodiscard]] std::optional<std::uint16_t> Word(std::size_t at) const
    {
        const auto v = Number(at, 2);
        return v ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*v)) : std::nullopt;
    }
    [[nodiscard]] std::optional<std::uint32_t> Long(std::size_t at) const
    {
        const auto v = Number(at, 4);
        return v ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*v)) : std::nullopt;
    }
    [[nodiscard]] std::optional<std::uint64_t> Quad(std::size_t at) const { return Number(at, 8); }
    // True when the first three bytes are this class, addressing byte and opcode.
    [[nodiscard]] bool Header(std::uint8_t messageClass, std::uint8_t address, std::uint8_t opcode) const
    {
        return bytes_.size() >= 3 && bytes_[0] == messageClass && bytes_[1] == address && bytes_[2] == opcode;
    }

private:
    Bytes bytes_;
};

// The record of a whole reply only: nothing for a reply cut short, refused
// or of another kind.
template <typename Record, typename Decode>
[[nodiscard]] std::optional<Record> WholeRecordOf(Bytes reply, Decode decode)
{
    Record record;
    if (decode(reply, record) != Decoded::Whole)
        return std::nullopt;
    return record;
}

} // namespace Protocol
