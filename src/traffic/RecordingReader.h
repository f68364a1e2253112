#pragma once
// Reads a traffic recording back into exchanges. A damaged line refuses the
// whole recording with its line number and the reason; keys that later
// versions add are passed over. Simulator traces read too: time, rtt_ms and
// failed are optional.

#include "recording/LineReader.h"
#include "traffic/TrafficExchange.h"

#include <QIODevice>
#include <QString>

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

// Longer lines are refused: no exchange of the link comes near it.
inline constexpr std::size_t kMaxRecordingLine = recording::kMaxLineLength;

// One line without its newline; false with the reason.
bool ParseRecordingLine(std::string_view line, STrafficExchange& exchange, QString& reason);

// The whole recording, or none with "line N: reason" (or why it cannot be read).
[[nodiscard]] std::optional<std::vector<STrafficExchange>> ReadRecording(QIODevice& device, QString& error);
[[nodiscard]] std::optional<std::vector<STrafficExchange>> ReadRecordingFile(const QString& path, QString& error);
