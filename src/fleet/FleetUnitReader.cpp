#include "fleet/FleetUnitReader.h"

#include "link/ServiceFraming.h"
#include "platform/LogCategories.h"

#include <span>

namespace {

std::string Reason(const IRksLink& link, const char* fallback)
{
    const SLinkFailure failure = link.LastFailure();
    return failure.text.empty() ? std::string(fallback) : failure.text;
}

// The reply to one request, or nothing with the reason in `error`.
std::optional<CDeviceMessage> Exchange(IRksLink& link, const std::optional<std::string>& downloadRoute,
                                       const CDeviceMessage& request, std::string& error)
{
    std::int32_t messageClass = 0, address = 0, opcode = 0;
    const auto framed = ServiceFraming::FrameRequest(request, downloadRoute);
    if (!framed || !request.GetByte(0, messageClass) || !request.GetByte(1, address) || !request.GetByte(2, opcode)) {
        error = "request cannot be sent";
        return std::nullopt;
    }
    std::vector<std::uint8_t> reply;
    if (!link.Transfer(framed->route, framed->bytes, reply)) {
        error = Reason(link, "no answer");
        return std::nullopt;
    }
    const auto message = ServiceFraming::FrameReply(std::uint8_t(messageClass), std::uint8_t(address),
                                                    std::uint8_t(opcode), reply);
    if (!message) {
        error = "reply not understood";
        return std::nullopt;
    }
    return *message;
}

} // namespace

SFleetUnitReplies ReadFleetUnit(IRksLink& link, const std::string& connection,
                                const std::vector<CDeviceMessage>& requests)
{
    SFleetUnitReplies result;
    const Protocol::SConnection parsed = Protocol::ParseConnection(connection);
    const std::string& trimmed = parsed.text;
    if (!link.Open(trimmed)) {
        result.error = Reason(link, "cannot connect");
        qCWarning(lcLink, "fleet: \"%s\": %s", trimmed.c_str(), result.error.c_str());
        return result;
    }
    const std::uint8_t probe = ServiceFraming::kIdentityProbe;
    std::vector<std::uint8_t> identity;
    if (!link.Transfer(std::string(ServiceFraming::kIdentityRoute), std::span(&probe, 1), identity)) {
        result.error = Reason(link, "no answer to the identity probe");
    } else if (ServiceFraming::IdentityText(identity) != ServiceFraming::kQoraIdentity) {
        result.error = "not a QORA unit (" + ServiceFraming::IdentityText(identity) + ")";
    } else {
        result.reachable = true;
    }
    if (!result.reachable) {
        qCWarning(lcLink, "fleet: \"%s\": %s", trimmed.c_str(), result.error.c_str());
        link.Close();
        return result;
    }

    const auto downloadRoute = ServiceFraming::DownloadRoute(parsed);
    result.replies.reserve(requests.size());
    for (const CDeviceMessage& request : requests) {
        std::string error;
        result.replies.push_back(Exchange(link, downloadRoute, request, error));
        if (result.replies.back())
            continue;
        if (result.error.empty())
            result.error = error;
        // A unit that went quiet would only make every further request wait
        // out its time as well.
        if (link.LastFailure().Unanswered())
            break;
    }
    result.replies.resize(requests.size());
    link.Close();
    return result;
}
