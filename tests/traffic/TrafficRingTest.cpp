#include "traffic/TrafficRing.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

STrafficExchange Numbered(std::uint8_t n)
{
    STrafficExchange exchange;
    exchange.req = {0x53, 0x54, n};
    exchange.timeMs = n;
    return exchange;
}

TEST(TrafficRing, KeepsTheNewestAndCountsTheOldestThatGaveWay)
{
    CTrafficRing ring(3);
    for (std::uint8_t n = 1; n <= 5; ++n)
        ring.Append(Numbered(n));
    EXPECT_EQ(ring.Size(), 3u);
    EXPECT_EQ(ring.Dropped(), 2u);
    EXPECT_EQ(ring.Appended(), 5u);
    EXPECT_EQ(ring.At(0)->timeMs, 3);
    EXPECT_EQ(ring.At(2)->timeMs, 5);
    EXPECT_FALSE(ring.At(3).has_value());
    EXPECT_EQ(ring.Snapshot().back(), Numbered(5));
    std::int64_t seen = 0;
    EXPECT_TRUE(ring.Read(1, [&seen](const STrafficExchange& e) { seen = e.timeMs; }));
    EXPECT_EQ(seen, 4);
    EXPECT_FALSE(ring.Read(3, [](const STrafficExchange&) { ADD_FAILURE(); }));

    // Shrinking drops the oldest; a capacity of 0 still holds the newest.
    ring.SetCapacity(0);
    EXPECT_EQ(ring.Capacity(), 1u);
    EXPECT_EQ(ring.Size(), 1u);
    EXPECT_EQ(ring.Dropped(), 4u);
    EXPECT_EQ(ring.At(0)->timeMs, 5);

    ring.Clear();
    EXPECT_EQ(ring.Size(), 0u);
    EXPECT_EQ(ring.Dropped(), 0u);
    EXPECT_FALSE(ring.At(0).has_value());
}

TEST(TrafficRing, DefaultHoldsAHundredThousand)
{
    CTrafficRing ring;
    EXPECT_EQ(ring.Capacity(), 100000u);
}

TEST(TrafficRing, AppendsFromSeveralThreadsWhileAReaderReadsLoseNothing)
{
    CTrafficRing ring(1000);
    constexpr int kWriters = 4;
    constexpr int kEach = 2000;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&ring, w] {
            for (int i = 0; i < kEach; ++i)
                ring.Append(Numbered(static_cast<std::uint8_t>(w)));
        });
    }
    std::size_t seen = 0;
    for (int i = 0; i < 2000; ++i) {
        const std::size_t size = ring.Size();
        if (size > 0 && ring.At(size - 1))
            ++seen;
        EXPECT_LE(size, 1000u);
    }
    for (auto& writer : writers)
        writer.join();
    EXPECT_EQ(ring.Size(), 1000u);
    EXPECT_EQ(ring.Appended(), std::uint64_t(kWriters * kEach));
    EXPECT_EQ(ring.Dropped() + ring.Size(), ring.Appended());
    (void)seen;
}

} // namespace
