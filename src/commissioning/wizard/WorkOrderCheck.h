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
        // Not written as the format asks (a whole number with a fraction, as a
        // longitude in degrees): the wizard would take it in another unit.
        NotAsWritten,
    };

    Kind kind = Kind::Refusal;
    QString parameter;            // the work order's parameter name, e.g. "qorQ1Mask"
    std::optional<QString> value; // as written, without surrounding blanks; nothing when missing
    // Missing and Refusal: the message the program shows, word for word.
    // Replacement, Warning and NotAsWritten: what is wrong, in our words.
    QString message;
    unsigned messageId = 0; // the string table's number of the program's message; 0 for ours

    // "qorQ1Mask 255.0.0.0: "Invalid Subnet Mask for the given IP address"",
    // "qorBtsFrDelay 5000: replaced: the wizard would use 4800 instead",
    // "qorGPSAntennaLongitudeLocation 24.93845: refused: not a number as
    // written: ...", "qorQ1GW 192.168.1.10: warning: ...". On
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

// What a commissioning without a screen makes of a problem of its unit: it
// stops for every problem, save a value the wizard itself replaces (with what
// its page would say were it typed in) when the caller takes the wizard's
// replacements, and save the three dotted addresses where the wizard has no
// Q1 page (a remote connection) and never uses them.
enum class EProblemUse { Stops, Replaced, NotUsed };
[[nodiscard]] EProblemUse CommissioningUse(const SWorkOrderProblem& problem, const QList<SWorkOrderProblem>& all,
                                           bool acceptReplaced, bool withoutQ1Page);
