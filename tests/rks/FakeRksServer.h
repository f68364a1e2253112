#pragma once
// The far end of a link for tests: listens on 127.0.0.1, accepts one
// connection (or the given number, one after the other) and runs the test's
// script on each in a thread of its own.

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Bytes ToBytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

inline bool Readable(int fd)
{
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, 2000) > 0;
}

class CFakeRksServer {
public:
    class CPeer {
    public:
        explicit CPeer(int fd) : fd_(fd) {}
        // The next whole frame, length prefix included; empty when the
        // connection ends or nothing comes within two seconds.
        Bytes ReadFrame()
        {
            Bytes frame(4);
            if (!ReadExactly(frame.data(), 4))
                return {};
            frame.resize(4 + (std::size_t{frame[0]} << 24 | frame[1] << 16 | frame[2] << 8 | frame[3]));
            return ReadExactly(frame.data() + 4, frame.size() - 4) ? frame : Bytes{};
        }
        // Answers a request frame with its kind | 0x80, its sequence number,
        // `result` and `bytes`.
        void Reply(const Bytes& request, std::uint8_t result, const Bytes& bytes = {})
        {
            if (request.size() < 7)
                return;
            const std::size_t n = 4 + bytes.size();
            Bytes frame{std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n),
                        std::uint8_t(request[4] | 0x80), request[5], request[6], result};
            frame.insert(frame.end(), bytes.begin(), bytes.end());
            Write(frame);
        }
        void Write(const Bytes& raw) { send(fd_, raw.data(), raw.size(), MSG_NOSIGNAL); }

    private:
        bool ReadExactly(std::uint8_t* into, std::size_t count)
        {
            for (ssize_t got = 0; count > 0; into += got, count -= static_cast<std::size_t>(got)) {
                if ((got = Readable(fd_) ? recv(fd_, into, count, 0) : 0) <= 0)
                    return false;
            }
            return true;
        }
        int fd_;
    };

    explicit CFakeRksServer(std::function<void(CPeer&)> script, int connections = 1)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, connections, script = std::move(script)] {
            for (int n = 0; n < connections; ++n) {
                if (n > 0) {
                    close(peer_.exchange(-1));
                }
                if (!Readable(listener_) || (peer_ = accept(listener_, nullptr, nullptr)) < 0)
                    return;
                CPeer peer(peer_);
                script(peer);
                shutdown(peer_, SHUT_RDWR);
            }
        });
    }
    // Cuts the connection short and waits for the script.
    ~CFakeRksServer()
    {
        shutdown(listener_, SHUT_RDWR);
        if (peer_ >= 0)
            shutdown(peer_, SHUT_RDWR);
        Join();
        close(listener_);
        if (peer_ >= 0)
            close(peer_);
    }
    // Waits for the script to end by itself.
    void Join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    std::uint16_t Port() const { return port_; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port_); }
    std::string Connection(std::string_view more = {}) const
    {
        return "HOST=127.0.0.1,PORT=" + std::to_string(port_) + std::string(more);
    }

private:
    const int listener_ = socket(AF_INET, SOCK_STREAM, 0);
    std::atomic<int> peer_{-1};
    std::uint16_t port_ = 0;
    std::thread thread_;
};
