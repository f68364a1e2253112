#pragma once
// The few socket calls a client connection makes, without the platform's
// spelling of them: non-blocking receive and send that say "would block"
// instead of setting errno, and closing.

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

namespace sim::socketio {

// Results of Receive and Transmit besides a byte count.
inline constexpr qint64 kWouldBlock = -1;
inline constexpr qint64 kFailed = -2;

// Non-blocking, no Nagle delay, not inherited by child processes.
void Prepare(qintptr socket);

// Bytes received (0: the peer closed its side), kWouldBlock or kFailed.
[[nodiscard]] qint64 Receive(qintptr socket, std::uint8_t* into, std::size_t size);

// Bytes sent (possibly fewer than asked), kWouldBlock or kFailed. Never raises
// SIGPIPE.
[[nodiscard]] qint64 Transmit(qintptr socket, const std::uint8_t* data, std::size_t size);

// Sends FIN after what was sent so far; the socket can still receive.
void ShutdownWrite(qintptr socket);

void Close(qintptr socket);

} // namespace sim::socketio
