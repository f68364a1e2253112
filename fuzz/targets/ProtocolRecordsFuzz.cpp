// The protocol library's decoders and the connection parser on any bytes: no
// read outside the reply, and a whole record only from a reply long enough
// for every field.
//
// Input: the first byte picks what the rest is read as.

#include "FuzzSupport.h"

#include "protocol/Connection.h"
#include "protocol/ConstellationStatistics.h"
#include "protocol/FirmwareNames.h"
#include "protocol/GpsStatus.h"
#include "protocol/InstallationStatus.h"
#include "protocol/ParameterReply.h"
#include "protocol/VersionBlock.h"

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const Protocol::Bytes bytes(data + 1, size - 1);
    switch (data[0] % 7) {
    case 0:
        if (Protocol::GpsStatusOf(bytes))
            FUZZ_CHECK(bytes.size() >= Protocol::SGpsStatus::kReplyLength);
        break;
    case 1:
        if (Protocol::InstallationStatusOf(bytes))
            FUZZ_CHECK(bytes.size() >= Protocol::SInstallationStatus::kReplyLength);
        break;
    case 2:
        if (Protocol::ConstellationStatisticsOf(bytes))
            FUZZ_CHECK(bytes.size() >= Protocol::SConstellationStatistics::kReplyLength);
        break;
    case 3:
        if (const auto block = Protocol::VersionBlockReplyOf(bytes))
            FUZZ_CHECK(block->serialNumber.size() <= 16 && block->softwareInactive.size() <= 20);
        break;
    case 4:
        if (const auto names = Protocol::FirmwareNamesOf(bytes))
            FUZZ_CHECK(!names->active || names->active->size() < Protocol::SFirmwareNames::kNameField);
        break;
    case 5:
        if (const auto read = Protocol::ReadReplyOf(bytes))
            FUZZ_CHECK(read->value.size() + Protocol::SReadReply::kValueAt == bytes.size());
        break;
    default: {
        const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        const Protocol::SConnection connection = Protocol::ParseConnection(text);
        FUZZ_CHECK(connection.text.size() <= text.size());
        if (connection.HasAddress())
            FUZZ_CHECK(!connection.addressText.empty());
        break;
    }
    }
    return 0;
}
