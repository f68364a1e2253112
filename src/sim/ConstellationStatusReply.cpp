#include "sim/ConstellationStatusReply.h"

#include "sim/UnitModel.h"

#include <QByteArray>

#include <atomic>
#include <cstdlib>

namespace sim {
namespace {

constexpr int kNoOverride = -1;
constexpr int kOverrideUnread = -2;
std::atomic<int> verdictOverride{kOverrideUnread};

std::optional<std::uint8_t> VerdictOverride()
{
    int value = verdictOverride.load();
    if (value == kOverrideUnread) {
        bool ok = false;
        const int fromEnvironment = qEnvironmentVariable("QORA_SIM_CONSTELLATION_VERDICT").toInt(&ok);
        value = ok && fromEnvironment >= 0 && fromEnvironment <= 255 ? fromEnvironment : kNoOverride;
        int expected = kOverrideUnread;
        if (!verdictOverride.compare_exchange_strong(expected, value))
            value = expected;
    }
    if (value < 0)
        return std::nullopt;
    return std::uint8_t(value);
}

std::uint32_t Word(std::span<const std::uint8_t> bytes, std::size_t at)
{
    return std::uint32_t(bytes[at]) << 24 | std::uint32_t(bytes[at + 1]) << 16 | std::uint32_t(bytes[at + 2]) << 8 |
           std::uint32_t(bytes[at + 3]);
}

void PutWord(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(value >> shift));
}

// The unit's day records, taken from its answer to the seven-day statistics
// query so that both answers come from the same collection.
std::vector<DayRecord> DayRecordsOf(const CUnitModel* unit)
{
    const std::uint8_t query[] = {kServiceRequest, kOpStatisticsQuery, 0x00, 0x00};
    std::vector<std::uint8_t> answer;
    AnswerStatisticsQuery(unit, query, answer);
    std::vector<DayRecord> records;
    constexpr std::size_t kHeader = 4;
    if (answer.size() < kHeader || answer[1] != kOpStatisticsReply)
        return records;
    const std::span<const std::uint8_t> body = std::span<const std::uint8_t>(answer).subspan(kHeader);
    for (std::size_t at = 0; at + kDayRecordBytes <= body.size(); at += kDayRecordBytes) {
        DayRecord record;
        for (int n = 0; n < kSatelliteCounts; ++n)
            record.seconds[n] = Word(body, at + 4 * std::size_t(n));
        record.day = body[at + 52];
        record.month = body[at + 53];
        record.year = body[at + 54] << 8 | body[at + 55];
        records.push_back(record);
    }
    return records;
}

} // namespace

ConstellationStatus SummariseConstellation(std::span<const DayRecord> records)
{
    ConstellationStatus status;
    std::uint64_t total = 0, few = 0;
    for (const DayRecord& record : records) {
        for (int n = 0; n < kSatelliteCounts; ++n) {
            status.seconds[n] += record.seconds[n];
            total += record.seconds[n];
            if (n < 4)
                few += record.seconds[n];
        }
    }
    status.total = std::uint32_t(total);
    if (total < kVerdictMinimumSeconds)
        status.verdict = kVerdictInitialising;
    else if (few * 100 <= total)
        status.verdict = kVerdictGood;
    else if (few * 10 <= total)
        status.verdict = kVerdictSufficient;
    else
        status.verdict = kVerdictBad;
    return status;
}

void SetConstellationVerdictOverride(std::optional<std::uint8_t> verdict)
{
    verdictOverride.store(verdict ? int(*verdict) : kNoOverride);
}

void AnswerConstellationStatusQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                                    std::vector<std::uint8_t>& reply)
{
    if (request.size() != 4 || request[2] != 0 || request[3] != 0) {
        reply.push_back(kServiceReply);
        reply.push_back(kNegativeAck);
        return;
    }
    const std::vector<DayRecord> records = DayRecordsOf(unit);
    ConstellationStatus status = SummariseConstellation(records);
    if (const std::optional<std::uint8_t> verdict = VerdictOverride())
        status.verdict = *verdict;
    reply.push_back(kServiceReply);
    reply.push_back(kOpConstellationStatusReply);
    reply.push_back(0); // status: statistics follow
    reply.push_back(status.verdict);
    for (std::uint32_t seconds : status.seconds)
        PutWord(reply, seconds);
    PutWord(reply, status.total);
}

} // namespace sim
