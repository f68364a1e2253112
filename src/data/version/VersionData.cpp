#include "data/version/VersionData.h"

#include "data/UnitFacts.h"
#include "platform/MessageIds.h"

#include <array>

namespace {
// The block's fixed-width fields, in order.
constexpr std::array<int, 9> kWidths = {16, 12, 16, 20, 20, 20, 20, 20, 20};

// The characters from `offset` up to the first NUL, at most `width` of them.
QByteArray Field(const std::uint8_t* data, int width)
{
    int length = 0;
    while (length < width && data[length] != 0)
        ++length;
    return QByteArray(reinterpret_cast<const char*>(data), length);
}
} // namespace

CVersionData::CVersionData() : CDataClass(kAddress, {WM_VERSION_READ_DONE, 0})
{
    const std::uint16_t reads[] = {kVersionBlock};
    AddReadIds(reads);
}

bool CVersionData::Write()
{
    MutablePendingWrites().clear();
    return false;
}

bool CVersionData::SendNextWrite()
{
    return false;
}

bool CVersionData::StoreValue(std::uint16_t id, const Value& value)
{
    if (id != kVersionBlock)
        return true;
    // A block shorter than its fields would make us read beyond the reply.
    if (value.length < kBlockLength)
        return false;
    const std::uint8_t* data = value.message.GetData() + value.offset;
    std::array<QByteArray*, 9> fields = {&unitVersion_,  &hardwareVersion_, &serialNumber_,
                                         &fpgaActive_,   &fpgaInactive_,    &gpsActive_,
                                         &gpsInactive_,  &softwareActive_,  &softwareInactive_};
    int at = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        *fields[i] = Field(data + at, kWidths[i]);
        at += kWidths[i];
    }
    AppUnitFacts().serialNumber = UnitText(serialNumber_);
    return true;
}

bool CVersionData::AcceptReadStatus(std::uint16_t id, int)
{
    if (id != kVersionBlock)
        return false;
    for (QByteArray* field : {&unitVersion_, &hardwareVersion_, &serialNumber_, &fpgaActive_, &fpgaInactive_,
                              &gpsActive_, &gpsInactive_, &softwareActive_, &softwareInactive_})
        *field = kNotAvailable;
    return true;
}

QByteArray DisplaySerialNumber(const QByteArray& serial)
{
    if (serial.size() == 1 && static_cast<std::uint8_t>(serial[0]) == 0xFF)
        return QByteArrayLiteral("--");
    return serial;
}

QString UnitText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}
