#include "commissioning/procedure/CommissionBlocks.h"

#include "data/system/UserData.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double kDegreeScale = 10'000'000.0;

void AppendUInt8(QByteArray& block, std::uint32_t value)
{
    block += static_cast<char>(value & 0xFF);
}

void AppendUInt16(QByteArray& block, std::uint32_t value)
{
    AppendUInt8(block, value >> 8);
    AppendUInt8(block, value);
}

void AppendUInt32(QByteArray& block, std::uint32_t value)
{
    AppendUInt16(block, value >> 16);
    AppendUInt16(block, value);
}

void AppendInt32(QByteArray& block, std::int32_t value)
{
    AppendUInt32(block, static_cast<std::uint32_t>(value));
}

void AppendZeros(QByteArray& block, int count)
{
    block.append(count, '\0');
}

void AppendText(QByteArray& block, const QByteArray& text)
{
    block += text;
    block += '\0';
}

} // namespace

QByteArray DottedTextField(const QString& text)
{
    QByteArray field = text.toLatin1();
    // An embedded zero would end the text there on the unit anyway.
    if (const qsizetype nul = field.indexOf('\0'); nul >= 0)
        field.truncate(nul);
    field.truncate(kDottedTextFieldSize - 1);
    field.append(kDottedTextFieldSize - field.size(), '\0');
    return field;
}

std::int32_t ScaledDegrees(double degrees)
{
    const double scaled = std::trunc(degrees * kDegreeScale);
    if (std::isnan(scaled))
        return 0;
    constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
    constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
    if (scaled <= kLowest)
        return std::numeric_limits<std::int32_t>::min();
    if (scaled >= kHighest)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(scaled);
}

std::uint8_t GpsModeByte(std::int32_t positionLocked, std::int32_t selfSurvey)
{
    if (positionLocked == 1)
        return 1;
    if (selfSurvey == 1)
        return 0;
    return 2;
}

QByteArray UserBlockDateText(std::int32_t year, std::int32_t month, std::int32_t day)
{
    return QString::asprintf("%04d/%02d/%02d", year, month, day).toLatin1();
}

QByteArray BuildCommissioningBlock(const SCommissioningBlockValues& v)
{
    QByteArray block;
    block.reserve(kCommissioningBlockSize);
    block += DottedTextField(v.ipAddress);      // 0
    block += DottedTextField(v.subnetMask);     // 16
    block += DottedTextField(v.gatewayAddress); // 32
    AppendUInt8(block, v.q1Relay);              // 48
    AppendUInt8(block, v.onePps);               // 49
    AppendZeros(block, 2);                      // 50
    AppendInt32(block, ScaledDegrees(v.latitude));  // 52
    AppendInt32(block, ScaledDegrees(v.longitude)); // 56
    AppendInt32(block, v.altitudeCm);               // 60
    AppendUInt8(block, GpsModeByte(v.positionLocked, v.selfSurvey)); // 64
    AppendZeros(block, 3);                                           // 65
    AppendInt32(block, v.gpsAntennaDelayNs);  // 68
    AppendUInt16(block, static_cast<std::uint32_t>(v.frameClockDelayNs)); // 72
    AppendUInt16(block, static_cast<std::uint32_t>(v.frameClockDelayNs)); // 74, the same again
    AppendUInt16(block, static_cast<std::uint32_t>(v.q1SpeedCode));       // 76
    AppendZeros(block, 2);                                                // 78
    AppendUInt16(block, static_cast<std::uint32_t>(v.q1Address));         // 80
    AppendZeros(block, 2);                                                // 82
    AppendUInt32(block, v.remote ? 1 : 0);                                // 84
    return block;
}

QByteArray BuildUserBlock(const SUserBlockValues& v)
{
    // The same byte form as the User Information dialog writes, so that it
    // shows the texts back as entered.
    const QByteArray name = UserText(UnitTextFromField(v.userName), CUserData::kMaxName);
    const QByteArray date = UserBlockDateText(v.year, v.month, v.day);
    const QByteArray comments = UserText(UnitTextFromField(v.comments), CUserData::kMaxComments);
    const QByteArray actions = UserText(UnitTextFromField(v.actions), CUserData::kMaxActions);
    QByteArray block;
    for (const QByteArray* text : {&name, &date, &comments, &actions})
        AppendUInt8(block, static_cast<std::uint32_t>(text->size() + 1));
    AppendText(block, name);
    AppendText(block, date);
    AppendText(block, comments);
    AppendText(block, actions);
    return block;
}
