#pragma once
// The download's progress as text: on a terminal one bar rewritten in place
// with a carriage return, otherwise one plain line per new percentage, so a
// log file holds no control characters.

#include <string>

class CTextProgress {
public:
    static constexpr int kBarWidth = 40;

    explicit CTextProgress(bool terminal) : terminal_(terminal) {}

    // What to write for this percentage (clamped to 0..100); empty when the
    // percentage is the one shown already.
    [[nodiscard]] std::string Update(int percent);
    // What to write before a line of other text: a terminal's bar line is
    // ended so the text starts on a line of its own.
    [[nodiscard]] std::string Break();

private:
    bool terminal_;
    int shown_ = -1;
    bool lineOpen_ = false;
};
