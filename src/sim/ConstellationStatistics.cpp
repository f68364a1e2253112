#include "sim/ConstellationStatistics.h"

#include "sim/UnitModel.h"

#include <QDate>
#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>

namespace sim {
namespace {

constexpr std::int64_t kDay = 86400;

std::int64_t DayIndex(std::int64_t t)
{
    return t >= 0 ? t / kDay : -((-t + kDay - 1) / kDay);
}

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

struct Shared {
    std::mutex lock;
    ConstellationOptions options;
    std::function<std::int64_t()> clock;
    std::map<const CUnitModel*, std::shared_ptr<CConstellationStatistics>> units;
    // Units whose statistics start alike have the same sky and so the same
    // statistics ever after: they share one copy, which keeps a fleet of
    // thousands of units small and quick to start.
    std::map<std::pair<std::int64_t, std::int64_t>, std::shared_ptr<CConstellationStatistics>> byStart;
};

Shared& State()
{
    static Shared shared;
    return shared;
}

std::int64_t Now(Shared& shared)
{
    return shared.clock ? shared.clock() : QDateTime::currentSecsSinceEpoch();
}

// The statistics of the unit, brought up to now; made on first use.
CConstellationStatistics& StatisticsOf(Shared& shared, const CUnitModel* unit)
{
    const std::int64_t now = Now(shared);
    auto& slot = shared.units[unit];
    if (!slot) {
        const ConstellationOptions& options = shared.options;
        const bool fromHistory = options.historyDays > 0;
        const std::int64_t start = fromHistory ? DayIndex(now) - options.historyDays : now;
        const std::int64_t fault = options.antennaFault && fromHistory ? DayIndex(now) : 0;
        auto& alike = shared.byStart[{start, fault}];
        if (!alike)
            alike = std::make_shared<CConstellationStatistics>(options, now);
        slot = alike;
    }
    slot->AdvanceTo(now);
    return *slot;
}

bool WellFormed(std::span<const std::uint8_t> request)
{
    return request.size() == 4 && request[2] == 0 && request[3] == 0;
}

void NegativeAck(std::vector<std::uint8_t>& reply)
{
    reply.push_back(kServiceReply);
    reply.push_back(kNegativeAck);
}

} // namespace

CConstellationStatistics::CConstellationStatistics(const ConstellationOptions& options, std::int64_t nowSeconds)
    : options_(options),
      sky_(options.skySeed, options.historyDays > 0 ? (DayIndex(nowSeconds) - options.historyDays) * kDay
                                                    : nowSeconds),
      collectedUntil_(options.historyDays > 0 ? (DayIndex(nowSeconds) - options.historyDays) * kDay : nowSeconds)
{
    if (options_.antennaFault && options_.historyDays > 0) {
        faultTo_ = DayIndex(nowSeconds) * kDay;
        faultFrom_ = faultTo_ - kDay;
    }
    if (!options_.fixedRecords)
        AdvanceTo(nowSeconds);
}

bool CConstellationStatistics::Faulty(std::int64_t t) const
{
    return t >= faultFrom_ && t < faultTo_;
}

CConstellationStatistics::Day& CConstellationStatistics::DayAt(std::int64_t dayIndex)
{
    if (days_.empty() || days_.back().index != dayIndex) {
        days_.push_back(Day{dayIndex, {}});
        if (days_.size() > kStatisticsDays + 1)
            days_.erase(days_.begin());
    }
    return days_.back();
}

void CConstellationStatistics::Add(std::int64_t from, std::int64_t to, int visible)
{
    Day& day = DayAt(DayIndex(from));
    day.seconds[std::size_t(std::clamp(visible, 0, kSatelliteCounts - 1))] += std::uint32_t(to - from);
}

void CConstellationStatistics::AdvanceTo(std::int64_t nowSeconds)
{
    if (options_.fixedRecords)
        return;
    std::int64_t t = collectedUntil_;
    while (t < nowSeconds) {
        std::int64_t next = std::min(nowSeconds, (DayIndex(t) + 1) * kDay);
        next = std::min(next, sky_.NextChangeAfter(t));
        if (t < faultFrom_)
            next = std::min(next, faultFrom_);
        else if (t < faultTo_)
            next = std::min(next, faultTo_);
        Add(t, next, Faulty(t) ? 0 : sky_.VisibleAt(t));
        t = next;
    }
    collectedUntil_ = std::max(collectedUntil_, nowSeconds);
    sky_.ForgetBefore(collectedUntil_);
}

std::array<DayRecord, kStatisticsDays> CConstellationStatistics::Records() const
{
    std::array<DayRecord, kStatisticsDays> records{};
    if (options_.fixedRecords) {
        const auto& fixed = *options_.fixedRecords;
        std::copy_n(fixed.begin(), std::min<std::size_t>(fixed.size(), kStatisticsDays), records.begin());
        return records;
    }
    const std::int64_t today = DayIndex(collectedUntil_);
    for (int i = 0; i < kStatisticsDays; ++i) {
        const std::int64_t index = today - kStatisticsDays + i;
        const auto it = std::find_if(days_.begin(), days_.end(), [index](const Day& d) { return d.index == index; });
        if (it == days_.end())
            continue;
        const QDate date = QDate(1970, 1, 1).addDays(index);
        records[std::size_t(i)] = {date.day(), date.month(), date.year(), it->seconds};
    }
    return records;
}

std::vector<std::uint8_t> CConstellationStatistics::RecordBytes() const
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(kStatisticsDays * kDayRecordBytes);
    for (const DayRecord& record : Records()) {
        for (std::uint32_t seconds : record.seconds)
            PutWord(bytes, seconds, 4);
        PutWord(bytes, std::uint32_t(record.day), 1);
        PutWord(bytes, std::uint32_t(record.month), 1);
        PutWord(bytes, std::uint32_t(record.year), 2);
    }
    return bytes;
}

bool LoadDayRecords(const QString& path, std::vector<DayRecord>& records, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    records.clear();
    int lineNumber = 0;
    while (!file.atEnd()) {
        ++lineNumber;
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList parts = line.split(u' ', Qt::SkipEmptyParts);
        const auto bad = [&](const char* why) {
            error = QStringLiteral("%1:%2: %3").arg(path).arg(lineNumber).arg(QLatin1String(why));
            return false;
        };
        if (parts.size() != 3 + kSatelliteCounts)
            return bad("expected DAY MONTH YEAR and 13 numbers of seconds");
        if (records.size() == kStatisticsDays)
            return bad("more than seven days");
        DayRecord record;
        bool ok = true;
        const uint day = parts[0].toUInt(&ok);
        bool okMonth = true, okYear = true;
        const uint month = parts[1].toUInt(&okMonth);
        const uint year = parts[2].toUInt(&okYear);
        if (!ok || !okMonth || !okYear || day > 255 || month > 255 || year > 65535)
            return bad("day and month must be 0..255, year 0..65535");
        record.day = int(day);
        record.month = int(month);
        record.year = int(year);
        for (int i = 0; i < kSatelliteCounts; ++i) {
            bool okSeconds = false;
            record.seconds[std::size_t(i)] = parts[3 + i].toUInt(&okSeconds);
            if (!okSeconds)
                return bad("seconds must be whole numbers up to 4294967295");
        }
        records.push_back(record);
    }
    return true;
}

void SetConstellationOptions(const ConstellationOptions& options)
{
    Shared& shared = State();
    std::lock_guard guard(shared.lock);
    shared.options = options;
    shared.units.clear();
    shared.byStart.clear();
}

ConstellationOptions DefaultConstellationOptions()
{
    Shared& shared = State();
    std::lock_guard guard(shared.lock);
    return shared.options;
}

void SetConstellationClock(std::function<std::int64_t()> clock)
{
    Shared& shared = State();
    std::lock_guard guard(shared.lock);
    shared.clock = std::move(clock);
}

void ForgetConstellationStatistics()
{
    Shared& shared = State();
    std::lock_guard guard(shared.lock);
    shared.units.clear();
    shared.byStart.clear();
}

// 0x53 0x66 0x00 0x00 -> 0x54 0x67 status, five reserved bytes, altitude,
// latitude, longitude (big-endian).
void AnswerPositionQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                         std::vector<std::uint8_t>& reply)
{
    if (!WellFormed(request))
        return NegativeAck(reply);
    Shared& shared = State();
    std::lock_guard guard(shared.lock);
    const ConstellationOptions& options = StatisticsOf(shared, unit).Options();
    reply.push_back(kServiceReply);
    reply.push_back(kOpPositionReply);
    reply.push_back(0);
    reply.insert(reply.end(), 5, 0);
    PutWord(reply, std::uint32_t(options.altitudeCm), 4);
    PutWord(reply, std::uint32_t(options.latitude), 4);
    PutWord(reply, std::uint32_t(options.longitude), 4);
}

// 0x53 0x82 0x00 0x00 -> 0x54 0x83 0x00 0x07 and seven 56-byte day records,
// oldest first.
void AnswerStatisticsQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                           std::vector<std::uint8_t>& reply)
{
    if (!WellFormed(request))
        return NegativeAck(reply);
    Shared& shared = State();
    std::lock_guard guard(shared.lock);
    const std::vector<std::uint8_t> records = StatisticsOf(shared, unit).RecordBytes();
    reply.push_back(kServiceReply);
    reply.push_back(kOpStatisticsReply);
    reply.push_back(0);
    reply.push_back(kStatisticsDays);
    reply.insert(reply.end(), records.begin(), records.end());
}

} // namespace sim
