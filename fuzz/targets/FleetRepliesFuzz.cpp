// A fleet sweep's decoding fed any replies: the serial number, the firmware
// names and the status windows' texts of one unit, then its line of the table.
//
// Input: one record per request of the sweep, in order: a flag byte (0x01: the
// request failed, no reply) and a 16-bit big-endian length with the reply.
// Missing records count as failed requests.
//
// Checks: names read fit the unit's 16-byte fields; the serial number fits
// the version block's field; the table is its header and one line per unit,
// each ended by a newline, whatever the texts hold.

#include "FuzzSupport.h"

#include "fleet/FleetIdentity.h"
#include "fleet/FleetStatusDecoder.h"
#include "fleet/FleetTable.h"
#include "fleet/FleetUnitReader.h"

#include <cstring>

namespace {

constexpr std::uint8_t kFailed = 0x01;

// The next record's reply, or nothing when the request failed or the input ran out.
std::optional<CDeviceMessage> NextReply(const std::uint8_t*& data, std::size_t& size)
{
    if (size < 3) {
        size = 0;
        return std::nullopt;
    }
    const std::uint8_t flags = data[0];
    std::size_t length = (std::size_t(data[1]) << 8) | data[2];
    data += 3;
    size -= 3;
    length = std::min(length, size);
    std::optional<CDeviceMessage> reply;
    if (!(flags & kFailed)) {
        reply.emplace();
        reply->AppendBytes(data, static_cast<std::int32_t>(length));
    }
    data += length;
    size -= length;
    return reply;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::EnsureApplication();
    static CFleetStatusDecoder decoder;

    SFleetUnitReplies replies;
    replies.reachable = true;
    for (std::size_t i = 0; i < decoder.Requests().size(); ++i)
        replies.replies.push_back(NextReply(data, size));

    for (const auto& reply : replies.replies) {
        if (!reply)
            continue;
        if (const auto serial = SerialNumberOf(*reply))
            FUZZ_CHECK(serial->size() <= 16);
        if (const auto names = FirmwareNamesOf(*reply)) {
            FUZZ_CHECK(names->active.size() < 16);
            FUZZ_CHECK(names->inactive.size() < 16);
        }
    }

    const SFleetUnitHealth health = decoder.Decode(replies, QStringLiteral("131"));
    FUZZ_CHECK(health.reachable);
    const QByteArray table = FleetCsv({SFleetRow{QStringLiteral("unit"), QStringLiteral("HOST=1"), health}});
    FUZZ_CHECK(table.startsWith(QByteArray(kFleetCsvHeader) + '\n'));
    FUZZ_CHECK(table.endsWith('\n'));
    (void)FleetJson({SFleetRow{QStringLiteral("unit"), QStringLiteral("HOST=1"), health}});
    return 0;
}
