#pragma once
// Which characters a filtering edit lets through.

#include <QString>

class CSmartEditFilter {
public:
    enum Kind {
        kAny = 0,
        kDigits = 1,
        kSignedDigits = 2,        // digits, + and -
        kDigitsComma = 3,         // digits and ,
        kSignedDigitsComma = 4,   // digits, + - and ,
        kDecimal = 5,             // digits and .
        kSignedDecimal = 6,       // digits, . + and -
        kDecimalComma = 7,        // digits, . and ,
        kSignedDecimalComma = 8,  // digits, . + - and ,
        kCustom = 9,
    };

    void SetCharacterSet(int kind, const QString& custom = {});
    [[nodiscard]] const QString& CharacterSet() const { return set_; }
    // Every character passes an empty set; otherwise the set's characters and Backspace.
    [[nodiscard]] bool Accepts(QChar c) const;
    // The characters of `text` that pass, in order (a pasted Backspace is no
    // typed one and is left out).
    [[nodiscard]] QString Admitted(const QString& text) const;

private:
    QString set_;
};
