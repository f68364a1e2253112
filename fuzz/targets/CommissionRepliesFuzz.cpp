// The commissioning group's acknowledged write sequence fed any replies: the
// opening command, the commissioning block, the user block and the closing
// command, each sent only once the unit acknowledged the one before.
//
// Input: an option byte (bit 0: remote connection), a record with the user
// name, then records of one flag byte and a 16-bit big-endian length with the
// reply. Flags: 0x01 puts the identifier (or command argument) of the awaited
// acknowledgement into the reply, 0x02 its opcode and status 0, 0x10 the
// group's class and addressing byte, 0x04 delivers the notice of a lost
// request instead, 0x08 starts a new run first.
//
// Checks: the group moves on only on the acknowledgement of the item it
// waits for, sends exactly the next item of the sequence, and reports success
// only after the closing command's acknowledgement ended a run in which all
// four came in order.

#include "FuzzSupport.h"
#include "PlayedHandler.h"

#include "commissioning/procedure/CommissionData.h"
#include "platform/MessageIds.h"
#include "platform/MessageTarget.h"

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

enum Flag : std::uint8_t { kTakeId = 0x01, kTakeOpcode = 0x02, kFailure = 0x04, kRestart = 0x08, kOwnAddress = 0x10 };
constexpr std::size_t kMaxRecords = 32;
constexpr std::uint8_t kClass = 0x84;
constexpr std::uint8_t kAddress = CCommissionData::kAddress;
constexpr std::uint8_t kOpCommand = 0x12;
constexpr std::uint8_t kOpCommandReply = 0x13;
constexpr std::uint8_t kOpWrite = 0x05;
constexpr std::uint8_t kOpWriteReply = 0x06;

class Notices : public CMessageTarget {
public:
    std::vector<MsgWParam> results;

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam) override
    {
        FUZZ_CHECK(message == WM_COMMISSION_WRITE_DONE);
        results.push_back(wParam);
        return 0;
    }
};

// The four steps of a run: the acknowledgement each waits for and the
// request that follows it.
struct Step {
    std::uint8_t replyOpcode;
    std::uint16_t id; // identifier, or command argument
};
constexpr Step kSteps[4] = {
    {kOpCommandReply, 1}, {kOpWriteReply, 0x9001}, {kOpWriteReply, 0x9002}, {kOpCommandReply, 0}};

bool IsAckOf(const Bytes& reply, const Step& step)
{
    return reply.size() >= 6 && reply[0] == kClass && reply[1] == kAddress && reply[2] == step.replyOpcode &&
           (reply[3] << 8 | reply[4]) == step.id && reply[5] == 0;
}

// The request the group must send to begin step `index`.
bool IsRequestOf(const Bytes& request, int index)
{
    if (request.size() < 5 || request[0] != kClass || request[1] != kAddress)
        return false;
    switch (index) {
    case 0: return request.size() == 5 && request[2] == kOpCommand && request[3] == 0 && request[4] == 1;
    case 3: return request.size() == 5 && request[2] == kOpCommand && request[3] == 0 && request[4] == 0;
    default:
        return request.size() >= 6 && request[2] == kOpWrite && (request[3] << 8 | request[4]) == kSteps[index].id &&
               request[5] == request.size() - 6;
    }
}

SCommissionValues Values(std::span<const std::uint8_t> name)
{
    SCommissionValues values;
    values.latitude = 60.1699;
    values.longitude = 24.9384;
    values.altitudeCm = 1520;
    values.userName = QString::fromLatin1(reinterpret_cast<const char*>(name.data()), static_cast<qsizetype>(name.size()));
    values.comments = QStringLiteral("Antenna on the mast");
    values.year = 2009;
    values.month = 3;
    values.day = 5;
    return values;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::PlayedHandler& played = fuzz::PlayedHandler::Instance();
    (void)played.TakeRequests();
    fuzz::InputReader input({data, size});
    const bool remote = (input.Byte() & 1) != 0;
    const auto name = input.Record();

    Notices notices;
    std::size_t seen = 0;
    CCommissionData group;
    group.AddWindow(&notices);
    group.Register();

    int step = -1; // the acknowledgement awaited; -1: no run under way
    auto start = [&] {
        group.SetCommissionValues(Values(name));
        group.SetRemoteConnection(remote);
        FUZZ_CHECK(group.WriteWithLeadingCommand());
        const auto requests = played.TakeRequests();
        FUZZ_CHECK(requests.size() == 1 && IsRequestOf(requests[0], 0));
        step = 0;
    };
    start();

    for (std::size_t n = 0; n < kMaxRecords && !input.Empty(); ++n) {
        const std::uint8_t flags = input.Byte();
        const auto record = input.Record();
        Bytes reply(record.begin(), record.end());
        if (flags & kRestart)
            start();
        const Step awaited = kSteps[step < 0 ? 0 : step];
        if ((flags & kOwnAddress) && reply.size() >= 2) {
            reply[0] = kClass;
            reply[1] = kAddress;
        }
        if ((flags & kTakeOpcode) && reply.size() >= 6) {
            reply[2] = awaited.replyOpcode;
            reply[5] = 0;
        }
        if ((flags & kTakeId) && reply.size() >= 5) {
            reply[3] = static_cast<std::uint8_t>(awaited.id >> 8);
            reply[4] = static_cast<std::uint8_t>(awaited.id);
        }
        if (flags & kFailure)
            played.Failure(0x841405);
        else
            played.Reply(reply);
        fuzz::DeliverPosted();
        const auto requests = played.TakeRequests();
        FUZZ_CHECK(requests.size() <= 1);

        bool succeeded = false;
        bool failed = false;
        for (; seen < notices.results.size(); ++seen) {
            FUZZ_CHECK(!succeeded && !failed);
            (notices.results[seen] == 1 ? succeeded : failed) = true;
        }
        const bool movedOn = !requests.empty() || succeeded;
        if (movedOn) {
            // Only the awaited acknowledgement moves the run on, to the next item.
            FUZZ_CHECK(step >= 0 && !(flags & kFailure) && IsAckOf(reply, kSteps[step]));
            ++step;
            if (step < 4) {
                FUZZ_CHECK(!succeeded && requests.size() == 1 && IsRequestOf(requests[0], step));
            } else {
                FUZZ_CHECK(succeeded && requests.empty());
                FUZZ_CHECK(group.PendingWrites().empty());
                step = -1;
            }
        }
        if (failed) {
            FUZZ_CHECK(requests.empty());
            FUZZ_CHECK(group.PendingWrites().empty());
            step = -1;
        }
    }
    group.Unregister();
    fuzz::DeliverPosted();
    (void)played.TakeRequests();
    return 0;
}
