#include "rks/RksSocket.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
using std::chrono::milliseconds;

milliseconds Remaining(CRksSocket::Clock::time_point deadline)
{
    return std::chrono::ceil<milliseconds>(deadline - CRksSocket::Clock::now());
}

bool WouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}

bool SetTimeout(int fd, int option, milliseconds timeout)
{
    const timeval tv{static_cast<time_t>(timeout.count() / 1000),
                     static_cast<suseconds_t>(timeout.count() % 1000 * 1000)};
    return setsockopt(fd, SOL_SOCKET, option, &tv, sizeof tv) == 0;
}

// The system's words for an error number, starting in lower case to follow a colon.
std::string ErrorText(int error)
{
    std::string text = std::strerror(error);
    if (!text.empty())
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

// Waits for a non-blocking connect to finish.
CRksSocket::Status AwaitConnect(int fd, CRksSocket::Clock::time_point deadline,
                                const std::atomic<bool>& interrupted, std::string& why)
{
    for (;;) {
        if (interrupted) {
            why = "interrupted";
            return CRksSocket::Status::Interrupted;
        }
        const milliseconds left = Remaining(deadline);
        if (left <= milliseconds::zero()) {
            why = "no answer in time";
            return CRksSocket::Status::Timeout;
        }
        pollfd entry{fd, POLLOUT, 0};
        const int ready = poll(&entry, 1, static_cast<int>(std::min(left, CRksSocket::kSlice).count()));
        if (ready > 0)
            break;
        if (ready < 0 && errno != EINTR) {
            why = ErrorText(errno);
            return CRksSocket::Status::Broken;
        }
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        why = ErrorText(error != 0 ? error : errno);
        return CRksSocket::Status::Broken;
    }
    return CRksSocket::Status::Ok;
}

CRksSocket::Status ConnectTo(const addrinfo& address, CRksSocket::Clock::time_point deadline,
                             const std::atomic<bool>& interrupted, int& connected, std::string& why)
{
    const int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address.ai_protocol);
    if (fd < 0) {
        why = ErrorText(errno);
        return CRksSocket::Status::Broken;
    }
    CRksSocket::Status status = CRksSocket::Status::Ok;
    if (connect(fd, address.ai_addr, address.ai_addrlen) != 0) {
        const int error = errno;
        if (error == EINPROGRESS || error == EINTR) {
            status = AwaitConnect(fd, deadline, interrupted, why);
        } else {
            why = ErrorText(error);
            status = CRksSocket::Status::Broken;
        }
    }
    // From here on the socket blocks, each wait bounded by a slice.
    const int one = 1;
    if (status == CRksSocket::Status::Ok
        && (fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0
            || setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one) != 0
            || !SetTimeout(fd, SO_SNDTIMEO, CRksSocket::kSlice))) {
        why = ErrorText(errno);
        status = CRksSocket::Status::Broken;
    }
    if (status == CRksSocket::Status::Ok)
        connected = fd;
    else
        close(fd);
    return status;
}
} // namespace

CRksSocket::~CRksSocket()
{
    Close();
}

CRksSocket::Status CRksSocket::Connect(const RksEndpoint& endpoint, Clock::time_point deadline,
                                       const std::atomic<bool>& interrupted)
{
    Close();
    connectError_.clear();
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (const int error = getaddrinfo(endpoint.host.c_str(), std::to_string(endpoint.port).c_str(), &hints, &found);
        error != 0) {
        connectError_ = std::string("cannot resolve ") + endpoint.host + ": " + gai_strerror(error);
        return Status::Broken;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> addresses(found, freeaddrinfo);

    Status status = Status::Broken;
    for (const addrinfo* address = found; address && status == Status::Broken; address = address->ai_next)
        status = ConnectTo(*address, deadline, interrupted, fd_, connectError_);
    if (status == Status::Ok)
        connectError_.clear();
    receiveTimeout_ = milliseconds::zero();
    return status;
}

CRksSocket::Status CRksSocket::Send(std::span<const std::uint8_t> bytes, Clock::time_point deadline,
                                    const std::atomic<bool>& interrupted)
{
    if (fd_ < 0)
        return Status::Broken;
    while (!bytes.empty()) {
        const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent == 0 || !WouldBlock())
            return Status::Broken;
        if (interrupted)
            return Status::Interrupted;
        if (Clock::now() >= deadline)
            return Status::Timeout;
    }
    return Status::Ok;
}

CRksSocket::Status CRksSocket::Receive(std::span<std::uint8_t> space, std::size_t& received,
                                       Clock::time_point deadline, const std::atomic<bool>& interrupted)
{
    received = 0;
    if (fd_ < 0)
        return Status::Broken;
    for (;;) {
        if (interrupted)
            return Status::Interrupted;
        const milliseconds left = Remaining(deadline);
        if (left <= milliseconds::zero())
            return Status::Timeout;
        if (!SetReceiveTimeout(std::min(left, kSlice)))
            return Status::Broken;
        const ssize_t count = recv(fd_, space.data(), space.size(), 0);
        if (count > 0) {
            received = static_cast<std::size_t>(count);
            return Status::Ok;
        }
        if (count == 0 || !WouldBlock())
            return Status::Broken;
    }
}

void CRksSocket::SendAndClose(std::span<const std::uint8_t> bytes)
{
    if (fd_ < 0)
        return;
    [[maybe_unused]] const ssize_t sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    // Unread bytes at close would make the system reset the connection, and a
    // reset may cost the far end the bytes just sent.
    std::uint8_t sink[512];
    for (int round = 0; round < 16 && recv(fd_, sink, sizeof sink, MSG_DONTWAIT) > 0; ++round) {
    }
    Close();
}

bool CRksSocket::PeerHasClosed() const
{
    if (fd_ < 0)
        return true;
    pollfd entry{fd_, POLLIN, 0};
    if (poll(&entry, 1, 0) <= 0)
        return false;
    if (entry.revents & (POLLERR | POLLHUP | POLLNVAL))
        return true;
    std::uint8_t byte = 0;
    const ssize_t peeked = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return peeked == 0 || (peeked < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR);
}

void CRksSocket::Close()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool CRksSocket::SetReceiveTimeout(milliseconds timeout)
{
    // Only near a deadline does the timeout differ from the slice, so a steady
    // exchange sets it once per connection.
    if (timeout == receiveTimeout_)
        return true;
    receiveTimeout_ = timeout;
    return SetTimeout(fd_, SO_RCVTIMEO, timeout);
}
