#pragma once
// "qora-cli record FILE [--interval S] [--count N | --duration S]
// [--format csv|jsonl]": asks the unit for the three status answers every S
// seconds (default 5) and writes one row per GPS status answer to FILE, as
// the desktop tool's Status > Record to File does, until N rows are written,
// S seconds have passed, or SIGINT/SIGTERM arrives.

#include "status/history/StatusRecord.h"

#include <optional>
#include <string>
#include <vector>

struct SRecordOptions {
    std::string path;
    int intervalMs = 5000;
    std::optional<long long> count;      // rows
    std::optional<long long> durationMs;
    std::optional<StatusRecordFormat> format; // unset: by the file's name
};

// The options, or nothing with the reason in `error`.
[[nodiscard]] std::optional<SRecordOptions> ParseRecordArguments(const std::vector<std::string>& arguments,
                                                                 std::string& error);

// Seconds as "5", "0.2" or "1.25" (at most three decimals) in milliseconds,
// within [minMs, maxMs].
[[nodiscard]] bool ReadSecondsMs(const std::string& text, long long minMs, long long maxMs, long long& ms);

// Returns the exit status: 0 done (also when stopped by a signal), 1 the unit
// did not answer or the file could not be written, 2 no connection, 64 bad
// arguments. Needs a Qt application object.
int RunRecordCommand(const std::string& connection, const std::vector<std::string>& arguments);
