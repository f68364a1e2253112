#include "link/ServiceFraming.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace ServiceFraming {
namespace {

using Pair = std::pair<std::uint8_t, std::uint8_t>; // internal, service

constexpr std::array kParameterPairs{Pair{0x12, 0x01}, Pair{0x13, 0x02}, Pair{0x05, 0x53}, Pair{0x06, 0x56},
                                     Pair{0x17, 0x54}, Pair{0x18, 0x57}, Pair{0x1B, 0x58}, Pair{0x1C, 0x59}};
constexpr std::array kStatusPairs{Pair{0x12, 0x66}, Pair{0x13, 0x67}, Pair{0x23, 0x65}, Pair{0x24, 0x69},
                                  Pair{0x27, 0x80}, Pair{0x28, 0x81}, Pair{0x25, 0x82}, Pair{0x26, 0x83}};
constexpr std::array kDownloadPairs{Pair{0x95, 0x95}, Pair{0x96, 0x96}, Pair{0x97, 0x97}};
constexpr std::array kUnitCommandPairs{Pair{0x36, 0x77}, Pair{0x37, 0x78}, Pair{0x38, 0x84}, Pair{0x39, 0x85}};

std::span<const Pair> PairsOf(std::uint8_t messageClass)
{
    switch (messageClass) {
    case 0x84: return kParameterPairs;
    case 0x83: return kStatusPairs;
    case 0x85: return kDownloadPairs;
    case 0x86: return kUnitCommandPairs;
    default: return {};
    }
}

} // namespace

std::uint8_t ToServiceOpcode(std::uint8_t messageClass, std::uint8_t opcode)
{
    for (const auto& [internal, service] : PairsOf(messageClass))
        if (internal == opcode)
            return service;
    return opcode;
}

std::uint8_t FromServiceOpcode(std::uint8_t messageClass, std::uint8_t serviceOpcode)
{
    for (const auto& [internal, service] : PairsOf(messageClass))
        if (service == serviceOpcode)
            return internal;
    return serviceOpcode;
}

std::optional<FramedRequest> FrameRequest(const CDeviceMessage& request,
                                          const std::optional<std::string>& downloadRoute)
{
    const std::int32_t length = request.GetLength();
    if (length < 3)
        return std::nullopt;
    const std::uint8_t* r = request.GetData();
    const std::uint8_t messageClass = r[0];
    const std::uint8_t opcode = r[2];
    auto tail = [&](std::int32_t from) {
        return from < length ? std::vector<std::uint8_t>(r + from, r + length) : std::vector<std::uint8_t>();
    };

    if (messageClass == 0x85) {
        if (opcode == kDownloadData)
            return FramedRequest{downloadRoute, tail(7)};
        if (opcode == kDownloadText)
            return FramedRequest{std::nullopt, tail(4)};
        return std::nullopt;
    }
    if (messageClass != 0x83 && messageClass != 0x84 && messageClass != 0x86)
        return std::nullopt;

    FramedRequest framed;
    framed.bytes.reserve(static_cast<std::size_t>(length - 1));
    framed.bytes.push_back(kRequestMark);
    framed.bytes.push_back(ToServiceOpcode(messageClass, opcode));
    framed.bytes.insert(framed.bytes.end(), r + 3, r + length);
    return framed;
}

std::unique_ptr<CDeviceMessage> FrameReply(std::uint8_t messageClass, std::uint8_t address, std::uint8_t opcode,
                                           std::span<const std::uint8_t> reply)
{
    if (reply.empty())
        return nullptr;
    auto message = std::make_unique<CDeviceMessage>();
    message->AppendByte(messageClass);
    message->AppendByte(address);
    const auto rest = [&](std::size_t from) {
        return from < reply.size() ? reply.subspan(from) : std::span<const std::uint8_t>();
    };
    auto appendSpan = [&](std::span<const std::uint8_t> bytes) {
        message->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    };

    if (reply[0] == kReplyMark) {
        if (reply.size() >= 2) {
            message->AppendByte(FromServiceOpcode(messageClass, reply[1]));
            appendSpan(rest(2));
        }
        return message;
    }
    if (opcode == kDownloadData) {
        message->AppendByte(kDownloadDataReply);
        message->AppendUInt16(static_cast<std::uint16_t>(reply.size()));
        message->AppendByte(kDownloadData);
        appendSpan(reply);
        return message;
    }
    if (opcode == kDownloadText) {
        message->AppendByte(kDownloadTextReply);
        appendSpan(reply);
        return message;
    }
    return nullptr;
}

std::int32_t PackedHeader(const CDeviceMessage& request)
{
    std::int32_t b0 = 0, b1 = 0, b2 = 0;
    request.GetByte(0, b0);
    request.GetByte(1, b1);
    request.GetByte(2, b2);
    return (b0 << 16) | (b1 << 8) | b2;
}

std::optional<std::string> ChooseDownloadRoute(const std::string& connection)
{
    const auto at = connection.find(",CH=");
    if (at == std::string::npos)
        return std::string(kLongDownloadRoute);
    if (at > 0)
        return std::string(kShortDownloadRoute);
    return std::nullopt;
}

std::string IdentityText(std::span<const std::uint8_t> reply)
{
    const auto end = std::find(reply.begin(), reply.end(), std::uint8_t{0});
    return std::string(reply.begin(), end);
}

std::string Trimmed(const std::string& text)
{
    const auto isSpace = [](unsigned char c) { return std::isspace(c) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), isSpace);
    auto last = std::find_if_not(text.rbegin(), std::string::const_reverse_iterator(first), isSpace).base();
    return std::string(first, last);
}

} // namespace ServiceFraming
