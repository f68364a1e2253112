#pragma once
// Message boxes without a screen: the command-line companion prints each text
// on one line of standard error and answers questions as its options say.

#include "platform/UserPrompts.h"

#include <QString>

#include <cstdio>

// The text with its line breaks turned into blanks, runs of blanks kept as
// the texts were written.
[[nodiscard]] QString OneLine(QString text);
// Prints the text on one line of `to`.
void PrintLine(std::FILE* to, const QString& text);

// While it lives, every message box goes to `to` on one line; a Yes/No
// question is answered `answer` (and the answer printed after it), any other
// box with its first button. The replaced function comes back afterwards.
class CCliPrompts {
public:
    explicit CCliPrompts(MsgAnswer answer = MsgAnswer::No, std::FILE* to = stderr);
    ~CCliPrompts();
    CCliPrompts(const CCliPrompts&) = delete;
    CCliPrompts& operator=(const CCliPrompts&) = delete;

    // How many questions were answered, for the command's closing words.
    [[nodiscard]] int Questions() const { return questions_; }

private:
    MessageBoxFunction previous_;
    int questions_ = 0;
};
