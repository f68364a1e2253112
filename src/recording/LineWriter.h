#pragma once
// The one writer of recording lines: keys in a fixed order, text taken as
// Latin-1 and escaped to plain ASCII, bytes as lower-case hex without
// separators, and a newline at the end.

#include "recording/RecordingLine.h"

#include <cstdint>
#include <string>

namespace recording {

// Appends the line for `line`, newline included, to `out`.
void AppendLine(std::string& out, const LineView& line);
[[nodiscard]] std::string FormatLine(const LineView& line);

// "2026-12-08T08:21:18.123Z".
[[nodiscard]] std::string FormatTime(std::int64_t timeMs);

} // namespace recording
