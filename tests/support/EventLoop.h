#pragma once
// Running the event loop in tests until something has happened.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <functional>

// Processes events until the condition holds or the time is up; returns the condition.
inline bool PumpUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QDeadlineTimer deadline(timeoutMs);
    // At least one pass always runs: on a loaded machine the deadline may
    // already have passed before the first look at the queue.
    for (;;) {
        if (condition())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (deadline.hasExpired())
            return condition();
    }
}

// Processes events for a while (for checking that nothing arrives). A few
// passes run however loaded the machine is: a posted message often posts the
// next one (driver -> handler -> listener -> window).
inline void PumpFor(int ms)
{
    QDeadlineTimer deadline(ms);
    for (int pass = 0; pass < 4 || !deadline.hasExpired(); ++pass) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
