#pragma once
// A TCP client connection with a deadline on every wait. The socket blocks, so
// a send or a receive costs one system call, but never for longer than a short
// slice: between slices the caller's interrupt flag is looked at, which lets
// another thread make a wait give up without touching the socket itself.

#include "rks/RksEndpoint.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class CRksSocket {
public:
    using Clock = std::chrono::steady_clock;
    enum class Status { Ok, Timeout, Interrupted, Broken };

    // The longest a wait goes without looking at the interrupt flag.
    static constexpr std::chrono::milliseconds kSlice{50};

    CRksSocket() = default;
    CRksSocket(const CRksSocket&) = delete;
    CRksSocket& operator=(const CRksSocket&) = delete;
    ~CRksSocket();

    // Connects to the first of the endpoint's addresses that accepts, with
    // TCP_NODELAY set. Closes the connection there was before.
    Status Connect(const RksEndpoint& endpoint, Clock::time_point deadline,
                   const std::atomic<bool>& interrupted);
    // Sends all bytes. Anything but Ok may have sent part of them.
    Status Send(std::span<const std::uint8_t> bytes, Clock::time_point deadline,
                const std::atomic<bool>& interrupted);
    // Waits for at least one byte; Broken when the far end has closed.
    Status Receive(std::span<std::uint8_t> space, std::size_t& received, Clock::time_point deadline,
                   const std::atomic<bool>& interrupted);
    // Sends what goes without waiting, then closes; for a last word the far end
    // does not answer.
    void SendAndClose(std::span<const std::uint8_t> bytes);
    void Close();
    [[nodiscard]] bool IsOpen() const { return fd_ >= 0; }
    // True when the far end has closed or reset the connection while nothing
    // was awaited; bytes waiting to be read do not count. Does not wait.
    [[nodiscard]] bool PeerHasClosed() const;
    // Why the last Connect failed, e.g. "connection refused"; empty after a success.
    [[nodiscard]] const std::string& ConnectError() const { return connectError_; }

private:
    bool SetReceiveTimeout(std::chrono::milliseconds timeout);

    int fd_ = -1;
    std::string connectError_;
    std::chrono::milliseconds receiveTimeout_{0};
};
