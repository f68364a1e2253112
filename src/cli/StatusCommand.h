#pragma once
// "qora-cli status [--json]": one snapshot of the three status windows (GPS
// status, installation status, constellation statistics) as text or JSON.
// "qora-cli watch [--json] [--interval SECONDS]": the same every 5 s (or
// every SECONDS) until stopped; with --json one object per line.

#include <optional>
#include <string>
#include <vector>

struct SStatusOptions {
    bool json = false;
    int intervalSeconds = 5; // watch only
};

// The options, or nothing with the reason in `error`; --interval only for watch.
[[nodiscard]] std::optional<SStatusOptions> ParseStatusArguments(const std::vector<std::string>& arguments,
                                                                 bool watch, std::string& error);

// Returns the exit status: 0 done, 1 the unit did not answer, 2 no
// connection, 64 bad arguments. Needs a Qt application object.
int RunStatusCommand(const std::string& connection, const std::vector<std::string>& arguments, bool watch);
