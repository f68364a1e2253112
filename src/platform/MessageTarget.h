#pragma once
// A window-message target: something that receives numbered messages with two
// word-sized arguments, posted (queued, from any thread) or sent (direct call on
// the UI thread), and runs timers identified by small numbers of its own.

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <map>

using MsgWParam = quintptr;
using MsgLParam = qintptr;
using MsgResult = qintptr;

// Names one target for the whole run: unlike its address, a serial is never
// given to another target after this one is gone.
using TargetSerial = std::uint64_t;
inline constexpr TargetSerial kNoRequester = 0;

class CMessageTarget : public QObject {
    Q_OBJECT
public:
    explicit CMessageTarget(QObject* parent = nullptr);
    ~CMessageTarget() override;

    // Delivers the message at once, in the caller's thread (which must be the
    // target's own thread).
    MsgResult Send(unsigned message, MsgWParam wParam, MsgLParam lParam);

    // Starts (or restarts with a new period) the timer with this id.
    void SetTimer(int timerId, int periodMs);
    void KillTimer(int timerId);
    [[nodiscard]] bool IsTimerRunning(int timerId) const;

    [[nodiscard]] TargetSerial Serial() const { return serial_; }
    // While a posted message is being delivered: the target whose request it
    // reports on, or kNoRequester (also for sent messages and outside delivery).
    [[nodiscard]] TargetSerial DeliveringFor() const { return deliveringFor_; }

protected:
    virtual MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam);
    virtual void OnTimer(int timerId);

    bool event(QEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    std::map<int, int> timers_; // our timer id -> Qt's timer id
    const TargetSerial serial_;
    TargetSerial deliveringFor_ = kNoRequester;
};

using TargetPtr = QPointer<CMessageTarget>;
