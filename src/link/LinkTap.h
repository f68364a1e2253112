#pragma once
// A watcher of everything a driver's link carries: every OPEN, TRANSFER and
// CLOSE with its bytes, result and round trip, for the traffic window and
// recordings. Off unless an observer is installed; the link itself is
// unchanged and nothing on the wire depends on it.

#include "link/IRksLink.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

struct SLinkExchange {
    enum class Kind { Open, Transfer, Close };
    Kind kind = Kind::Transfer;
    std::int64_t timeMs = 0; // when it started, milliseconds since the epoch (UTC)
    const std::string* connection = nullptr;
    const std::optional<std::string>* route = nullptr; // transfers only
    std::span<const std::uint8_t> request;
    bool ok = true;
    int result = 0; // the far end's result code; 2 when a failure brought none
    std::optional<std::span<const std::uint8_t>> reply;
    std::int64_t rttMs = 0;
};

class ILinkObserver {
public:
    virtual ~ILinkObserver() = default;
    // On the driver's thread, once the exchange has ended; the views last for
    // the call only.
    virtual void OnLinkExchange(const SLinkExchange& exchange) = 0;
};

// The observer new connections report to (null: none). Connections already
// open keep the one they started with.
void SetLinkObserver(std::shared_ptr<ILinkObserver> observer);
[[nodiscard]] std::shared_ptr<ILinkObserver> CurrentLinkObserver();

// The link, reporting every exchange to the observer.
[[nodiscard]] std::unique_ptr<IRksLink> TapLink(std::unique_ptr<IRksLink> link,
                                                std::shared_ptr<ILinkObserver> observer);
