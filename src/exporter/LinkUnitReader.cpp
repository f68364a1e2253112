#include "exporter/LinkUnitReader.h"

#include "fleet/FleetIdentity.h"
#include "fleet/FleetUnitReader.h"
#include "link/ComponentFactory.h"
#include "link/IRksLink.h"

namespace {

enum Reply : std::size_t { VersionReply, NamesReply, GpsReply, InstallReply, ConstellationReply, kReplies };

CDeviceMessage Request(std::initializer_list<std::uint8_t> bytes)
{
    CDeviceMessage message;
    for (const std::uint8_t byte : bytes)
        message.AppendByte(byte);
    return message;
}

} // namespace

std::vector<CDeviceMessage> UnitRequests()
{
    std::vector<CDeviceMessage> requests(kReplies);
    requests[VersionReply] = VersionBlockRequest();
    requests[NamesReply] = FirmwareNamesRequest();
    requests[GpsReply] = Request({0x83, 0x01, 0x12, 0x00, 0x00});
    requests[InstallReply] = Request({0x84, 0x03, 0x1B});
    requests[ConstellationReply] = Request({0x83, 0x13, 0x27, 0x00, 0x00});
    return requests;
}

SUnitReading DecodeUnitReplies(const SFleetUnitReplies& replies)
{
    SUnitReading reading;
    reading.reachable = replies.reachable;
    reading.error = replies.error;
    const auto reply = [&](Reply which) -> const CDeviceMessage* {
        return which < replies.replies.size() && replies.replies[which] ? &*replies.replies[which] : nullptr;
    };
    const auto note = [&](const char* what) {
        if (reading.error.empty())
            reading.error = std::string(what) + " not understood";
    };
    if (const CDeviceMessage* version = reply(VersionReply)) {
        if (const auto serial = SerialNumberOf(*version))
            reading.identity = SUnitIdentity{{}, {}, serial->toStdString()};
        else
            note("version block");
    }
    if (const CDeviceMessage* names = reply(NamesReply)) {
        if (const auto decoded = FirmwareNamesOf(*names))
            reading.firmware = SUnitFirmware{decoded->active.toStdString(), decoded->inactive.toStdString()};
        else
            note("firmware names");
    }
    return reading;
}

CLinkUnitReader::CLinkUnitReader() : requests_(UnitRequests()) {}

SUnitReading CLinkUnitReader::Read(const std::string& connection, Clock::time_point deadline)
{
    const std::unique_ptr<IRksLink> link = ComponentFactory<IRksLink>::Create(CLSID_RksLink);
    if (!link) {
        SUnitReading reading;
        reading.error = "no link available";
        return reading;
    }
    IRksLink* const interruptible = link.get();
    const std::uint64_t armed = watch_.Arm(deadline, [interruptible] { interruptible->Interrupt(); });
    const SFleetUnitReplies replies = ReadFleetUnit(*link, connection, requests_);
    watch_.Disarm(armed);
    return DecodeUnitReplies(replies);
}
