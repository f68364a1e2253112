#pragma once
// Remote downloads must run on the service's channel 9 or above.

#include <string>

// True when the connection string carries ",CH=" after its first character
// and the number after it (read as far as it is digits; none counts as 0) is
// below 9.
[[nodiscard]] bool IsChannelBelowDownloadChannel(const std::string& connection);
