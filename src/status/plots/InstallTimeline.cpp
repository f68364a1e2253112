#include "status/plots/InstallTimeline.h"

#include <QDateTime>

#include <algorithm>

namespace {

QString TimeOfDay(std::int64_t ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).toString(QStringLiteral("HH:mm:ss"));
}

} // namespace

InstallTimeline BuildInstallTimeline(const std::deque<SInstallationSample>& samples)
{
    InstallTimeline timeline;
    // Each row's text in the newest sample of its stretch, trimmed once the stretch ends.
    std::array<const QString*, CInstallStatusView::kRowCount> last{};
    bool first = true;
    for (const SInstallationSample& sample : samples) {
        const bool newRun = first || sample.afterGap;
        first = false;
        for (int row = 0; row < CInstallStatusView::kRowCount; ++row) {
            auto& bands = timeline.bands[std::size_t(row)];
            const std::uint16_t code = sample.codes[std::size_t(row)];
            // The bus time's text and the survey's percentage move with every
            // sample: only a change of code is a change of the row.
            if (!newRun && !bands.empty() && bands.back().code == code) {
                bands.back().toMs = sample.timeMs;
                last[std::size_t(row)] = &sample.texts[std::size_t(row)];
                continue;
            }
            if (!bands.empty())
                bands.back().lastText = last[std::size_t(row)]->trimmed();
            const QString text = sample.texts[std::size_t(row)].trimmed();
            last[std::size_t(row)] = &sample.texts[std::size_t(row)];
            const QString from = newRun || bands.empty() ? QString() : bands.back().lastText;
            bands.push_back({sample.timeMs, sample.timeMs, code, text, text});
            timeline.changes.push_back({sample.timeMs, row, from, text, code});
        }
        if (newRun)
            timeline.lock = LockTime{sample.timeMs, std::nullopt, false, sample.timeMs};
        LockTime& lock = *timeline.lock;
        lock.lastMs = sample.timeMs;
        if (!lock.lockedMs && sample.codes[CInstallStatusView::ClockState] == CInstallStatusView::PllLocked) {
            lock.lockedMs = sample.timeMs;
            lock.lockedAtStart = newRun;
        }
    }
    for (int row = 0; row < CInstallStatusView::kRowCount; ++row)
        if (!timeline.bands[std::size_t(row)].empty())
            timeline.bands[std::size_t(row)].back().lastText = last[std::size_t(row)]->trimmed();
    return timeline;
}

QString DurationText(std::int64_t milliseconds)
{
    const std::int64_t seconds = std::max<std::int64_t>(0, milliseconds) / 1000;
    const std::int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1 h %2 min %3 s").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
    if (m > 0)
        return QStringLiteral("%1 min %2 s").arg(m).arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1 s").arg(s);
}

QString LockTimeText(const std::optional<LockTime>& lock)
{
    // Measured from the first status the tool received: when the unit was
    // powered up is not known to it.
    if (!lock)
        return QStringLiteral("PLL lock: no installation status received yet");
    if (lock->lockedAtStart)
        return QStringLiteral("PLL already locked at the first status at %1 UTC").arg(TimeOfDay(lock->runStartMs));
    if (lock->lockedMs)
        return QStringLiteral("PLL locked %1 after the first status at %2 UTC (locked at %3 UTC)")
            .arg(DurationText(*lock->lockedMs - lock->runStartMs), TimeOfDay(lock->runStartMs),
                 TimeOfDay(*lock->lockedMs));
    return QStringLiteral("PLL not locked yet, %1 after the first status at %2 UTC")
        .arg(DurationText(lock->lastMs - lock->runStartMs), TimeOfDay(lock->runStartMs));
}
