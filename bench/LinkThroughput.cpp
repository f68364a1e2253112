// Exchanges per second of a 7-byte parameter read and its reply:
//   --raw HOST:PORT       a plain lock-step TCP loop with frames of the same sizes
//   --handler HOST:PORT   CCommHandler -> driver -> TCP link -> gateway -> back to a listener
//   --recorded HOST:PORT  the same with the traffic recorded: into the ring and
//                         into a recording (QORA_BENCH_RECORDING, or a temporary file)
//   --ring HOST:PORT      the same with the traffic kept in the ring only (the window's share)
// Prints one line: "<mode> <exchanges> <seconds> <exchanges per second>".

#include "link/CommHandler.h"
#include "link/DeviceMessageNotice.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "link/LinkTap.h"
#include "rks/RksComponents.h"
#include "traffic/RecordingWriter.h"
#include "traffic/TrafficRecorder.h"
#include "traffic/TrafficRing.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <memory>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRequestBody = 1 + 2 + 1 + 6; // kind, sequence, null route, 0x53 0x54 01 00 id
constexpr int kReplyBody = 1 + 2 + 1 + 8 + 164; // kind, sequence, result, 54 57 01 00 id L status, data

bool ReadAll(int fd, unsigned char* buffer, std::size_t n)
{
    while (n > 0) {
        const ssize_t got = read(fd, buffer, n);
        if (got <= 0)
            return false;
        buffer += got;
        n -= static_cast<std::size_t>(got);
    }
    return true;
}

int RunRaw(const std::string& host, int port, int count)
{
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, host.c_str(), &address.sin_addr);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::perror("raw connect");
        return 1;
    }
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    // Real frames, so the same loop can also be pointed at the simulated unit.
    const std::string open = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";
    std::vector<unsigned char> frame{0, 0, 0, static_cast<unsigned char>(3 + open.size()), 0x01, 0, 0};
    frame.insert(frame.end(), open.begin(), open.end());
    std::vector<unsigned char> openReply(8);
    if (write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size()) || !ReadAll(fd, openReply.data(), 8)) {
        std::fprintf(stderr, "raw open failed\n");
        return 1;
    }
    std::vector<unsigned char> request{0, 0, 0, kRequestBody, 0x02, 0, 1, 0, 0x53, 0x54, 0x01, 0x00, 0x90, 0x04};
    std::vector<unsigned char> reply(4 + kReplyBody);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        if (write(fd, request.data(), request.size()) != static_cast<ssize_t>(request.size()) ||
            !ReadAll(fd, reply.data(), reply.size())) {
            std::fprintf(stderr, "raw exchange %d failed\n", i);
            return 1;
        }
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("raw %d %.3f %.0f\n", count, seconds, count / seconds);
    close(fd);
    return 0;
}

// Sends the next read as soon as the previous reply arrives, as a data group does.
class Pump : public CMessageTarget {
public:
    Pump(CCommHandler& handler, int count) : handler_(handler), count_(count) {}
    void Start()
    {
        clock_.start();
        SendNext();
    }

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override
    {
        if (message == WM_CONNECTION_EVENT) {
            if (NoticeOf(wParam) == NOTICE_CONNECTED) {
                handler_.AddListener(this);
                Start();
            } else if (NoticeOf(wParam) == NOTICE_CONNECT_FAILED) {
                std::fprintf(stderr, "cannot connect\n");
                QCoreApplication::exit(1);
            }
        } else if (message == WM_DEVICE_MESSAGE) {
            if (wParam == 0) {
                std::fprintf(stderr, "a request failed\n");
                QCoreApplication::exit(1);
                return 0;
            }
            TakeDeviceMessage(lParam).reset(); // a listener owns its copy
            if (++done_ == count_) {
                const double seconds = clock_.nsecsElapsed() / 1e9;
                std::printf("handler %d %.3f %.0f\n", count_, seconds, count_ / seconds);
                QCoreApplication::exit(0);
            } else {
                SendNext();
            }
        }
        return 0;
    }

private:
    void SendNext()
    {
        auto request = std::make_unique<CDeviceMessage>();
        for (std::uint8_t b : {0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04})
            request->AppendByte(b);
        SendToHandler(&handler_, std::move(request));
    }

    CCommHandler& handler_;
    int count_;
    int done_ = 0;
    QElapsedTimer clock_;
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: qora-link-bench --raw|--handler|--recorded|--ring HOST:PORT [COUNT]\n");
        return 2;
    }
    const std::string mode = argv[1];
    const std::string endpoint = argv[2];
    const int count = argc > 3 ? std::atoi(argv[3]) : 20000;
    const auto colon = endpoint.rfind(':');
    const std::string host = endpoint.substr(0, colon);
    const int port = std::atoi(endpoint.c_str() + colon + 1);
    if (mode == "--raw")
        return RunRaw(host, port, count);

    QCoreApplication app(argc, argv);
    qputenv("QORA_RKS_GATEWAY", QByteArray::fromStdString(endpoint));
    RegisterRksComponents();
    CTrafficRing ring;
    CRecordingWriter recording;
    QTemporaryDir folder;
    if (mode == "--recorded") {
        QString path = qEnvironmentVariable("QORA_BENCH_RECORDING");
        if (path.isEmpty())
            path = folder.filePath(QStringLiteral("bench.jsonl"));
        QString error;
        if (!recording.Open(path, error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
        SetLinkObserver(std::make_shared<CTrafficRecorder>(&ring, &recording));
    } else if (mode == "--ring") {
        SetLinkObserver(std::make_shared<CTrafficRecorder>(&ring, nullptr));
    }
    CCommHandler handler;
    handler.SetSilentConnect(true);
    Pump pump(handler, count);
    SetMainWindowTarget(&pump);
    QTimer::singleShot(0, [&] { handler.Connect(ConnectionRoute::Direct, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131"); });
    const int status = app.exec();
    handler.CloseConnection();
    return status;
}
