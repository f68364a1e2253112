#pragma once
// Remote downloads must run on the service's channel 9 or above.

#include <string>

// True when the connection names a channel (its CH item; see
// Protocol::SConnection) below 9.
[[nodiscard]] bool IsChannelBelowDownloadChannel(const std::string& connection);
