#include "platform/AutoResetEvent.h"

#include <gtest/gtest.h>

#include <thread>

using namespace std::chrono_literals;

TEST(AutoResetEvent, LowestSignalledIndexWinsAndOnlyItIsConsumed)
{
    CAutoResetEvent stop, commission, send;
    CAutoResetEvent* const events[] = {&stop, &commission, &send};
    send.Set();
    commission.Set();
    EXPECT_EQ(CAutoResetEvent::WaitAny(events, 0ms), 1);
    EXPECT_EQ(CAutoResetEvent::WaitAny(events, 0ms), 2);
    EXPECT_EQ(CAutoResetEvent::WaitAny(events, 0ms), -1);

    send.Set();
    stop.Set();
    EXPECT_EQ(CAutoResetEvent::WaitAny(events, 0ms), 0);
    EXPECT_TRUE(send.IsSet());
}

TEST(AutoResetEvent, SignalsDoNotCountUpAndTryConsumeResets)
{
    CAutoResetEvent event;
    event.Set();
    event.Set();
    EXPECT_TRUE(event.TryConsume());
    EXPECT_FALSE(event.TryConsume());
}

TEST(AutoResetEvent, WakesAWaitingThread)
{
    CAutoResetEvent a, b;
    CAutoResetEvent* const events[] = {&a, &b};
    int woke = -2;
    std::thread waiter([&] { woke = CAutoResetEvent::WaitAny(events, 5000ms); });
    std::this_thread::sleep_for(10ms);
    b.Set();
    waiter.join();
    EXPECT_EQ(woke, 1);
    EXPECT_FALSE(b.IsSet());
}
