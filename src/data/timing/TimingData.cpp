#include "data/timing/TimingData.h"

#include "platform/FieldRange.h"
#include "platform/MessageIds.h"

namespace {
// A reply's big-endian word at `at` within its value.
std::int32_t Word(const CDeviceMessage& message, std::int32_t at)
{
    std::int32_t word = 0;
    message.GetUInt16(at, word);
    return word;
}
} // namespace

CClockTimingData::CClockTimingData()
    : CDataClass(kAddress, {WM_CLOCKTIMING_READ_DONE, WM_CLOCKTIMING_WRITE_DONE})
{
    const std::uint16_t ids[] = {kTimingId};
    AddReadIds(ids);
    AddWriteIds(ids);
}

bool CClockTimingData::StoreValue(std::uint16_t id, const Value& value)
{
    if (id != kTimingId)
        return true;
    // The three times are needed; the fourth word is the tool's own.
    if (value.length < 6)
        return false;
    fixLostAlarm_ = Word(value.message, value.offset);
    clocksOutAlarm_ = Word(value.message, value.offset + 2);
    clockDisable_ = Word(value.message, value.offset + 4);
    return true;
}

bool CClockTimingData::EncodeValue(std::uint16_t id, CDeviceMessage& value)
{
    if (id != kTimingId)
        return false;
    for (std::int32_t seconds : {fixLostAlarm_, clocksOutAlarm_, clockDisable_, kFourthWord}) {
        // A time beyond a word would reach the unit as another time.
        if (seconds < 0 || seconds > 0xFFFF)
            return false;
        value.AppendUInt16(static_cast<std::uint16_t>(seconds));
    }
    return true;
}

CRFData::CRFData() : CDataClass(kAddress, {WM_TIMECALC_READ_DONE, 0})
{
    const std::uint16_t ids[] = {kAntennaDelayId, kFrameClockDelayId};
    AddReadIds(ids);
}

bool CRFData::Read()
{
    if (!IsConnected())
        return false;
    if (GetOperationState() != kIdle)
        return true;
    return CDataClass::Read();
}

bool CRFData::Write()
{
    MutablePendingWrites().clear();
    return false;
}

bool CRFData::SendNextWrite()
{
    return false;
}

bool CRFData::StoreValue(std::uint16_t id, const Value& value)
{
    if (id == kAntennaDelayId) {
        if (value.length < 4)
            return false;
        std::uint32_t delay = 0;
        for (std::int32_t i = 0; i < 4; ++i) {
            std::int32_t byte = 0;
            value.message.GetByte(value.offset + i, byte);
            delay = (delay << 8) | static_cast<std::uint32_t>(byte);
        }
        antennaDelay_ = delay;
    } else if (id == kFrameClockDelayId) {
        if (value.length < 2)
            return false;
        frameClockDelay_ = static_cast<std::uint16_t>(Word(value.message, value.offset));
    }
    return true;
}

namespace clocktiming {

Taken TakeRows(const QString& fixLost, const QString& clocksOut, const QString& disable)
{
    Taken taken;
    const auto refuse = [&taken](Field field, const QString& message) {
        taken.refused = field;
        taken.message = message;
        return taken;
    };
    const auto first = TakeIntegerField(fixLost, 0, 0xFFFF);
    if (!first.Valid())
        return refuse(Field::FixLost, first.message);
    taken.rows.fixLost = *first.value;

    QString second = clocksOut.trimmed();
    if (second.startsWith(u'+'))
        second.remove(0, 1);
    const auto alarm = TakeIntegerField(second, kClocksOutMin, kClocksOutMax);
    if (!alarm.Valid())
        return refuse(Field::ClocksOut, alarm.message);
    taken.rows.clocksOut = *alarm.value;

    const auto third = TakeIntegerField(disable, kDisableMin, kDisableMax);
    if (!third.Valid())
        return refuse(Field::Disable, third.message);
    taken.rows.disable = *third.value;
    return taken;
}

bool ClocksOutBeforeFixLost(const Rows& rows)
{
    return rows.clocksOut < rows.fixLost;
}

QString ClocksOutBeforeFixLostWarning(std::int32_t fixLostSeconds)
{
    return QStringLiteral("The clocks out alarm cannot come before the fix lost alarm.\n\n"
                          "Enter a time from fix lost to clocks out alarm of at least %1 s.")
        .arg(fixLostSeconds);
}

} // namespace clocktiming
