#include "fleet/FleetIdentity.h"

#include "data/version/VersionData.h"
#include "protocol/FirmwareNames.h"
#include "protocol/VersionBlock.h"

namespace {
QString Shown(const std::string& text)
{
    return UnitText(QByteArray::fromStdString(text)).trimmed();
}
} // namespace

CDeviceMessage VersionBlockRequest()
{
    return CDeviceMessage::Of(Protocol::VersionBlockRequest());
}

CDeviceMessage FirmwareNamesRequest()
{
    return CDeviceMessage::Of(Protocol::FirmwareNamesRequest());
}

std::optional<QString> SerialNumberOf(const CDeviceMessage& reply)
{
    const auto block = Protocol::VersionBlockReplyOf(reply.Bytes());
    if (!block)
        return std::nullopt;
    return Shown(Protocol::DisplaySerialNumber(block->serialNumber));
}

std::optional<SFirmwareNames> FirmwareNamesOf(const CDeviceMessage& reply)
{
    const auto names = Protocol::FirmwareNamesOf(reply.Bytes());
    // A bank whose state tells nothing is no answer for a sweep.
    if (!names || !names->active || !names->inactive)
        return std::nullopt;
    return SFirmwareNames{Shown(*names->active), Shown(*names->inactive)};
}
