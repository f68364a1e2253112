#pragma once
// One exchange over the unit link as the driver carries it: an OPEN of a
// connection, a TRANSFER (request and reply bytes exactly as the communication
// service sees them, or the failure) or a CLOSE.

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

enum class ETrafficKind { Open, Transfer, Close };

struct STrafficExchange {
    ETrafficKind kind = ETrafficKind::Transfer;
    std::int64_t timeMs = 0;                 // milliseconds since the epoch, UTC
    std::optional<std::string> conn;         // connection text; none on a transfer
    std::optional<std::string> route;        // none: the null route
    std::vector<std::uint8_t> req;           // bytes handed to the service
    std::uint8_t result = 0;                 // the service's result, 0 = success
    std::optional<std::vector<std::uint8_t>> rep; // none: no reply bytes came back
    std::int64_t rttMs = 0;                  // round trip of the exchange
    bool failed = false;                     // the link reported this exchange as failed
    // Taken into a recording started while connected: the connection's OPEN
    // and identity answer from before it began.
    bool carriedOver = false;

    friend bool operator==(const STrafficExchange&, const STrafficExchange&) = default;
};

// "open", "transfer" or "close".
[[nodiscard]] const char* TrafficKindName(ETrafficKind kind);
[[nodiscard]] std::optional<ETrafficKind> TrafficKindFromName(std::string_view name);
