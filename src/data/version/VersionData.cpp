#include "data/version/VersionData.h"

#include "data/UnitFacts.h"
#include "platform/MessageIds.h"
#include "protocol/VersionBlock.h"

#include <array>


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
    // A block shorter than its fields is malformed.
    if (value.offset < 0 || value.length < 0 || value.offset + value.length > value.message.GetLength())
        return false;
    const auto block = Protocol::VersionBlockOf(
        value.message.Bytes().subspan(std::size_t(value.offset), std::size_t(value.length)));
    if (!block)
        return false;
    unitVersion_ = QByteArray::fromStdString(block->unitVersion);
    hardwareVersion_ = QByteArray::fromStdString(block->hardwareVersion);
    serialNumber_ = QByteArray::fromStdString(block->serialNumber);
    fpgaActive_ = QByteArray::fromStdString(block->fpgaActive);
    fpgaInactive_ = QByteArray::fromStdString(block->fpgaInactive);
    gpsActive_ = QByteArray::fromStdString(block->gpsActive);
    gpsInactive_ = QByteArray::fromStdString(block->gpsInactive);
    softwareActive_ = QByteArray::fromStdString(block->softwareActive);
    softwareInactive_ = QByteArray::fromStdString(block->softwareInactive);
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
    return QByteArray::fromStdString(Protocol::DisplaySerialNumber(serial.toStdString()));
}

QString UnitText(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}
