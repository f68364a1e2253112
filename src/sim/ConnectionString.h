#pragma once
// Items of a communication-service connection string such as
// "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131": comma-separated
// KEY=VALUE items, keys compared without regard to case.

#include <optional>
#include <string_view>

namespace sim {

// The value of the first item named `key`, trimmed of blanks; nullopt when no
// item has that key. Items without '=' are skipped.
[[nodiscard]] std::optional<std::string_view> ConnectionItem(std::string_view connection,
                                                             std::string_view key);

// ASCII comparison without regard to case.
[[nodiscard]] bool SameTextIgnoringCase(std::string_view a, std::string_view b);

// Trims blanks (space, tab, CR, LF, VT, FF) at both ends.
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

} // namespace sim
