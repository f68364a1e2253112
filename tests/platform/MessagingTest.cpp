#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Counts live instances so a test can see whether a payload was freed.
struct Payload {
    static inline int alive = 0;
    Payload() { ++alive; }
    ~Payload() { --alive; }
};

class OwningTarget : public CMessageTarget {
public:
    std::unique_ptr<Payload> kept;

protected:
    MsgResult OnMessage(unsigned, MsgWParam, MsgLParam lParam) override
    {
        kept.reset(reinterpret_cast<Payload*>(lParam));
        return 0;
    }
};

TEST(Posting, DeliveredPayloadBelongsToTheReceiver)
{
    Payload::alive = 0;
    OwningTarget target;
    ASSERT_TRUE(PostOwnedMessage(TargetPtr(&target), WM_DEVICE_MESSAGE, 1, std::make_unique<Payload>()));
    EXPECT_EQ(Payload::alive, 1);
    ASSERT_TRUE(PumpUntil([&] { return target.kept != nullptr; }));
    EXPECT_EQ(Payload::alive, 1);
    target.kept.reset();
    EXPECT_EQ(Payload::alive, 0);
}

TEST(Posting, PayloadOfATargetThatDiedIsFreed)
{
    Payload::alive = 0;
    auto* target = new OwningTarget;
    TargetPtr pointer(target);
    PostOwnedMessage(pointer, WM_DEVICE_MESSAGE, 1, std::make_unique<Payload>());
    delete target; // the queued event goes with it
    EXPECT_EQ(Payload::alive, 0);
    EXPECT_FALSE(PostOwnedMessage(pointer, WM_DEVICE_MESSAGE, 1, std::make_unique<Payload>()));
    EXPECT_EQ(Payload::alive, 0);
    EXPECT_FALSE(PostMessageTo(pointer, WM_CONNECTION_EVENT, 0, 0));
}

TEST(Posting, MessagesArriveInOrderWithTheirArguments)
{
    MessageRecorder recorder;
    PostMessageTo(&recorder, WM_CONNECTION_EVENT, 3, 0);
    PostMessageTo(&recorder, WM_DEVICE_MESSAGE, 0, 0x841217);
    EXPECT_EQ(recorder.Send(WM_CONNECTION_EVENT, 7, 0), 0);
    ASSERT_TRUE(PumpUntil([&] { return recorder.received.size() == 3; }));
    // Sending is immediate; posting waits for the event loop.
    EXPECT_EQ(recorder.received[0].wParam, 7u);
    EXPECT_EQ(recorder.received[1].wParam, 3u);
    EXPECT_EQ(recorder.received[2].message, WM_DEVICE_MESSAGE);
    EXPECT_EQ(recorder.received[2].lParam, 0x841217);
}

class TimerCounter : public CMessageTarget {
public:
    std::vector<int> fired;

protected:
    void OnTimer(int timerId) override { fired.push_back(timerId); }
};

TEST(Timers, KeyedByIdRestartableAndKillable)
{
    TimerCounter target;
    target.SetTimer(5, 1);
    target.SetTimer(9, 1);
    target.SetTimer(5, 1); // restarting replaces, never duplicates
    ASSERT_TRUE(PumpUntil([&] {
        return std::count(target.fired.begin(), target.fired.end(), 5) >= 2 &&
               std::count(target.fired.begin(), target.fired.end(), 9) >= 2;
    }));
    target.KillTimer(5);
    target.KillTimer(9);
    target.KillTimer(42); // unknown ids are ignored
    EXPECT_FALSE(target.IsTimerRunning(5));
    const auto count = target.fired.size();
    PumpFor(30);
    EXPECT_EQ(target.fired.size(), count);
}

} // namespace

namespace {

// Records which request each message it hears is about; a message numbered 0
// makes it end itself in the handler.
class RequesterProbe : public CMessageTarget {
public:
    explicit RequesterProbe(std::vector<TargetSerial>& heard) : heard_(heard) {}

protected:
    MsgResult OnMessage(unsigned message, MsgWParam, MsgLParam) override
    {
        heard_.push_back(DeliveringFor());
        if (message == 0)
            delete this;
        return 0;
    }

private:
    std::vector<TargetSerial>& heard_;
};

TEST(Posting, APostedNoticeNamesItsRequesterOnlyWhileItIsDelivered)
{
    std::vector<TargetSerial> heard;
    auto* probe = new RequesterProbe(heard);
    MessageRecorder other;
    EXPECT_NE(probe->Serial(), other.Serial());
    PostMessageTo(probe, WM_DEVICE_MESSAGE, 0, 0x841217, other.Serial());
    PostMessageTo(probe, WM_DEVICE_MESSAGE, 0, 0x841217);
    PumpFor(5);
    probe->Send(WM_DEVICE_MESSAGE, 0, 0x841217);
    EXPECT_EQ(heard, (std::vector<TargetSerial>{other.Serial(), kNoRequester, kNoRequester}));
    EXPECT_EQ(probe->DeliveringFor(), kNoRequester);

    // A handler that ends its own target leaves nothing behind to touch.
    PostMessageTo(probe, 0, 0, 0, other.Serial());
    PumpFor(5);
    EXPECT_EQ(heard.size(), 4u);
}

} // namespace
