#include "status/plots/SignalSeries.h"

#include <algorithm>

double MeanCno(const SGpsSample& sample)
{
    int sum = 0, count = 0;
    for (const SChannelSample& channel : sample.channels)
        if (channel.satellite != 0) {
            sum += channel.cno;
            ++count;
        }
    return count ? double(sum) / count : 0.0;
}

int TrackedCount(const SGpsSample& sample)
{
    return int(std::count_if(sample.channels.begin(), sample.channels.end(),
                             [](const SChannelSample& c) { return c.satellite != 0; }));
}

namespace {

// Appends a point to a line, starting a new stretch when the line was broken.
void Extend(SignalLine& line, bool broken, QPointF point)
{
    if (broken || line.empty())
        line.emplace_back();
    line.back().push_back(point);
}

struct Bucket {
    double timeMs = 0;
    bool startsAfterGap = false; // a gap lies before or inside it
    int samples = 0;
    double meanCnoSum = 0;
    int meanSamples = 0; // samples with a satellite: no mean without one
    double trackedSum = 0;
    std::map<int, std::pair<double, int>> cno; // satellite -> sum, samples seen
};

} // namespace

SignalSeries BuildSignalSeries(const std::deque<SGpsSample>& samples, std::int64_t spanMs, std::size_t maxPoints)
{
    SignalSeries series;
    if (samples.empty())
        return series;
    series.toMs = samples.back().timeMs;
    series.fromMs = series.toMs - spanMs;
    auto first = std::lower_bound(samples.begin(), samples.end(), series.fromMs,
                                  [](const SGpsSample& s, std::int64_t t) { return s.timeMs < t; });
    const std::size_t count = std::size_t(samples.end() - first);
    const std::size_t perBucket = maxPoints == 0 ? 1 : std::max<std::size_t>(1, (count + maxPoints - 1) / maxPoints);

    // Satellites whose line is open to the next bucket; the lines are broken
    // for all at a gap and for one satellite when a bucket misses it.
    std::map<int, bool> open;
    bool summaryOpen = false, meanOpen = false;
    auto flush = [&](Bucket& bucket) {
        if (bucket.samples == 0)
            return;
        if (bucket.startsAfterGap) {
            open.clear();
            summaryOpen = meanOpen = false;
        }
        if (bucket.meanSamples > 0)
            Extend(series.meanCno, !meanOpen, {bucket.timeMs, bucket.meanCnoSum / bucket.meanSamples});
        meanOpen = bucket.meanSamples > 0;
        Extend(series.trackedCount, !summaryOpen, {bucket.timeMs, bucket.trackedSum / bucket.samples});
        summaryOpen = true;
        std::map<int, bool> seen;
        for (const auto& [satellite, sum] : bucket.cno) {
            Extend(series.cnoBySatellite[satellite], !open[satellite], {bucket.timeMs, sum.first / sum.second});
            seen[satellite] = true;
        }
        open = std::move(seen);
        bucket = Bucket{};
    };

    Bucket bucket;
    for (auto it = first; it != samples.end(); ++it) {
        const SGpsSample& sample = *it;
        // The first sample of the span has nothing to break from.
        const bool gap = sample.afterGap && it != first;
        if (bucket.samples == 0)
            bucket.timeMs = double(sample.timeMs);
        else if (gap)
            // Never average across a gap: what came before closes here.
            flush(bucket), bucket.timeMs = double(sample.timeMs);
        bucket.startsAfterGap = bucket.startsAfterGap || gap;
        ++bucket.samples;
        const int tracked = TrackedCount(sample);
        bucket.trackedSum += tracked;
        if (tracked > 0) {
            bucket.meanCnoSum += MeanCno(sample);
            ++bucket.meanSamples;
        }
        std::map<int, bool> counted;
        for (const SChannelSample& channel : sample.channels) {
            if (channel.satellite == 0 || counted[channel.satellite])
                continue;
            counted[channel.satellite] = true;
            auto& [sum, n] = bucket.cno[channel.satellite];
            sum += channel.cno;
            ++n;
        }
        if (std::size_t(bucket.samples) >= perBucket)
            flush(bucket);
    }
    flush(bucket);
    return series;
}
