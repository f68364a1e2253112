#include "sim/InstallStatusReply.h"

#include "sim/GpsClock.h"

#include <QDate>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTime>

#include <algorithm>
#include <mutex>

namespace sim {
namespace {

struct Shared {
    std::mutex lock;
    InstallStatusOptions options;
    std::function<std::int64_t()> clock;
    QElapsedTimer sinceStart;
};

Shared& State()
{
    static Shared shared;
    return shared;
}

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

// The GPS clock's reading as milliseconds since 1970; 0 when it is no date.
std::uint64_t BusTimeNow()
{
    const GpsClockReading now = ReadGpsClock();
    const QDate date(now.year, now.month, now.day);
    const QTime time(now.hour, now.minute, now.second);
    if (!date.isValid() || !time.isValid())
        return 0;
    const qint64 ms = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    return ms > 0 ? std::uint64_t(ms) : 0;
}

} // namespace

std::vector<std::uint8_t> InstallStatusBytes(const InstallStatusOptions& options, std::int64_t elapsedSeconds,
                                             std::uint64_t busTimeMs)
{
    std::vector<std::uint8_t> out;
    out.push_back(options.selfTestFailure ? 1 : 0);

    const bool fixed = !options.noFix && elapsedSeconds >= options.fixAfterSeconds;
    std::uint32_t progress = 0;
    if (fixed) {
        const std::int64_t surveyed = elapsedSeconds - options.fixAfterSeconds;
        progress = options.surveySeconds <= 0
                       ? 100
                       : std::uint32_t(std::min<std::int64_t>(100, surveyed * 100 / options.surveySeconds));
    }
    out.push_back(fixed ? 0 : 1);
    out.push_back(progress >= 100 ? 1 : 0); // survey running, or position locked

    out.push_back(0); // clock output on
    std::uint8_t clockState = 1; // locked
    if (options.freeRunning || elapsedSeconds < options.adjustAfterSeconds)
        clockState = 2;
    else if (elapsedSeconds < options.lockAfterSeconds)
        clockState = 3;
    out.push_back(clockState);

    out.push_back(1); // bus transmission OK
    Put(out, busTimeMs, 8);
    Put(out, progress, 4);
    return out;
}

void SetInstallStatusOptions(const InstallStatusOptions& options)
{
    Shared& shared = State();
    const std::lock_guard guard(shared.lock);
    shared.options = options;
}

bool ReceiverNeverFixes()
{
    Shared& shared = State();
    const std::lock_guard guard(shared.lock);
    return shared.options.noFix;
}

void SetInstallStatusClock(std::function<std::int64_t()> elapsedSeconds)
{
    Shared& shared = State();
    const std::lock_guard guard(shared.lock);
    shared.clock = std::move(elapsedSeconds);
}

bool AnswerInstallStatusQuery(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply)
{
    if (request.size() != 2)
        return false;
    Shared& shared = State();
    std::vector<std::uint8_t> bytes;
    {
        const std::lock_guard guard(shared.lock);
        if (!shared.sinceStart.isValid())
            shared.sinceStart.start();
        const std::int64_t elapsed = shared.clock ? shared.clock() : shared.sinceStart.elapsed() / 1000;
        bytes = InstallStatusBytes(shared.options, elapsed, BusTimeNow());
    }
    reply.push_back(0x54);
    reply.push_back(kOpInstallStatusReply);
    reply.insert(reply.end(), bytes.begin(), bytes.end());
    return true;
}

} // namespace sim
