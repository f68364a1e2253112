#include "sim/SocketIo.h"

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace sim::socketio {

#ifdef Q_OS_WIN

void Prepare(qintptr socket)
{
    u_long nonBlocking = 1;
    ::ioctlsocket(SOCKET(socket), FIONBIO, &nonBlocking);
    const BOOL one = TRUE;
    ::setsockopt(SOCKET(socket), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

qint64 Receive(qintptr socket, std::uint8_t* into, std::size_t size)
{
    const int got = ::recv(SOCKET(socket), reinterpret_cast<char*>(into), int(size), 0);
    if (got >= 0)
        return got;
    return ::WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kFailed;
}

qint64 Transmit(qintptr socket, const std::uint8_t* data, std::size_t size)
{
    const int sent = ::send(SOCKET(socket), reinterpret_cast<const char*>(data), int(size), 0);
    if (sent >= 0)
        return sent;
    return ::WSAGetLastError() == WSAEWOULDBLOCK ? kWouldBlock : kFailed;
}

void ShutdownWrite(qintptr socket)
{
    ::shutdown(SOCKET(socket), SD_SEND);
}

void Close(qintptr socket)
{
    ::closesocket(SOCKET(socket));
}

#else

void Prepare(qintptr socket)
{
    const int fd = int(socket);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

qint64 Receive(qintptr socket, std::uint8_t* into, std::size_t size)
{
    for (;;) {
        const ssize_t got = ::recv(int(socket), into, size, 0);
        if (got >= 0)
            return got;
        if (errno != EINTR)
            return (errno == EAGAIN || errno == EWOULDBLOCK) ? kWouldBlock : kFailed;
    }
}

qint64 Transmit(qintptr socket, const std::uint8_t* data, std::size_t size)
{
    for (;;) {
        const ssize_t sent = ::send(int(socket), data, size, MSG_NOSIGNAL);
        if (sent >= 0)
            return sent;
        if (errno != EINTR)
            return (errno == EAGAIN || errno == EWOULDBLOCK) ? kWouldBlock : kFailed;
    }
}

void ShutdownWrite(qintptr socket)
{
    ::shutdown(int(socket), SHUT_WR);
}

void Close(qintptr socket)
{
    ::close(int(socket));
}

#endif

} // namespace sim::socketio
