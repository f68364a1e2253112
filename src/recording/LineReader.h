#pragma once
// The one reader of recording lines. A damaged line refuses the whole
// recording with its line number and the reason; keys that later versions add
// are passed over. time, rtt_ms, failed and carried_over may be absent (the
// simulator's trace has none of them).

#include "recording/RecordingLine.h"

#include <QIODevice>
#include <QString>

#include <cstddef>
#include <functional>
#include <string_view>

namespace recording {

// Longer lines are refused: no exchange of the link comes near it.
inline constexpr std::size_t kMaxLineLength = 1 << 20;

// One line without its newline; false with the reason.
bool ParseLine(std::string_view text, Line& line, QString& reason);

// Takes one line read; false with a reason refuses the recording there.
using LineTaker = std::function<bool(Line&& line, QString& reason)>;

// Reads every line of `device` in order, skipping blank ones. False with
// "line N: reason" (or why the device cannot be read) at the first line that
// is damaged or that `take` refuses.
bool ReadLines(QIODevice& device, const LineTaker& take, QString& error);

} // namespace recording
