#pragma once
// The wait after a reset, second by second: how long until the retry time
// is up (the status bar counts it down) and when to try the unit again. The
// unit is tried every few seconds from the start of the wait, so that the
// tool reconnects as soon as the unit is back; the retry time stays the
// limit, and its expiry makes the last try. A unit may acknowledge its reset
// and go on answering with its old setup for a while: a unit that answers is
// taken as restarted only after a try found it gone (refused or unanswered),
// or once the retry time has passed. Widget-free and timer-free: the frame
// ticks it once a second.

#include <QString>

class CResetWait {
public:
    static constexpr int kPollSeconds = 3;

    // Starts a wait of `retrySeconds` (at least one second).
    void Start(int retrySeconds);
    void Stop() { running_ = false; }
    // One second passed; true when the unit is to be tried now.
    bool Tick();
    // A try was refused or unanswered, or the connection dropped: the unit
    // went down, so the next answer comes from the restarted unit.
    void UnitGone() { gone_ = running_ || gone_; }

    [[nodiscard]] bool Running() const { return running_; }
    [[nodiscard]] bool UnitSeenGone() const { return gone_; }
    [[nodiscard]] bool Expired() const { return running_ && elapsed_ >= limit_; }
    [[nodiscard]] int SecondsLeft() const { return running_ && elapsed_ < limit_ ? limit_ - elapsed_ : 0; }
    // "QORA restarting: reconnecting in 42 s"
    [[nodiscard]] QString CountdownText() const;

private:
    bool running_ = false;
    bool gone_ = false;
    int limit_ = 0;
    int elapsed_ = 0;
};
