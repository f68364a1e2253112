#pragma once
// An auto-reset event: Set wakes one wait and the event resets itself when a
// wait consumes it. WaitAny waits on several events and, when more than one is
// signalled, takes the one with the lowest index.

#include <chrono>
#include <optional>
#include <span>

class CAutoResetEvent {
public:
    CAutoResetEvent() = default;
    CAutoResetEvent(const CAutoResetEvent&) = delete;
    CAutoResetEvent& operator=(const CAutoResetEvent&) = delete;

    void Set();
    void Reset();
    // Consumes the signal if there is one, without waiting.
    bool TryConsume();
    [[nodiscard]] bool IsSet() const;

    // Returns the index of the event consumed, or -1 when the timeout passed
    // first. Without a timeout it waits for ever.
    static int WaitAny(std::span<CAutoResetEvent* const> events,
                       std::optional<std::chrono::milliseconds> timeout = std::nullopt);

private:
    bool signalled_ = false; // guarded by the shared event lock
};
