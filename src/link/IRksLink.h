#pragma once
// The communication service's link object: one connection to one unit, used
// strictly one call at a time from the driver's worker thread.

#include "link/LinkFailure.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view CLSID_RksLink = "{5887477F-AA2C-11D2-9937-00000E7C11F3}";
inline constexpr std::string_view IID_IRksLink = "{5887477E-AA2C-11D2-9937-00000E7C11F3}";

class IRksLink {
public:
    virtual ~IRksLink() = default;

    // Opens the connection named by the (already trimmed) connection string.
    virtual bool Open(const std::string& connection) = 0;
    // Ends the connection; no reply is awaited.
    virtual void Close() = 0;
    // Sends one request on the route (nullopt = the null route) and waits for
    // its answer. On success `reply` holds the answer bytes (possibly none).
    virtual bool Transfer(const std::optional<std::string>& route,
                          std::span<const std::uint8_t> request,
                          std::vector<std::uint8_t>& reply) = 0;
    // May be called from any thread: makes a blocked Open or Transfer give up
    // soon. Used when a connection is abandoned while it is still opening.
    virtual void Interrupt() {}
    // Why the last Open or Transfer failed (Kind::None when the link cannot say).
    [[nodiscard]] virtual SLinkFailure LastFailure() const { return {}; }
};
