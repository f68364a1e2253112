// The simulated unit's firmware receiver and commissioning bracket, fed
// fuzzed request sequences the way its gateway hands them over: the download
// commands "M:17,..." and unit messages on the null route, TFTP packets on the
// download routes.
//
// Input: records of a route byte (low two bits: null route, download route,
// its long form, identity route), a 16-bit big-endian length and the request.
//
// Checks: a request left unanswered leaves no reply bytes; download command
// replies begin with the command, TFTP replies are one whole ACK, ERROR or
// OACK packet, unit message replies begin with the reply mark and
// commissioning steps are answered with their identifier and a known status;
// a step is taken only in the bracket's order, and a closed bracket leaves
// exactly the block it took pending; the received files stay within their
// limits.

#include "FuzzSupport.h"

#include "sim/CommissioningBlock.h"
#include "sim/ParameterTable.h"
#include "sim/UnitModel.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMaxRequests = 48;
constexpr std::string_view kRoutes[4] = {"", sim::kDownloadRoute, sim::kDownloadRouteLong, sim::kIdentityRoute};

void CheckTftpReply(const Bytes& reply)
{
    FUZZ_CHECK(reply.size() >= 4 && reply[0] == 0);
    switch (reply[1]) {
    case 4: FUZZ_CHECK(reply.size() == 4); break; // ACK
    case 5: FUZZ_CHECK(reply.size() >= 5 && reply.back() == 0); break; // ERROR with its text
    case 6: FUZZ_CHECK(reply.back() == 0); break; // OACK
    default: FUZZ_CHECK(!"a TFTP reply of an unknown opcode");
    }
}

// The bracket as the replies tell it.
enum class Bracket { Idle, Opened, BlockTaken, UserTaken, Unknown };

struct Model {
    Bracket bracket = Bracket::Idle;
    std::optional<sim::CommissioningSetup> block; // taken in the open bracket
};

bool SameSetup(const sim::CommissioningSetup& a, const sim::CommissioningSetup& b)
{
    return sim::MakeCommissioningBlock(a) == sim::MakeCommissioningBlock(b);
}

void CheckCommissioning(std::span<const std::uint8_t> request, const Bytes& reply, const sim::CUnitModel& unit,
                        Model& model)
{
    if (request.size() < 4 || request[0] != sim::kServiceRequest || reply.size() < 2 || reply[1] == sim::kNegativeAck)
        return;
    const std::uint16_t word = static_cast<std::uint16_t>(request[2] << 8 | request[3]);
    const bool open = request[1] == sim::kOpCommand && request.size() == 4 && word == sim::kOpenCommissioningCommand;
    const bool close = request[1] == sim::kOpCommand && request.size() == 4 && word == sim::kCloseCommissioningCommand;
    const bool block = request[1] == sim::kOpWrite && word == sim::kCommissioningBlockId;
    const bool user = request[1] == sim::kOpWrite && word == 0x9002;
    if (!open && !close && !block && !user)
        return;
    const bool command = open || close;
    // Commands: 0x54 0x02 word status; blocks: 0x54 0x56 word status.
    FUZZ_CHECK(reply.size() == 5);
    FUZZ_CHECK(reply[1] == (command ? sim::kOpCommandReply : sim::kOpWriteReply));
    FUZZ_CHECK(reply[2] == request[2] && reply[3] == request[3]);
    const std::uint8_t status = reply[4];
    if (user && model.bracket != Bracket::BlockTaken && model.bracket != Bracket::Unknown)
        return; // outside the bracket: the ordinary user information write
    if (command || block)
        FUZZ_CHECK(status == 0 || status == sim::kStatusBadBlock || status == sim::kStatusNotAllowedNow);
    if (status != 0)
        return;
    if (open) {
        model = {Bracket::Opened, std::nullopt};
    } else if (block) {
        FUZZ_CHECK(model.bracket == Bracket::Opened || model.bracket == Bracket::Unknown);
        model.bracket = Bracket::BlockTaken;
        model.block = sim::ParseCommissioningBlock(request.subspan(5));
        FUZZ_CHECK(model.block);
    } else if (user) {
        model.bracket = Bracket::UserTaken;
    } else {
        FUZZ_CHECK(model.bracket == Bracket::UserTaken || model.bracket == Bracket::Unknown);
        if (model.bracket == Bracket::UserTaken && model.block) {
            FUZZ_CHECK(unit.Commissioning().Pending());
            FUZZ_CHECK(SameSetup(*unit.Commissioning().Pending(), *model.block));
        }
        model = {};
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (fuzz::EnsureApplication(), true);
    (void)ready;
    sim::CUnitModel unit(sim::DefaultCatalog(), {"192.168.255.120", 131});
    Model model;

    fuzz::InputReader input({data, size});
    for (std::size_t n = 0; n < kMaxRequests && !input.Empty(); ++n) {
        const std::string_view route = kRoutes[input.Byte() & 3];
        const auto request = input.Record();
        Bytes reply;
        const sim::CUnitModel::Outcome outcome = unit.Handle(route, request, reply);
        if (!outcome.answered) {
            FUZZ_CHECK(reply.empty());
        } else if (route.empty() && !request.empty() && request[0] == 'M') {
            const bool negative = reply == Bytes{sim::kServiceReply, sim::kNegativeAck};
            FUZZ_CHECK(negative || (reply.size() >= 8 && request.size() >= 8 && std::equal(reply.begin(), reply.begin() + 8, request.begin())));
        } else if (route.empty()) {
            FUZZ_CHECK(reply.size() >= 2 && reply[0] == sim::kServiceReply);
            CheckCommissioning(request, reply, unit, model);
        } else if (route == sim::kIdentityRoute) {
            FUZZ_CHECK(!reply.empty() && reply.back() == 0);
        } else {
            CheckTftpReply(reply);
        }
        if (outcome.breakConnection)
            FUZZ_CHECK(!outcome.answered);
        if (outcome.reset)
            model.bracket = Bracket::Unknown; // what a restart does to an open bracket is the unit's affair
        FUZZ_CHECK(unit.Firmware().Master().size() <= sim::kMaxMasterFile);
        FUZZ_CHECK(unit.Firmware().Image().size() <= sim::kMaxImage);
    }
    return 0;
}
