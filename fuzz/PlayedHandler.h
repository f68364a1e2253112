#pragma once
// The application's communication handler, connected (not in commission mode)
// over a driver that never sends: a target takes the requests from the send
// queue and hands replies in as the driver would. One for the whole process,
// as in the program.

#include "link/DeviceMessage.h"

#include <cstdint>
#include <span>
#include <vector>

class CCommHandler;

namespace fuzz {

class PlayedHandler {
public:
    // The process's handler, created (and connected) on first use.
    static PlayedHandler& Instance();

    // The reply as the driver delivers it: into the receive queue, then the
    // notice; the copies reach the listeners before this returns.
    void Reply(std::span<const std::uint8_t> bytes);
    // The notice of a failed request (no reply at all).
    void Failure(std::int32_t packedHeader);
    // The requests sent since the last call, oldest first.
    std::vector<std::vector<std::uint8_t>> TakeRequests();

    [[nodiscard]] CCommHandler& Handler() { return *handler_; }

private:
    PlayedHandler();
    CCommHandler* handler_ = nullptr;
};

} // namespace fuzz
