// Firmware activation fed the unit's replies: the names of both banks and the
// result of an activation, each through the handler as the driver delivers it.
//
// Input: records of one flag byte and a 16-bit big-endian length with the
// reply. Flags: 0x01 reads the names first, 0x02 activates the inactive
// firmware first (as the dialog does, by the name read), 0x04 delivers the
// notice of a lost request instead, 0x10 puts the group's class and
// addressing byte in front.
//
// Checks: each notice leaves the group idle; names read are whole texts of at
// most 15 bytes without their terminator; an activation reported done comes
// only with the activation reply of result 0.

#include "FuzzSupport.h"
#include "PlayedHandler.h"

#include "platform/MessageIds.h"
#include "platform/MessageTarget.h"
#include "software/activation/SoftwareActivation.h"

#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

enum Flag : std::uint8_t { kRead = 0x01, kActivate = 0x02, kFailure = 0x04, kOwnAddress = 0x10 };
constexpr std::size_t kMaxRecords = 32;

class Notices : public CMessageTarget {
public:
    std::vector<std::pair<unsigned, MsgWParam>> received;

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam) override
    {
        received.emplace_back(message, wParam);
        return 0;
    }
};

void CheckName(const QByteArray& name)
{
    FUZZ_CHECK(name.size() < CSoftwareActivation::kNameField);
    FUZZ_CHECK(!name.contains('\0'));
}

bool IsActivationSuccess(const Bytes& reply)
{
    return reply.size() >= 5 && reply[0] == CSoftwareActivation::kCommandClass &&
           reply[1] == CSoftwareActivation::kAddress && reply[2] == CSoftwareActivation::kOpActivateReply &&
           reply[3] == 0 && reply[4] == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::PlayedHandler& played = fuzz::PlayedHandler::Instance();
    (void)played.TakeRequests();
    fuzz::InputReader input({data, size});
    Notices notices;
    std::size_t seen = 0;
    CSoftwareActivation group;
    group.AddWindow(&notices);
    group.Register();

    for (std::size_t n = 0; n < kMaxRecords && !input.Empty(); ++n) {
        const std::uint8_t flags = input.Byte();
        const auto record = input.Record();
        Bytes reply(record.begin(), record.end());
        if (flags & kRead)
            (void)group.Read();
        if (flags & kActivate)
            (void)group.Activate(group.GetInactiveName());
        for (const Bytes& request : played.TakeRequests())
            FUZZ_CHECK(request.size() >= 3 && request[0] == CSoftwareActivation::kCommandClass &&
                       request[1] == CSoftwareActivation::kAddress);
        if ((flags & kOwnAddress) && reply.size() >= 2) {
            reply[0] = CSoftwareActivation::kCommandClass;
            reply[1] = CSoftwareActivation::kAddress;
        }
        const bool activating = group.GetOperationState() == CDataClass::kWriting;
        if (flags & kFailure)
            played.Failure(0x86'0C'36);
        else
            played.Reply(reply);
        fuzz::DeliverPosted();
        for (; seen < notices.received.size(); ++seen) {
            const auto [message, result] = notices.received[seen];
            FUZZ_CHECK(message == WM_ACTIVATION_READ_DONE || message == WM_ACTIVATION_DONE);
            FUZZ_CHECK(group.GetOperationState() == CDataClass::kIdle);
            if (message == WM_ACTIVATION_DONE && result == 1)
                FUZZ_CHECK(activating && !(flags & kFailure) && IsActivationSuccess(reply));
            if (result == 0)
                FUZZ_CHECK(!group.GetErrorText().isEmpty());
        }
        CheckName(group.GetActiveName());
        CheckName(group.GetInactiveName());
    }
    group.Unregister();
    fuzz::DeliverPosted();
    (void)played.TakeRequests();
    return 0;
}
