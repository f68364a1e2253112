#include "status/plots/SignalSeries.h"

#include <algorithm>
#include <array>
#include <iterator>

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

// Satellite numbers come in one byte.
constexpr int kSatelliteNumbers = 256;

struct Bucket {
    double timeMs = 0;
    bool startsAfterGap = false; // a gap lies before or inside it
    int samples = 0;
    double meanCnoSum = 0;
    int meanSamples = 0; // samples with a satellite: no mean without one
    double trackedSum = 0;
    std::array<double, kSatelliteNumbers> cnoSum{};
    std::array<int, kSatelliteNumbers> cnoCount{};
    std::vector<int> satellites; // those with a count, in the order first seen

    void Reset()
    {
        for (int satellite : satellites)
            cnoSum[std::size_t(satellite)] = 0, cnoCount[std::size_t(satellite)] = 0;
        satellites.clear();
        timeMs = 0;
        startsAfterGap = false;
        samples = meanSamples = 0;
        meanCnoSum = trackedSum = 0;
    }
};

} // namespace

std::int64_t SignalBucketMs(std::int64_t spanMs, std::size_t maxPoints)
{
    return maxPoints == 0 ? 0
                          : std::max<std::int64_t>(1, (spanMs + std::int64_t(maxPoints) - 1) / std::int64_t(maxPoints));
}

SignalSeries BuildSignalSeries(const std::deque<SGpsSample>& samples, std::int64_t spanMs, std::size_t maxPoints)
{
    SignalSeries series;
    if (samples.empty())
        return series;
    series.toMs = samples.back().timeMs;
    series.fromMs = series.toMs - spanMs;
    auto first = std::lower_bound(samples.begin(), samples.end(), series.fromMs,
                                  [](const SGpsSample& s, std::int64_t t) { return s.timeMs < t; });
    series.firstMs = first->timeMs;
    // Buckets of equal time, counted from the epoch: a bucket keeps its
    // samples from one redraw to the next, so that only the newest point of
    // a line moves as samples come in (and lines of the past stay the same).
    const std::int64_t bucketMs = SignalBucketMs(spanMs, maxPoints);
    std::int64_t bucketIndex = 0;

    // Satellites whose line is open to the next bucket; the lines are broken
    // for all at a gap and for one satellite when a bucket misses it.
    std::array<bool, kSatelliteNumbers> open{};
    std::vector<int> openSatellites;
    bool summaryOpen = false, meanOpen = false;
    std::map<int, SignalLine*> lines;
    auto flush = [&](Bucket& bucket) {
        if (bucket.samples == 0)
            return;
        if (bucket.startsAfterGap)
            summaryOpen = meanOpen = false;
        if (bucket.startsAfterGap)
            for (int satellite : openSatellites)
                open[std::size_t(satellite)] = false;
        if (bucket.meanSamples > 0)
            Extend(series.meanCno, !meanOpen, {bucket.timeMs, bucket.meanCnoSum / bucket.meanSamples});
        meanOpen = bucket.meanSamples > 0;
        Extend(series.trackedCount, !summaryOpen, {bucket.timeMs, bucket.trackedSum / bucket.samples});
        summaryOpen = true;
        std::array<bool, kSatelliteNumbers> seen{};
        for (int satellite : bucket.satellites) {
            const std::size_t i = std::size_t(satellite);
            SignalLine*& line = lines[satellite];
            if (!line)
                line = &series.cnoBySatellite[satellite];
            Extend(*line, !open[i], {bucket.timeMs, bucket.cnoSum[i] / bucket.cnoCount[i]});
            seen[i] = true;
        }
        for (int satellite : openSatellites)
            open[std::size_t(satellite)] = seen[std::size_t(satellite)];
        for (int satellite : bucket.satellites)
            open[std::size_t(satellite)] = true;
        openSatellites = bucket.satellites;
        bucket.Reset();
    };

    Bucket bucket;
    for (auto it = first; it != samples.end(); ++it) {
        const SGpsSample& sample = *it;
        // The first sample of the span has nothing to break from.
        const bool gap = it != first && (sample.afterGap || SamplesApart(std::prev(it)->timeMs, sample.timeMs));
        // Without thinning every sample is a bucket of its own.
        const std::int64_t index = bucketMs ? sample.timeMs / bucketMs - (sample.timeMs % bucketMs < 0 ? 1 : 0)
                                            : std::int64_t(it - first);
        if (bucket.samples > 0 && (gap || index != bucketIndex))
            // Never average across a gap: what came before closes here.
            flush(bucket);
        bucketIndex = index;
        if (bucket.samples == 0)
            bucket.timeMs = double(sample.timeMs);
        bucket.startsAfterGap = bucket.startsAfterGap || gap;
        ++bucket.samples;
        const int tracked = TrackedCount(sample);
        bucket.trackedSum += tracked;
        if (tracked > 0) {
            bucket.meanCnoSum += MeanCno(sample);
            ++bucket.meanSamples;
        }
        for (std::size_t c = 0; c < sample.channels.size(); ++c) {
            const SChannelSample& channel = sample.channels[c];
            if (channel.satellite <= 0 || channel.satellite >= kSatelliteNumbers)
                continue;
            // A satellite on two channels counts once.
            bool twice = false;
            for (std::size_t earlier = 0; earlier < c && !twice; ++earlier)
                twice = sample.channels[earlier].satellite == channel.satellite;
            if (twice)
                continue;
            const std::size_t i = std::size_t(channel.satellite);
            if (bucket.cnoCount[i] == 0)
                bucket.satellites.push_back(channel.satellite);
            bucket.cnoSum[i] += channel.cno;
            ++bucket.cnoCount[i];
        }
    }
    flush(bucket);
    return series;
}

SignalLineLook SignalLook(std::size_t slot)
{
    // Colours chosen to stay apart from each other, from black (the mean)
    // and from white; no grey, no pale yellow, no warning red.
    static constexpr std::uint32_t kPalette[kSignalPaletteSize] = {
        0x1030A0, // dark blue
        0xFF7F0E, // orange
        0x009E73, // bluish green
        0xC000C0, // magenta
        0x56B4E9, // sky blue
        0x8C564B, // brown
        0x66CC00, // lime
        0xE377C2, // pink
    };
    static constexpr SignalDash kDashes[] = {SignalDash::Solid, SignalDash::Dashed, SignalDash::Dotted};
    return {kPalette[slot % kSignalPaletteSize], kDashes[slot / kSignalPaletteSize % std::size(kDashes)]};
}

void AssignSignalSlots(const std::map<int, SignalLine>& lines, std::map<int, std::size_t>& lookOf)
{
    for (auto it = lookOf.begin(); it != lookOf.end();)
        it = lines.count(it->first) ? std::next(it) : lookOf.erase(it);
    std::vector<bool> taken;
    for (const auto& [satellite, slot] : lookOf) {
        if (slot >= taken.size())
            taken.resize(slot + 1);
        taken[slot] = true;
    }
    for (const auto& [satellite, line] : lines) {
        if (lookOf.count(satellite))
            continue;
        std::size_t slot = 0;
        while (slot < taken.size() && taken[slot])
            ++slot;
        if (slot >= taken.size())
            taken.resize(slot + 1);
        taken[slot] = true;
        lookOf[satellite] = slot;
    }
}
