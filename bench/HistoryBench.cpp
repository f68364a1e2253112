// Fills the status history with 24 hours of answers at the windows' 5 s rate
// (17 280 of each kind, twelve channels) through the status windows' own
// decoding and the feed, and prints the memory the history added and the
// time one answer takes to become a sample.
//   qora-history-bench

#include "link/DeviceMessageNotice.h"
#include "status/constellation/ConstellationStatisticsView.h"
#include "status/gps/GPSStatusView.h"
#include "status/history/StatusHistoryFeed.h"
#include "status/install/InstallStatusView.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace {

struct BenchFrame : IStatusFrame {
    bool ResetPending() const override { return false; }
    bool CommissioningRunning() const override { return false; }
    bool DownloadDialogOpen() const override { return false; }
    void SetLinkWatchdog(int) override {}
};

using Bytes = std::vector<std::uint8_t>;

void Put(Bytes& b, std::uint64_t v, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        b.push_back(std::uint8_t(v >> shift));
}

// A moving sky: twelve satellites whose C/No and angles change with `n`.
Bytes GpsReply(int n)
{
    Bytes b{0x83, 0x01, 0x13, 0x00, std::uint8_t(n / 720 % 24), std::uint8_t(n / 12 % 60), std::uint8_t(n * 5 % 60),
            0, 0};
    Put(b, 2850 + n % 7, 4);
    Put(b, 592936000 + n % 50, 4);
    Put(b, 180409000 + n % 50, 4);
    for (int c = 0; c < 12; ++c)
        b.push_back(std::uint8_t(1 + (c * 3 + n / 500) % 32));
    for (int c = 0; c < 12; ++c)
        b.push_back(std::uint8_t(25 + (c * 7 + n) % 30));
    for (int c = 0; c < 12; ++c)
        b.push_back(1);
    for (int c = 0; c < 12; ++c)
        Put(b, std::uint32_t((c * 7 + n / 30) % 90) * 10000000u, 4);
    for (int c = 0; c < 12; ++c)
        Put(b, std::uint32_t((c * 30 + n / 20) % 360) * 10000000u, 4);
    return b;
}

// A survey that counts up for two hours, then a locked unit with its bus time.
Bytes InstallReply(int n)
{
    const bool surveying = n < 1440;
    Bytes b{0x84, 0x03, 0x1C, 0, 0, std::uint8_t(surveying ? 0 : 1), 0, std::uint8_t(surveying ? 3 : 1), 1};
    Put(b, 1765000000000ULL + std::uint64_t(n) * 5000, 8);
    Put(b, std::uint32_t(surveying ? n * 100 / 1440 : 100), 4);
    return b;
}

Bytes ConstellationReply(int n)
{
    Bytes b{0x83, 0x13, 0x28, 0, 0};
    for (int row = 0; row < 13; ++row)
        Put(b, row == 9 ? std::uint32_t(n * 5) : 0u, 4);
    Put(b, std::uint32_t(n * 5), 4);
    return b;
}

void Deliver(CMessageTarget& view, const Bytes& bytes)
{
    auto message = std::make_unique<CDeviceMessage>();
    message->AppendBytes(bytes.data(), std::int32_t(bytes.size()));
    DeliverDeviceMessage(view, std::move(message));
}

long ResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

double Mib(double bytes)
{
    return bytes / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    BenchFrame frame;
    CGPSStatusView gps(frame);
    CInstallStatusView install(frame, [] { return QStringLiteral("131"); });
    CConstellationStatisticsView constellation(frame);

    // The replies are made first, so that only the history's own memory is counted.
    const int samples = int(CStatusHistory::kDefaultCapacity);
    std::vector<Bytes> gpsReplies, installReplies, constellationReplies;
    for (int n = 0; n < samples; ++n) {
        gpsReplies.push_back(GpsReply(n));
        installReplies.push_back(InstallReply(n));
        constellationReplies.push_back(ConstellationReply(n));
    }

    const std::size_t heapBefore = mallinfo2().uordblks;
    const long rssBefore = ResidentKiB();
    CStatusHistory history;
    CStatusHistoryFeed feed(history);
    std::int64_t now = 1765000000000;
    feed.SetClock([&now] { return now; });
    feed.Attach(gps);
    feed.Attach(install);
    feed.Attach(constellation);

    using Clock = std::chrono::steady_clock;
    Clock::duration gpsTime{}, installTime{}, constellationTime{};
    for (int n = 0; n < samples; ++n) {
        now += 5000;
        auto t0 = Clock::now();
        Deliver(gps, gpsReplies[std::size_t(n)]);
        auto t1 = Clock::now();
        Deliver(install, installReplies[std::size_t(n)]);
        auto t2 = Clock::now();
        Deliver(constellation, constellationReplies[std::size_t(n)]);
        auto t3 = Clock::now();
        gpsTime += t1 - t0;
        installTime += t2 - t1;
        constellationTime += t3 - t2;
    }
    const std::size_t heapAfter = mallinfo2().uordblks;
    const long rssAfter = ResidentKiB();

    // Once full, every sample also pushes out the oldest.
    SGpsSample sample = history.Gps().back();
    const int more = 100000;
    const auto f0 = Clock::now();
    for (int n = 0; n < more; ++n) {
        sample.timeMs += 5000;
        history.AddGps(sample);
    }
    const double appendNs = double(std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - f0).count()) / more;

    const auto perSampleUs = [samples](Clock::duration d) {
        return double(std::chrono::duration_cast<std::chrono::nanoseconds>(d).count()) / samples / 1000.0;
    };
    std::printf("samples per kind:            %zu / %zu / %zu (capacity %zu)\n", history.Gps().size(),
                history.Installation().size(), history.Constellation().size(), history.Capacity());
    // An allocator that malloc's statistics do not see (a sanitizer's) leaves
    // the resident size to judge by.
    const double heapMib = Mib(double(heapAfter) - double(heapBefore));
    const double rssMib = Mib(double(rssAfter - rssBefore) * 1024.0);
    const double addedMib = heapAfter > heapBefore ? heapMib : rssMib;
    if (heapAfter > heapBefore)
        std::printf("heap added by the history:   %.2f MiB (goal under 40 MiB)\n", heapMib);
    else
        std::printf("heap added by the history:   not seen by malloc's statistics\n");
    std::printf("resident size added:         %.2f MiB\n", rssMib);
    std::printf("answer to sample, GPS:       %.2f us (decode, sample, append)\n", perSampleUs(gpsTime));
    std::printf("answer to sample, install:   %.2f us\n", perSampleUs(installTime));
    std::printf("answer to sample, constell.: %.2f us\n", perSampleUs(constellationTime));
    std::printf("append to a full history:    %.0f ns per GPS sample\n", appendNs);
    return addedMib < 40.0 ? 0 : 1;
}
