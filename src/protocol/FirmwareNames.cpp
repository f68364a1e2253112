#include "protocol/FirmwareNames.h"

#include "protocol/Vocabulary.h"

namespace Protocol {
namespace {
constexpr std::size_t kActiveStateAt = 3;
constexpr std::size_t kInactiveStateAt = 4;
constexpr std::size_t kResultAt = 3;
constexpr std::uint8_t kNamePresent = 0;
constexpr std::uint8_t kBankEmpty = 1;
constexpr std::size_t kMaxActivateName = 0xFE;

// false: the reply is malformed.
bool ReadName(const CReplyReader& reply, std::uint8_t state, std::size_t at, std::optional<std::string>& name)
{
    if (state == kBankEmpty) {
        name = std::string();
        return true;
    }
    if (state != kNamePresent)
        return true; // says nothing about the bank
    std::string text;
    for (std::size_t i = 0; i < SFirmwareNames::kNameField; ++i) {
        const auto byte = reply.Byte(at + i);
        if (!byte)
            return false;
        if (*byte == 0) {
            name = text;
            return true;
        }
        text.push_back(static_cast<char>(*byte));
    }
    return false; // no terminator within the field
}
} // namespace

std::vector<std::uint8_t> FirmwareNamesRequest()
{
    return {Class::kUnitCommand, Address::kActivation, Op::kReadFirmwareNames, 0x00, 0x00};
}

std::optional<SFirmwareNames> FirmwareNamesOf(Bytes bytes)
{
    const CReplyReader reply(bytes);
    // The addressing byte is not checked: the unit's command replies are told
    // apart by their opcode.
    if (bytes.size() < 3 || bytes[0] != Class::kUnitCommand || bytes[2] != Op::kFirmwareNamesReply)
        return std::nullopt;
    const auto activeState = reply.Byte(kActiveStateAt), inactiveState = reply.Byte(kInactiveStateAt);
    if (!activeState || !inactiveState)
        return std::nullopt;
    SFirmwareNames names;
    if (!ReadName(reply, *activeState, SFirmwareNames::kActiveNameAt, names.active) ||
        !ReadName(reply, *inactiveState, SFirmwareNames::kInactiveNameAt, names.inactive))
        return std::nullopt;
    return names;
}

std::optional<std::vector<std::uint8_t>> ActivateRequest(const std::string& name)
{
    if (name.size() > kMaxActivateName)
        return std::nullopt;
    std::vector<std::uint8_t> request{Class::kUnitCommand, Address::kActivation, Op::kActivate,
                                      static_cast<std::uint8_t>(name.size() + 1)};
    request.insert(request.end(), name.begin(), name.end());
    request.push_back(0);
    return request;
}

std::optional<std::uint16_t> ActivateResultOf(Bytes bytes)
{
    const CReplyReader reply(bytes);
    if (bytes.size() < 3 || bytes[0] != Class::kUnitCommand || bytes[2] != Op::kActivateReply)
        return std::nullopt;
    return reply.Word(kResultAt);
}

std::vector<std::uint8_t> ResetRequest()
{
    return {Class::kUnitCommand, Address::kReset, Op::kActivate, 0x00, 0x00};
}

} // namespace Protocol
