// The simulator's gateway answering request bodies: OPEN resolving a unit
// from the connection string, TRANSFER handing the request to the unit model
// (parameter reads and writes, commands, status queries, the identity probe),
// the trace line of each. Every reply must be one whole frame for the kind
// and sequence number asked.
//
// Input: records of a session byte (which of two client connections sends),
// a 16-bit big-endian length and the request body.

#include "FuzzSupport.h"

#include "sim/ConstellationStatistics.h"
#include "sim/GatewayDispatcher.h"
#include "sim/LinkContract.h"
#include "sim/TraceWriter.h"
#include "sim/UnitRegistry.h"

#include <array>

namespace {

constexpr std::size_t kMaxBodies = 32;

sim::CTraceWriter* Trace()
{
    static sim::CTraceWriter* trace = [] {
        static sim::CTraceWriter writer;
        QString error;
        return writer.Open(QStringLiteral("/dev/null"), error) ? &writer : nullptr;
    }();
    return trace;
}

void CheckReply(std::span<const std::uint8_t> body, const std::vector<std::uint8_t>& out)
{
    FUZZ_CHECK(out.size() >= sim::kFrameHeaderSize + 4);
    const std::size_t length = std::size_t{out[0]} << 24 | std::size_t{out[1]} << 16 | std::size_t{out[2]} << 8 | out[3];
    FUZZ_CHECK(length == out.size() - sim::kFrameHeaderSize);
    FUZZ_CHECK(length >= sim::kMinBodySize && length <= sim::kMaxBodySize);
    FUZZ_CHECK(out[4] == (body[0] | sim::kReplyKindFlag));
    FUZZ_CHECK(out[5] == body[1] && out[6] == body[2]);
    FUZZ_CHECK(out[7] <= sim::kResultMalformed);
    // Reply bytes come only with an answered TRANSFER.
    if (out.size() > 8)
        FUZZ_CHECK(body[0] == sim::kKindTransfer && out[7] == sim::kResultOk);
}

void Setup()
{
    fuzz::EnsureApplication();
    // One day of satellite history at a fixed time: the same input gets the
    // same answers, and the sky is not simulated for a week on every query.
    sim::ConstellationOptions constellation = sim::DefaultConstellationOptions();
    constellation.historyDays = 1;
    sim::SetConstellationOptions(constellation);
    sim::SetConstellationClock([] { return std::int64_t{1236249000}; });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (Setup(), true);
    (void)ready;
    sim::CUnitRegistry registry;
    registry.Add({QHostAddress(QStringLiteral("192.168.255.120")), 131});
    registry.Add({QHostAddress(QStringLiteral("10.0.0.7")), 7});
    sim::CGatewayDispatcher dispatcher(registry, sim::FaultOptions{}, Trace());
    std::array<sim::SessionState, 2> sessions;

    fuzz::InputReader input({data, size});
    for (std::size_t n = 0; n < kMaxBodies && !input.Empty(); ++n) {
        sim::SessionState& session = sessions[input.Byte() & 1];
        const auto body = input.Record();
        std::vector<std::uint8_t> out;
        const auto action = dispatcher.Handle(session, body, out);
        switch (action) {
        case sim::CGatewayDispatcher::Action::Reply:
        case sim::CGatewayDispatcher::Action::ReplyThenClose:
            CheckReply(body, out);
            break;
        case sim::CGatewayDispatcher::Action::Close:
            FUZZ_CHECK(out.empty());
            // The connection ends; a new one starts with no unit.
            session = sim::SessionState{};
            break;
        case sim::CGatewayDispatcher::Action::Silent:
            FUZZ_CHECK(out.empty());
            break;
        }
    }
    return 0;
}
