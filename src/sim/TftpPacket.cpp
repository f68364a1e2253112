#include "sim/TftpPacket.h"

#include <algorithm>

namespace sim::tftp {
namespace {

void AppendWord(std::vector<std::uint8_t>& out, std::uint16_t value)
{
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

bool SameTextIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

} // namespace

std::uint16_t Opcode(std::span<const std::uint8_t> packet)
{
    return packet.size() < 2 ? 0 : std::uint16_t(packet[0] << 8 | packet[1]);
}

std::optional<std::string> WriteRequestFileName(std::span<const std::uint8_t> packet)
{
    if (Opcode(packet) != kOpWriteRequest)
        return std::nullopt;
    const auto rest = packet.subspan(2);
    const auto nameEnd = std::find(rest.begin(), rest.end(), std::uint8_t(0));
    if (nameEnd == rest.end() || nameEnd == rest.begin())
        return std::nullopt;
    const auto modeEnd = std::find(nameEnd + 1, rest.end(), std::uint8_t(0));
    if (modeEnd == rest.end())
        return std::nullopt;
    const std::string mode(nameEnd + 1, modeEnd);
    if (!SameTextIgnoringCase(mode, "octet"))
        return std::nullopt;
    return std::string(rest.begin(), nameEnd);
}

void AppendAck(std::vector<std::uint8_t>& out, std::uint16_t block)
{
    AppendWord(out, kOpAck);
    AppendWord(out, block);
}

void AppendError(std::vector<std::uint8_t>& out, std::uint16_t code, std::string_view text)
{
    AppendWord(out, kOpError);
    AppendWord(out, code);
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

} // namespace sim::tftp
