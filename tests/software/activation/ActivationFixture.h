#pragma once
// The activation group (or its dialog) against a played unit: requests are
// taken from the handler's send queue and the unit's replies played back.

#include "support/PlayedUnit.h"

#include <string>

namespace activationtest {

using Bytes = std::vector<std::uint8_t>;

inline const Bytes kReadNamesRequest{0x86, 0x0C, 0x38, 0x00, 0x00};

// The names reply as the unit sends it: two states, two 16-byte fields.
inline Bytes NamesReply(std::uint8_t activeState, const std::string& active, std::uint8_t inactiveState,
                        const std::string& inactive)
{
    Bytes reply{0x86, 0x0C, 0x39, activeState, inactiveState};
    for (const std::string* name : {&active, &inactive}) {
        Bytes field(16, 0);
        std::copy(name->begin(), name->end(), field.begin());
        reply.insert(reply.end(), field.begin(), field.end());
    }
    return reply;
}

inline Bytes ActivateRequest(const std::string& name)
{
    Bytes request{0x86, 0x0C, 0x36, std::uint8_t(name.size() + 1)};
    request.insert(request.end(), name.begin(), name.end());
    request.push_back(0);
    return request;
}

inline Bytes ActivateReply(std::uint16_t result)
{
    return {0x86, 0x0C, 0x37, std::uint8_t(result >> 8), std::uint8_t(result)};
}

inline const char* const kReadingProblem =
    "Problems encountered when reading data from the target\ndevice.\n\n"
    "Try again and if the problem persists, try to disconnect and\nreconnect to the target device.";
inline const char* const kSendingProblem =
    "Problems encountered when sending data to the target\ndevice.\n\n"
    "Try again and if the problem persists, try to disconnect\nand reconnect to the target device.";

class ActivationFixture : public PlayedUnitTest {
protected:
    // A request that never reached the unit, as the handler reports it.
    void SendFailure() { Lose(0x860C38); }
    // Reconnects over the operator's network (connection type 2).
    void ConnectRemotely()
    {
        Reconnect(ConnectionRoute::Browsed, "ADDR=1", {});
        ASSERT_EQ(handler->GetConnectionType(), ConnectionType::ConnectedBrowsed);
    }
};

} // namespace activationtest
