#pragma once
// A page's refusal (or notice) in the commissioning wizard: the message the
// user sees and the control that gets the focus afterwards.

#include "platform/UserPrompts.h"

#include <QString>

namespace WizardStringId {
inline constexpr unsigned Caption = 61232;
inline constexpr unsigned FinishCaption = 61345;      // "Next >" on the last page
inline constexpr unsigned EnterAltitude = 61317;
inline constexpr unsigned EnterQ1Address = 61319;
inline constexpr unsigned EnterGpsDelay = 61320;
inline constexpr unsigned EnterFrameDelay = 61321;
inline constexpr unsigned IpRanges = 61352;
inline constexpr unsigned GatewayRange = 61354;
inline constexpr unsigned InvalidMask = 61357;
inline constexpr unsigned InvalidHost = 61358;
inline constexpr unsigned InvalidGateway = 61359;
inline constexpr unsigned IpChangeWarning = 61360;
inline constexpr unsigned ManualPositionAdvice = 61361;
inline constexpr unsigned IntegerRange = 61714;
inline constexpr unsigned GpsModeLocked = 61300;
inline constexpr unsigned GpsModeSurvey = 61301;
inline constexpr unsigned GpsModeUndefined = 32791;
} // namespace WizardStringId

// The controls a refusal can send the focus to.
enum class EWizardField {
    Altitude,
    GpsAntennaDelay,
    FrameClockDelay,
    Q1Address,
    IpAddress,
    SubnetMask,
    Gateway,
};

struct SPageProblem {
    unsigned messageId = 0;
    QString text; // the message, filled in
    MsgIcon icon = MsgIcon::None;
    EWizardField field = EWizardField::Q1Address;
    int octet = -1;         // address controls: the field that gets the focus
    bool selectAll = false; // edits: select the whole text as well
};

// The text of a wizard string from the string table.
[[nodiscard]] QString WizardString(unsigned id);

// 61714 "Enter an integer between %1 and %2." for the field.
[[nodiscard]] SPageProblem IntegerRangeProblem(EWizardField field, long long min, long long max);
// A plain message box and the focus on the field.
[[nodiscard]] SPageProblem PlainProblem(unsigned id, EWizardField field, int octet = -1);

// Leading blanks, optional sign, decimal digits up to the first other
// character (the C library's base-10 reading); no digits gives 0. Saturates far
// beyond any field's range instead of overflowing.
[[nodiscard]] long long ReadDecimalInteger(const QString& text);
// The same for a decimal number with an optional fraction; no digits gives 0.
[[nodiscard]] double ReadDecimalNumber(const QString& text);

// Shows the problem's message box as the page would.
MsgAnswer ShowPageProblem(const SPageProblem& problem);
