#include "platform/MessageTarget.h"

#include "platform/MessageEvent.h"
#include "platform/TimerScale.h"

#include <QTimerEvent>

#include <atomic>

namespace {
TargetSerial NextSerial()
{
    static std::atomic<TargetSerial> last{kNoRequester};
    return ++last;
}
} // namespace

CMessageTarget::CMessageTarget(QObject* parent) : QObject(parent), serial_(NextSerial()) {}

CMessageTarget::~CMessageTarget() = default;

MsgResult CMessageTarget::Send(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    const TargetSerial outer = deliveringFor_;
    deliveringFor_ = kNoRequester;
    const QPointer<CMessageTarget> alive(this); // a handler may end its own target
    const MsgResult result = OnMessage(message, wParam, lParam);
    if (alive)
        deliveringFor_ = outer;
    return result;
}

MsgResult CMessageTarget::OnMessage(unsigned, MsgWParam, MsgLParam)
{
    return 0;
}

void CMessageTarget::OnTimer(int) {}

void CMessageTarget::SetTimer(int timerId, int periodMs)
{
    KillTimer(timerId);
    const int qtId = startTimer(ScaledPeriod(periodMs < 0 ? 0 : periodMs), Qt::PreciseTimer);
    if (qtId != 0)
        timers_[timerId] = qtId;
}

void CMessageTarget::KillTimer(int timerId)
{
    auto it = timers_.find(timerId);
    if (it == timers_.end())
        return;
    killTimer(it->second);
    timers_.erase(it);
}

bool CMessageTarget::IsTimerRunning(int timerId) const
{
    return timers_.count(timerId) != 0;
}

bool CMessageTarget::event(QEvent* event)
{
    if (event->type() == CMessageEvent::Type()) {
        auto* message = static_cast<CMessageEvent*>(event);
        const MsgLParam lParam = message->TakeLParam();
        // Restored afterwards: a handler may deliver other messages itself.
        const TargetSerial outer = deliveringFor_;
        deliveringFor_ = message->Requester();
        const QPointer<CMessageTarget> alive(this); // a handler may end its own target
        OnMessage(message->Message(), message->WParam(), lParam);
        if (alive)
            deliveringFor_ = outer;
        return true;
    }
    return QObject::event(event);
}

void CMessageTarget::timerEvent(QTimerEvent* event)
{
    for (const auto& [ourId, qtId] : timers_) {
        if (qtId == event->timerId()) {
            OnTimer(ourId);
            return;
        }
    }
    QObject::timerEvent(event);
}
