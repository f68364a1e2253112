#pragma once
// Why the link's last Open or Transfer failed, in words a user can act on.
// It only describes a failure: nothing on the wire depends on it.

#include <cstdint>
#include <string>

struct SLinkFailure {
    enum class Kind {
        None,
        ConnectionString, // an item of the connection string is malformed
        NoEndpoint,       // no gateway configured, and no usable HOST and PORT
        GatewaySetting,   // the configured gateway is not host:port
        Unreachable,      // the endpoint did not take the TCP connection
        Refused,          // the far end answered with a result that refuses
        NoAnswer,         // result 2 (unit did not answer), or no reply in time
        Broken,           // the connection broke while a reply was awaited
        NotSent,          // the request was not sent at all
        BadReply,         // an answer came that the tool does not understand
    };

    Kind kind = Kind::None;
    int result = -1;           // the far end's result code, when it gave one
    std::int32_t request = -1; // packed header of the request that failed; -1 for opening
    std::string text;          // e.g. "gateway 127.0.0.1:7000 not reachable: connection refused"

    // The request may have reached the unit, which then went quiet: what a
    // unit that restarts on the request looks like from here.
    [[nodiscard]] bool Unanswered() const { return kind == Kind::NoAnswer || kind == Kind::Broken; }
};
