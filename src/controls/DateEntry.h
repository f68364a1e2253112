#pragma once
// A date typed into a date picker as a whole: digits fill the day, month and
// year in the order the picker shows them, a separator (or a full section)
// goes on to the next, and the date is taken from all that was typed once
// the last section is done. Nothing is clamped while a section waits for the
// next: typing 15/06/2025 over 31/01/2024 gives 15 June 2025, not a day held
// to January or February on the way. No widget: the picker shows Shown().

#include <QDate>
#include <QString>

#include <optional>
#include <vector>

class CDateEntry {
public:
    enum class Part { Day, Month, Year };

    // The picker's sections in the order shown; an entry needs all three.
    explicit CDateEntry(std::vector<Part> order = {Part::Day, Part::Month, Part::Year});

    [[nodiscard]] bool Usable() const;
    [[nodiscard]] const std::vector<Part>& Order() const { return order_; }

    // Typing starts at section `section` over the date `shown`.
    void Begin(const QDate& shown, int section);
    [[nodiscard]] bool Active() const { return active_; }
    // The section the next character goes to.
    [[nodiscard]] int Section() const { return section_; }

    // One typed character; false when it is refused (and nothing changes).
    bool Type(QChar c);
    // True once the last section is done: Finish() then gives the date.
    [[nodiscard]] bool Complete() const { return section_ >= static_cast<int>(order_.size()); }

    // What the picker shows meanwhile: the sections typed so far over the
    // date typing began on (a day beyond the shown month is shown as its
    // last day, but kept as typed).
    [[nodiscard]] QDate Shown() const;

    // Ends the entry: the typed date, or nothing when the sections typed make
    // no calendar date (the picker then keeps the date it had).
    std::optional<QDate> Finish();
    // The date typing began on.
    [[nodiscard]] const QDate& Original() const { return original_; }

private:
    [[nodiscard]] int Value(Part part) const;
    void CommitSection();

    std::vector<Part> order_;
    bool active_ = false;
    QDate original_;
    int section_ = 0;
    QString digits_;          // typed into the current section so far
    bool advancedByWidth_ = false; // the last section was left because it was full
    int day_ = 1;
    int month_ = 1;
    int year_ = 2000;
};

// A date picker format as the unit's dialogs write it ("dd/MM/yyy": a run of
// three or more y is the full year) in Qt's form ("dd/MM/yyyy").
[[nodiscard]] QString QtDateFormat(const QString& pickerFormat);
