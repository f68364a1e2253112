#include "fleet/FleetIdentity.h"

#include "data/version/VersionData.h"

namespace {

constexpr std::uint8_t kParameterClass = 0x84;
constexpr std::uint8_t kOpRead = 0x17;
constexpr std::uint8_t kOpReadReply = 0x18;
constexpr std::int32_t kReadIdOffset = 5;
constexpr std::int32_t kReadStatusOffset = 8;
constexpr std::int32_t kReadValueOffset = 9;
// Unit version (16) and hardware version (12) come before the serial number.
constexpr std::int32_t kSerialOffset = 28;
constexpr std::int32_t kSerialWidth = 16;

constexpr std::uint8_t kCommandClass = 0x86;
constexpr std::uint8_t kActivationAddress = 0x0C;
constexpr std::uint8_t kOpReadNames = 0x38;
constexpr std::uint8_t kOpNamesReply = 0x39;
constexpr std::int32_t kActiveStateOffset = 3;
constexpr std::int32_t kInactiveStateOffset = 4;
constexpr std::int32_t kActiveNameOffset = 5;
constexpr std::int32_t kInactiveNameOffset = 21;
constexpr std::int32_t kNameField = 16;
constexpr std::int32_t kNamePresent = 0;
constexpr std::int32_t kBankEmpty = 1;

bool Header(const CDeviceMessage& reply, std::uint8_t messageClass, std::uint8_t opcode)
{
    std::int32_t c = 0, o = 0;
    return reply.GetByte(0, c) && reply.GetByte(2, o) && c == messageClass && o == opcode;
}

// The bytes of a field up to its first zero byte (or its end).
std::optional<QByteArray> Field(const CDeviceMessage& reply, std::int32_t offset, std::int32_t width,
                                bool needsZero)
{
    QByteArray text;
    for (std::int32_t i = 0; i < width; ++i) {
        std::int32_t byte = 0;
        if (!reply.GetByte(offset + i, byte))
            return std::nullopt;
        if (byte == 0)
            return text;
        text.append(char(byte));
    }
    if (needsZero)
        return std::nullopt;
    return text;
}

std::optional<QString> Name(const CDeviceMessage& reply, std::int32_t state, std::int32_t offset)
{
    if (state == kBankEmpty)
        return QString();
    if (state != kNamePresent)
        return std::nullopt;
    const auto field = Field(reply, offset, kNameField, true);
    if (!field)
        return std::nullopt;
    return UnitText(*field).trimmed();
}

} // namespace

CDeviceMessage VersionBlockRequest()
{
    CDeviceMessage request;
    request.AppendByte(kParameterClass);
    request.AppendByte(CVersionData::kAddress);
    request.AppendByte(kOpRead);
    request.AppendByte(0x01);
    request.AppendByte(0x00);
    request.AppendUInt16(CVersionData::kVersionBlock);
    return request;
}

CDeviceMessage FirmwareNamesRequest()
{
    CDeviceMessage request;
    request.AppendByte(kCommandClass);
    request.AppendByte(kActivationAddress);
    request.AppendByte(kOpReadNames);
    request.AppendUInt16(0);
    return request;
}

std::optional<QString> SerialNumberOf(const CDeviceMessage& reply)
{
    std::int32_t id = 0, status = 0;
    if (!Header(reply, kParameterClass, kOpReadReply) || !reply.GetUInt16(kReadIdOffset, id)
        || id != CVersionData::kVersionBlock || !reply.GetByte(kReadStatusOffset, status) || status != 0
        || reply.GetLength() < kReadValueOffset + CVersionData::kBlockLength)
        return std::nullopt;
    const auto serial = Field(reply, kReadValueOffset + kSerialOffset, kSerialWidth, false);
    if (!serial)
        return std::nullopt;
    return UnitText(DisplaySerialNumber(*serial)).trimmed();
}

std::optional<SFirmwareNames> FirmwareNamesOf(const CDeviceMessage& reply)
{
    std::int32_t activeState = 0, inactiveState = 0;
    if (!Header(reply, kCommandClass, kOpNamesReply) || !reply.GetByte(kActiveStateOffset, activeState)
        || !reply.GetByte(kInactiveStateOffset, inactiveState))
        return std::nullopt;
    const auto active = Name(reply, activeState, kActiveNameOffset);
    const auto inactive = Name(reply, inactiveState, kInactiveNameOffset);
    if (!active || !inactive)
        return std::nullopt;
    return SFirmwareNames{*active, *inactive};
}
