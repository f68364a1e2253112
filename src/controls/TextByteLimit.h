#pragma once
// A limit on how many bytes an edit's text takes where it goes (in the
// encoding it is sent in, line breaks as sent), enforced on what comes in:
// typed, pasted or dropped text is let in only as far as it fits. A text
// that is already longer (put there by the program, say as read from a unit)
// is kept whole; it may shrink but not grow. A character the encoding cannot
// hold is refused with the reason, rather than sent as some other character.

#include <QString>

#include <functional>

class CTextByteLimit {
public:
    // Bytes of a text as it is sent; must not shrink when characters are added.
    using Measure = std::function<qsizetype(const QString&)>;
    // Why a character (a code point) cannot go where the text goes; empty when
    // it can.
    using CharacterRefusal = std::function<QString(char32_t)>;

    // No limit.
    CTextByteLimit() = default;
    // `measure` empty: one byte per UTF-16 unit; `refusal` empty: every
    // character is taken.
    explicit CTextByteLimit(qsizetype limit, Measure measure = {}, CharacterRefusal refusal = {});

    [[nodiscard]] bool IsLimited() const { return limit_ >= 0; }
    [[nodiscard]] qsizetype Limit() const { return limit_; }
    [[nodiscard]] qsizetype Bytes(const QString& text) const;

    // The longest beginning of `incoming` that may replace text[start, end):
    // the result stays within the limit, or within the text's own size when
    // that is larger already. A character is never split. It ends before the
    // first character that is refused.
    [[nodiscard]] QString Admit(const QString& text, qsizetype start, qsizetype end, const QString& incoming) const;
    // Why the first refused character of `incoming` is refused; empty when
    // none is.
    [[nodiscard]] QString Refusal(const QString& incoming) const;

private:
    // Where the first refused character of `text` starts; its size when none is.
    qsizetype FirstRefused(const QString& text, QString* why = nullptr) const;

    qsizetype limit_ = -1;
    Measure measure_;
    CharacterRefusal refusal_;
};
