#include "exporter/LinkUnitReader.h"

#include "fleet/FleetUnitReader.h"
#include "link/ComponentFactory.h"
#include "link/IRksLink.h"
#include "protocol/ConstellationStatistics.h"
#include "protocol/FirmwareNames.h"
#include "protocol/GpsStatus.h"
#include "protocol/InstallationStatus.h"
#include "protocol/VersionBlock.h"

namespace {

enum Reply : std::size_t { VersionReply, NamesReply, GpsReply, InstallReply, ConstellationReply, kReplies };

CDeviceMessage Request(const std::vector<std::uint8_t>& bytes)
{
    CDeviceMessage message;
    message.AppendBytes(bytes.data(), std::int32_t(bytes.size()));
    return message;
}

Protocol::Bytes BytesOf(const CDeviceMessage& message)
{
    return {message.GetData(), std::size_t(message.GetLength())};
}

// A unit's 8-bit text (Latin-1) as UTF-8, without blanks at either end: label
// values must be UTF-8.
std::string Utf8(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
        } else {
            out += char(0xC0 | (byte >> 6));
            out += char(0x80 | (byte & 0x3F));
        }
    }
    const std::size_t first = out.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<CDeviceMessage> UnitRequests()
{
    std::vector<CDeviceMessage> requests(kReplies);
    requests[VersionReply] = Request(Protocol::VersionBlockRequest());
    requests[NamesReply] = Request(Protocol::FirmwareNamesRequest());
    requests[GpsReply] = Request(Protocol::GpsStatusRequest());
    requests[InstallReply] = Request(Protocol::InstallStatusRequest());
    requests[ConstellationReply] = Request(Protocol::ConstellationStatisticsRequest());
    return requests;
}

SUnitReading DecodeUnitReplies(const SFleetUnitReplies& replies)
{
    SUnitReading reading;
    reading.reachable = replies.reachable;
    reading.error = replies.error;
    const auto reply = [&](Reply which) -> std::optional<Protocol::Bytes> {
        if (which < replies.replies.size() && replies.replies[which])
            return BytesOf(*replies.replies[which]);
        return std::nullopt;
    };
    const auto note = [&](const char* what) {
        if (reading.error.empty())
            reading.error = std::string(what) + " not understood";
    };
    if (const auto bytes = reply(VersionReply)) {
        if (const auto block = Protocol::VersionBlockReplyOf(*bytes))
            reading.identity = SUnitIdentity{Utf8(block->unitVersion), Utf8(block->hardwareVersion),
                                             Utf8(Protocol::DisplaySerialNumber(block->serialNumber))};
        else
            note("version block");
    }
    if (const auto bytes = reply(NamesReply)) {
        const auto names = Protocol::FirmwareNamesOf(*bytes);
        if (names && names->active && names->inactive)
            reading.firmware = SUnitFirmware{Utf8(*names->active), Utf8(*names->inactive)};
        else
            note("firmware names");
    }
    if (const auto bytes = reply(GpsReply)) {
        if (const auto status = Protocol::GpsStatusOf(*bytes)) {
            SUnitGps gps;
            for (std::size_t i = 0; i < gps.channels.size(); ++i)
                gps.channels[i] = {status->channels[i].satellite, status->channels[i].cno.value};
            gps.latitudeDegrees = status->latitude.InDegrees().value;
            gps.longitudeDegrees = status->longitude.InDegrees().value;
            gps.altitudeMeters = status->altitude.InMetres().value;
            reading.gps = gps;
        } else {
            note("GPS status");
        }
    }
    if (const auto bytes = reply(InstallReply)) {
        if (const auto status = Protocol::InstallationStatusOf(*bytes)) {
            SUnitInstall install;
            for (std::size_t row = 0; row < install.codes.size(); ++row)
                install.codes[row] = status->codes[row];
            install.q1TimeMs = status->busTime.value;
            install.surveyPercent = status->surveyPercent;
            reading.install = install;
        } else {
            note("installation status");
        }
    }
    if (const auto bytes = reply(ConstellationReply)) {
        if (const auto statistics = Protocol::ConstellationStatisticsOf(*bytes)) {
            SUnitConstellation constellation;
            constellation.verdict = statistics->verdict;
            constellation.secondsBySatellites = statistics->durations;
            constellation.totalSeconds = statistics->total;
            reading.constellation = constellation;
        } else {
            note("constellation statistics");
        }
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
