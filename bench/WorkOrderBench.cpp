// Loads one work order the way the desktop tool does (the first unit when there
// are several) and prints the time the load took and the process's peak
// resident size.
//   qora-workorder-bench FILE

#include "commissioning/WorkOrder.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <cstdio>

namespace {

// Peak resident size in KiB, from /proc/self/status.
long PeakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: qora-workorder-bench FILE\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    CWorkOrder order;
    const WorkOrderStatus<> loaded = order.Load(QString::fromLocal8Bit(argv[1]));
    const auto end = std::chrono::steady_clock::now();
    if (!loaded)
        std::fprintf(stderr, "not read (message %u): %s\n", loaded.Failure().messageId,
                     qPrintable(loaded.Failure().detail));
    const double ms = std::chrono::duration<double, std::milli>(end - start).count();

    WorkOrderValues values;
    const bool read = loaded && ReadWorkOrderValues(order, values);
    std::printf("load_ms %.1f peak_rss_kib %ld loaded %d values %d unit %s\n", ms, PeakResidentKiB(), loaded ? 1 : 0,
                read ? 1 : 0, qPrintable(values.unitName));
    return loaded ? 0 : 1;
}
