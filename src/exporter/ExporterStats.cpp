#include "exporter/ExporterStats.h"

#include "version/ProgramVersion.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

namespace {

constexpr std::array<double, 10> kBounds = {0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10};

int OpenDescriptors()
{
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(dir)) {
            if (entry->d_name[0] != '.')
                ++count;
        }
        closedir(dir);
        --count; // the listing's own
    }
    return count;
}

} // namespace

CExporterStats::CExporterStats()
    : startTime_(std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count())
{
}

void CExporterStats::ProbeEnded(ProbeEnd end, double seconds, bool shared)
{
    --inFlight_;
    ++ends_[std::size_t(end)];
    if (shared)
        ++shared_;
    if (end != ProbeEnd::Up && end != ProbeEnd::Down)
        return;
    std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < kBounds.size(); ++i) {
        if (seconds <= kBounds[i])
            ++buckets_[i];
    }
    sum_ += seconds;
    ++count_;
}

std::string CExporterStats::Exposition(ExpositionFormat format, std::size_t targets, int reading) const
{
    CMetricWriter out(format);
    out.Family("qora_exporter_build", MetricType::Info, "The exporter's version.");
    out.Info({{"version", ProgramVersion()}});
    out.Family("qora_exporter_probes", MetricType::Counter, "Probes answered, by how they ended.");
    static constexpr std::array<const char*, std::size_t(ProbeEnd::kCount)> kEnds = {
        "up", "down", "busy", "unknown_target", "bad_request"};
    for (std::size_t i = 0; i < kEnds.size(); ++i)
        out.Sample(double(ends_[i].load()), {{"result", kEnds[i]}});
    out.Family("qora_exporter_probes_shared", MetricType::Counter,
               "Probes answered from a reading another probe of the same unit had started.");
    out.Sample(double(shared_.load()));
    out.Family("qora_exporter_probes_in_flight", MetricType::Gauge, "Probes being answered now.");
    out.Sample(double(inFlight_.load()));
    out.Family("qora_exporter_units_reading", MetricType::Gauge, "Units being read now.");
    out.Sample(reading);
    out.Family("qora_exporter_targets", MetricType::Gauge, "Nodes in the node directory.");
    out.Sample(double(targets));
    out.Family("qora_exporter_connections_refused", MetricType::Counter,
               "HTTP connections answered 503 because all connection places were taken.");
    out.Sample(double(connectionsRefused_.load()));
    {
        std::lock_guard lock(mutex_);
        std::vector<std::pair<double, std::uint64_t>> buckets;
        for (std::size_t i = 0; i < kBounds.size(); ++i)
            buckets.emplace_back(kBounds[i], buckets_[i]);
        out.Family("qora_exporter_probe_duration_seconds", MetricType::Histogram,
                   "Time to answer a probe of a unit that was read.");
        out.Histogram(buckets, sum_, count_);
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    out.Family("process_cpu_seconds", MetricType::Counter, "Total user and system CPU time spent in seconds.");
    out.Sample(cpu);
    long pages = 0, resident = 0;
    if (std::ifstream statm("/proc/self/statm"); statm >> pages >> resident) {
        const long page = sysconf(_SC_PAGESIZE);
        out.Family("process_virtual_memory_bytes", MetricType::Gauge, "Virtual memory size in bytes.");
        out.Sample(double(pages) * double(page));
        out.Family("process_resident_memory_bytes", MetricType::Gauge, "Resident memory size in bytes.");
        out.Sample(double(resident) * double(page));
    }
    out.Family("process_open_fds", MetricType::Gauge, "Number of open file descriptors.");
    out.Sample(OpenDescriptors());
    rlimit files{};
    if (getrlimit(RLIMIT_NOFILE, &files) == 0) {
        out.Family("process_max_fds", MetricType::Gauge, "Maximum number of open file descriptors.");
        out.Sample(double(files.rlim_cur));
    }
    out.Family("process_start_time_seconds", MetricType::Gauge, "Start time of the process since unix epoch in seconds.");
    out.Sample(startTime_);
    return out.Finish();
}
