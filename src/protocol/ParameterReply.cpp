#include "protocol/ParameterReply.h"

#include "protocol/Vocabulary.h"

namespace Protocol {

std::vector<std::uint8_t> ReadRequest(std::uint8_t address, std::uint16_t id)
{
    return {Class::kParameter, address, Op::kRead, 0x01, 0x00, std::uint8_t(id >> 8), std::uint8_t(id & 0xFF)};
}

std::optional<SReadReply> ReadReplyOf(Bytes bytes)
{
    const CReplyReader reply(bytes);
    if (bytes.size() < 3 || bytes[0] != Class::kParameter || bytes[2] != Op::kReadReply)
        return std::nullopt;
    const auto id = reply.Word(SReadReply::kIdAt);
    const auto length = reply.Byte(SReadReply::kLengthAt);
    const auto status = reply.Byte(SReadReply::kStatusAt);
    if (!id || !length || !status)
        return std::nullopt;
    SReadReply read;
    read.address = bytes[1];
    read.id = *id;
    read.lengthByte = *length;
    read.status = *status;
    read.value = bytes.subspan(SReadReply::kValueAt);
    read.lengthAgrees = bytes.size() == std::size_t(*length) + SReadReply::kLengthBias;
    return read;
}

} // namespace Protocol
