#include "protocol/VersionBlock.h"

#include "protocol/ParameterReply.h"
#include "protocol/Vocabulary.h"

#include <array>

namespace Protocol {
namespace {
// The block's fixed-width fields, in order.
constexpr std::array<std::size_t, 9> kWidths = {16, 12, 16, 20, 20, 20, 20, 20, 20};

std::string Field(Bytes bytes)
{
    std::size_t length = 0;
    while (length < bytes.size() && bytes[length] != 0)
        ++length;
    return std::string(reinterpret_cast<const char*>(bytes.data()), length);
}
} // namespace

std::vector<std::uint8_t> VersionBlockRequest()
{
    return ReadRequest(Address::kVersion, Param::kVersionBlock);
}

std::optional<SVersionBlock> VersionBlockOf(Bytes value)
{
    if (value.size() < SVersionBlock::kLength)
        return std::nullopt;
    SVersionBlock block;
    std::string* const fields[] = {&block.unitVersion, &block.hardwareVersion, &block.serialNumber,
                                   &block.fpgaActive,  &block.fpgaInactive,    &block.gpsActive,
                                   &block.gpsInactive, &block.softwareActive,  &block.softwareInactive};
    std::size_t at = 0;
    for (std::size_t i = 0; i < kWidths.size(); ++i) {
        *fields[i] = Field(value.subspan(at, kWidths[i]));
        at += kWidths[i];
    }
    return block;
}

std::optional<SVersionBlock> VersionBlockReplyOf(Bytes reply)
{
    const auto read = ReadReplyOf(reply);
    if (!read || read->id != Param::kVersionBlock || read->status != 0)
        return std::nullopt;
    return VersionBlockOf(read->value);
}

std::string DisplaySerialNumber(const std::string& serial)
{
    if (serial.size() == 1 && static_cast<std::uint8_t>(serial[0]) == 0xFF)
        return "--";
    return serial;
}

} // namespace Protocol
