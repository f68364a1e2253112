#include "data/system/SystemData.h"

#include "platform/MessageIds.h"

namespace {
// 0xC002: one byte the tool does not use, then the two offsets.
constexpr std::int32_t kFrameNumberAt = 1;
constexpr std::int32_t kTimeSlotAt = 2;
// 0xB002: last-device option, 1PPS option; both are taken only from a value
// of at least three bytes (older units answer shorter).
constexpr std::int32_t kBusOptionsMinLength = 3;
} // namespace

CSystemData::CSystemData() : CDataClass(kAddress, {WM_SYSTEM_READ_DONE, WM_SYSTEM_WRITE_DONE})
{
    const std::uint16_t reads[] = {kOffsetsId, kBusOptionsId};
    AddReadIds(reads);
    const std::uint16_t writes[] = {kBusOptionsId};
    AddWriteIds(writes);
}

bool CSystemData::Read()
{
    if (!IsConnected())
        return false;
    if (GetOperationState() != kIdle)
        return true;
    return CDataClass::Read();
}

bool CSystemData::StoreValue(std::uint16_t id, const Value& value)
{
    const CDeviceMessage& m = value.message;
    if (id == kOffsetsId) {
        // A short value leaves what it does not hold.
        if (value.length > kFrameNumberAt)
            m.GetByte(value.offset + kFrameNumberAt, frameNumberOffset_);
        if (value.length > kTimeSlotAt)
            m.GetByte(value.offset + kTimeSlotAt, timeSlotOffset_);
    } else if (id == kBusOptionsId && value.length >= kBusOptionsMinLength) {
        m.GetByte(value.offset, lastDevice_);
        m.GetByte(value.offset + 1, onePps_);
    }
    return true;
}

bool CSystemData::EncodeValue(std::uint16_t id, CDeviceMessage& value)
{
    if (id != kBusOptionsId)
        return false;
    return value.AppendByte(static_cast<std::uint8_t>(lastDevice_));
}

QString FrameNumberOffsetText(const CSystemData& system)
{
    if (system.GetFrameNumberOffset() == CSystemData::kNoOffset)
        return QStringLiteral("N/A");
    return QString::number(system.GetFrameNumberOffset());
}

QString TimeSlotOffsetText(const CSystemData& system)
{
    if (system.GetFrameNumberOffset() == CSystemData::kNoOffset)
        return QStringLiteral("N/A");
    return QString::number(system.GetTimeSlotOffset());
}
