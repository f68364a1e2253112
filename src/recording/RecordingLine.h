#pragma once
// One line of a unit traffic recording (docs/traffic-recording.md): an OPEN,
// a TRANSFER or a CLOSE with its bytes and result. The tool's recordings and
// the simulator's trace are both such lines; each writer leaves out the keys
// it has no value for, and the reader takes what either writes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace recording {

enum class Kind { Open, Transfer, Close };

// "open", "transfer" or "close".
[[nodiscard]] const char* KindName(Kind kind);
[[nodiscard]] std::optional<Kind> KindNamed(std::string_view name);

// What a writer puts on one line. The views must last for the call. Keys are
// written in this order; an optional key without a value is left out.
struct LineView {
    Kind kind = Kind::Transfer;
    std::optional<std::int64_t> timeMs;    // "time", ms since the epoch (UTC)
    std::optional<std::uint16_t> seq;      // "seq", the link's sequence number
    std::optional<std::string_view> conn;  // "conn", always written; null: none
    bool withUnit = false;                 // "unit" written (null when empty)
    std::optional<std::string_view> unit;
    std::optional<std::string_view> route; // "route", always written; null: the null route
    std::span<const std::uint8_t> req;     // "req"
    std::uint8_t result = 0;               // "result"
    std::optional<std::span<const std::uint8_t>> rep; // "rep", always written; null: no reply
    std::optional<std::int64_t> rttMs;     // "rtt_ms"
    std::optional<bool> failed;            // "failed"
    bool carriedOver = false;              // "carried_over": true, written only when set
};

// One line as read back. Keys the reader does not know are passed over.
struct Line {
    Kind kind = Kind::Transfer;
    std::optional<std::int64_t> timeMs;
    std::optional<std::string> conn; // Latin-1 bytes
    std::optional<std::string> route;
    std::vector<std::uint8_t> req;
    std::uint8_t result = 0;
    std::optional<std::vector<std::uint8_t>> rep;
    std::optional<std::int64_t> rttMs;
    std::optional<bool> failed;
    // Taken over from before the recording started (the connection's OPEN and
    // identity answer), not exchanged while it ran.
    bool carriedOver = false;
};

} // namespace recording
