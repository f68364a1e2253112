#include "sim/FirmwareActivation.h"

#include <string_view>

namespace sim {
namespace {

constexpr std::uint8_t kServiceReply = 0x54;
constexpr std::uint8_t kOpActivateReply = 0x78;
constexpr std::size_t kActivationFront = 3; // 0x53 0x77 n+1

} // namespace

bool IsResetRequest(std::span<const std::uint8_t> request)
{
    return request.size() == 4 && request[2] == 0 && request[3] == 0;
}

bool AnswerBankNames(const CFirmwareBanks& banks, std::span<const std::uint8_t> request,
                     std::vector<std::uint8_t>& reply)
{
    if (request.size() != 4 || request[2] != 0 || request[3] != 0)
        return false;
    reply.push_back(kServiceReply);
    reply.push_back(kOpReadBanksReply);
    banks.AppendNames(reply);
    return true;
}

std::optional<bool> AnswerActivation(CFirmwareBanks& banks, std::optional<std::uint16_t> forcedResult,
                                     std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply,
                                     bool swap)
{
    // The length byte counts the name and its zero byte, which ends the request.
    if (request.size() < kActivationFront + 1 || request[2] != request.size() - kActivationFront
        || request.back() != 0)
        return std::nullopt;
    const auto name = request.subspan(kActivationFront, request.size() - kActivationFront - 1);
    std::uint16_t result = 0;
    if (forcedResult && *forcedResult != 0) {
        result = *forcedResult;
    } else {
        const std::string_view asked(reinterpret_cast<const char*>(name.data()), name.size());
        result = swap ? banks.Activate(asked) : banks.ActivationResult(asked);
    }
    reply.push_back(kServiceReply);
    reply.push_back(kOpActivateReply);
    reply.push_back(std::uint8_t(result >> 8));
    reply.push_back(std::uint8_t(result));
    return result == 0;
}

} // namespace sim
