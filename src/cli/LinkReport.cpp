#include "cli/LinkReport.h"

#include "link/CommHandler.h"

std::string CannotConnectText(const std::string& connection, const SLinkFailure& failure)
{
    if (failure.text.empty())
        return "cannot connect: " + connection;
    return "cannot connect: " + failure.text + " (connection string: " + connection + ")";
}

bool UnansweredRequest(const CCommHandler& handler, std::uint32_t header)
{
    const SLinkFailure failure = handler.LastFailure();
    return failure.Unanswered() && static_cast<std::uint32_t>(failure.request) == header;
}

bool ResetRefused(const std::vector<std::uint8_t>& reply)
{
    constexpr std::uint8_t kNegativeAck = Protocol::Op::kNegativeAck;
    constexpr std::size_t kStatusAt = 5; // 86 0D 37, the request's two bytes, status
    if (reply.size() < 3 || reply[2] == kNegativeAck)
        return true;
    return reply.size() > kStatusAt && reply[kStatusAt] != 0;
}
