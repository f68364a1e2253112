#pragma once
// How a rollout's child process tells the rollout how far it is: one JSON
// object per line on its standard output, read by the parent as it comes.
//
//   {"event":"progress","percent":40}
//   {"event":"verifying"}
//
// Other lines on standard output are not progress and are passed over; the
// reason of a failure stays the last line on standard error.

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

struct SChildProgress {
    enum class Kind { Progress, Verifying };
    Kind kind = Kind::Progress;
    int percent = 0; // 0..100, for Progress
};

// The line for one event, newline included.
[[nodiscard]] QByteArray ChildProgressLine(const SChildProgress& event);
// The event of one line (without its newline); nothing for a line that is no
// event, or a percentage outside 0..100.
[[nodiscard]] std::optional<SChildProgress> ParseChildProgressLine(QByteArrayView line);
