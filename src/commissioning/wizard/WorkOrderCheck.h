#pragma once
// A work order's unit checked before anyone drives to the site: every rule the
// wizard's pages apply to the values it is pre-filled with, run on the values
// as the work order writes them, every value the pages would quietly replace,
// and what no page refuses but no site can use. The pages' own rule functions
// do the checking, so the check and the wizard always agree.

#include "commissioning/WorkOrder.h"

#include <QList>
#include <QString>

#include <optional>

struct SWorkOrderProblem {
    enum class Kind {
        Missing,     // the parameter is absent: the work order cannot be opened for this unit
        Refusal,     // a page would refuse the value with its message
        Replacement, // the pages would put another value in its place without a word
        Warning,     // no page refuses it, but the unit could not work with it
    };

    Kind kind = Kind::Refusal;
    QString parameter;            // the work order's parameter name, e.g. "qorQ1Mask"
    std::optional<QString> value; // as written, without surrounding blanks; nothing when missing
    // Missing and Refusal: the message the program shows, word for word.
    // Replacement and Warning: what happens instead, in our words.
    QString message;
    unsigned messageId = 0; // the string table's number of the program's message; 0 for ours

    // "qorQ1Mask 255.0.0.0: "Invalid Subnet Mask for the given IP address"",
    // "qorBtsFrDelay 5000: replaced: the wizard would use 4800 instead". On
    // one line: line breaks, backslashes and double quotes inside the value
    // or the message are written as \n, \\ and \".
    [[nodiscard]] QString Line() const;
    // The same for a person reading a message box: the message's own line
    // breaks kept.
    [[nodiscard]] QString Text() const;
};

// The text on one line: line breaks, tabs, backslashes and double quotes
// written as \n, \r, \t, \\ and \".
[[nodiscard]] QString OneLineText(const QString& text);

// The problems of the work order's unit, grouped by parameter in the order of
// the wizard's pages; empty when the wizard would take every value as written.
[[nodiscard]] QList<SWorkOrderProblem> CheckWorkOrderUnit(const CWorkOrder& workOrder);
