#include "link/ServiceFraming.h"

#include "protocol/Vocabulary.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace ServiceFraming {
std::uint8_t ToServiceOpcode(std::uint8_t messageClass, std::uint8_t opcode)
{
    return Protocol::ServiceOpcode(messageClass, opcode);
}

std::uint8_t FromServiceOpcode(std::uint8_t messageClass, std::uint8_t serviceOpcode)
{
    return Protocol::InternalOpcode(messageClass, serviceOpcode);
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

    if (messageClass == Protocol::Class::kDownload) {
        if (opcode == kDownloadData)
            return FramedRequest{downloadRoute, tail(7)};
        if (opcode == kDownloadText)
            return FramedRequest{std::nullopt, tail(4)};
        return std::nullopt;
    }
    if (messageClass != Protocol::Class::kStatus && messageClass != Protocol::Class::kParameter &&
        messageClass != Protocol::Class::kUnitCommand)
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
    return DownloadRoute(Protocol::ParseConnection(connection));
}

std::optional<std::string> DownloadRoute(const Protocol::SConnection& connection)
{
    // A unit on a channel of its own takes download data on the short route.
    return std::string(connection.channel ? kShortDownloadRoute : kLongDownloadRoute);
}

std::string IdentityText(std::span<const std::uint8_t> reply)
{
    const auto end = std::find(reply.begin(), reply.end(), std::uint8_t{0});
    return std::string(reply.begin(), end);
}

std::string Trimmed(const std::string& text)
{
    return std::string(Protocol::TrimmedConnection(text));
}

} // namespace ServiceFraming
