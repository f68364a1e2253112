#pragma once
// Where the link connects: to the gateway when one is configured, otherwise
// straight to HOST and PORT of the connection string. A gateway routes to the
// unit that the OPEN request names, so it needs no HOST or PORT.

#include "rks/RksConnectionString.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr const char* kRksGatewayVariable = "QORA_RKS_GATEWAY";

struct RksEndpoint {
    std::string host;
    std::uint16_t port = 0;
};

// The gateway as "host:port": QORA_RKS_GATEWAY when it is set and not empty,
// otherwise the service's own setting "Gateway"; empty when neither names one.
[[nodiscard]] std::string RksConfiguredGateway();

// "host:port", or "[address]:port" for an IPv6 address.
[[nodiscard]] std::optional<RksEndpoint> RksParseHostPort(std::string_view text);

// The gateway when `gateway` is not empty, otherwise HOST and PORT. nullopt when
// the one that applies is malformed or incomplete: a broken gateway setting
// must not quietly send the connection somewhere else.
[[nodiscard]] std::optional<RksEndpoint> RksChooseEndpoint(const RksConnectionParams& params,
                                                           std::string_view gateway);
