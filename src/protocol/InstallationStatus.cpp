#include "protocol/InstallationStatus.h"

#include "protocol/Vocabulary.h"

namespace Protocol {
namespace {
constexpr std::size_t kSelfTestsAt = 3;
constexpr std::size_t kGpsFixAt = 4;
constexpr std::size_t kGpsFixDetailAt = 5;
constexpr std::size_t kClockOutputAt = 6;
constexpr std::size_t kClockStateAt = 7;
constexpr std::size_t kTransmissionAt = 8;
constexpr std::size_t kBusTimeAt = 9;
constexpr std::size_t kSurveyAt = 17;

using S = SInstallationStatus;
} // namespace

std::vector<std::uint8_t> InstallStatusRequest()
{
    return {Class::kParameter, Address::kInstallStatus, Op::kInstallStatus};
}

Decoded DecodeInstallationStatus(Bytes bytes, SInstallationStatus& into)
{
    const CReplyReader reply(bytes);
    if (!reply.Header(Class::kParameter, Address::kInstallStatus, Op::kInstallStatusReply))
        return Decoded::NotThisReply;

    const auto selfTests = reply.Byte(kSelfTestsAt);
    if (!selfTests)
        return Decoded::Cut;
    into.codes[S::SelfTests] = *selfTests == 0 ? S::Ok : *selfTests == 1 ? S::NotOk : S::Unset;

    // The fix and its detail are read together.
    const auto fix = reply.Byte(kGpsFixAt), detail = reply.Byte(kGpsFixDetailAt);
    if (!fix || !detail)
        return Decoded::Cut;
    if (*fix == 1)
        into.codes[S::GpsFix] = S::NotOk;
    else if (*fix == 0)
        into.codes[S::GpsFix] = *detail == 0 ? S::OkSurvey : *detail == 1 ? S::OkLocked : S::Ok;
    else
        into.codes[S::GpsFix] = S::Unset;

    const auto output = reply.Byte(kClockOutputAt);
    if (!output)
        return Decoded::Cut;
    into.codes[S::ClockOutput] = *output == 0 ? S::On : *output == 1 ? S::Off : S::Unset;

    const auto clock = reply.Byte(kClockStateAt);
    if (!clock)
        return Decoded::Cut;
    static constexpr std::uint16_t kClockStates[] = {S::Unknown, S::PllLocked, S::FreeRunning, S::Adjusting};
    into.codes[S::ClockState] = *clock < 4 ? kClockStates[*clock] : std::uint16_t(S::Unset);

    const auto transmission = reply.Byte(kTransmissionAt);
    if (!transmission)
        return Decoded::Cut;
    into.codes[S::Transmission] = *transmission == 0 ? S::Unknown : *transmission == 1 ? S::OkAddress : S::Unset;

    const auto busTime = reply.Quad(kBusTimeAt);
    if (!busTime)
        return Decoded::Cut;
    into.busTime.value = *busTime;
    into.codes[S::BusTime] = *busTime > S::kEarliestBusTimeMs ? S::BusDate : S::Unknown;

    const auto survey = reply.Long(kSurveyAt);
    if (!survey)
        return Decoded::Cut;
    into.surveyPercent = *survey;
    return Decoded::Whole;
}

std::optional<SInstallationStatus> InstallationStatusOf(Bytes reply)
{
    return WholeRecordOf<SInstallationStatus>(reply, DecodeInstallationStatus);
}

} // namespace Protocol
