#include "protocol/ConstellationStatistics.h"

#include "protocol/Vocabulary.h"

namespace Protocol {
namespace {
constexpr std::size_t kStatusAt = 3;
constexpr std::size_t kVerdictAt = 4;
constexpr std::size_t kDurationsAt = 5;
constexpr std::size_t kTotalAt = kDurationsAt + 4 * SConstellationStatistics::kRows;
} // namespace

std::vector<std::uint8_t> ConstellationStatisticsRequest()
{
    return {Class::kStatus, Address::kConstellationStatistics, Op::kConstellationStatistics, 0x00, 0x00};
}

Decoded DecodeConstellationStatistics(Bytes bytes, SConstellationStatistics& into)
{
    const CReplyReader reply(bytes);
    if (!reply.Header(Class::kStatus, Address::kConstellationStatistics, Op::kConstellationStatisticsReply))
        return Decoded::NotThisReply;
    const auto status = reply.Byte(kStatusAt), verdict = reply.Byte(kVerdictAt);
    if (!status || !verdict)
        return Decoded::NotThisReply;
    into.verdict = *verdict;
    if (*status != 0)
        return Decoded::Refused;
    for (std::size_t row = 0; row < SConstellationStatistics::kRows; ++row) {
        const auto duration = reply.Long(kDurationsAt + 4 * row);
        if (!duration)
            return Decoded::Cut;
        into.durations[row] = *duration;
    }
    const auto total = reply.Long(kTotalAt);
    if (!total)
        return Decoded::Cut;
    into.total = *total;
    return Decoded::Whole;
}

std::optional<SConstellationStatistics> ConstellationStatisticsOf(Bytes reply)
{
    return WholeRecordOf<SConstellationStatistics>(reply, DecodeConstellationStatistics);
}

} // namespace Protocol
