#pragma once
// The communication service's network browser: lets the user pick a remote unit.

#include <cstdint>
#include <string>
#include <string_view>

inline constexpr std::string_view CLSID_NetworkBrowser = "{E4609573-B80E-11D1-865E-006097B1D426}";
inline constexpr std::string_view IID_INetworkBrowser = "{E4609572-B80E-11D1-865E-006097B1D426}";

class INetworkBrowser {
public:
    virtual ~INetworkBrowser() = default;

    // Lets the user pick a unit. Fails when nothing can be browsed. A user who
    // cancels has made no mistake: that succeeds with an empty node name and
    // connection string, so the caller connects to nothing and says nothing.
    virtual bool Browse(std::uint16_t& nodeKind, std::string& nodeName, std::string& connection) = 0;
    // The connection string of a node named earlier.
    virtual bool Resolve(const std::string& nodeName, std::string& connection) = 0;
};
