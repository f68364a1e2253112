#pragma once
// Taking a number in from a dialog's edit field the way the dialog framework
// does: either the value, or the message that tells the user what is wrong
// (shown with kFieldMessageIcon, after which the field gets the focus with its
// text selected).

#include "platform/UserPrompts.h"

#include <QString>

#include <cstdint>
#include <optional>

inline constexpr MsgIcon kFieldMessageIcon = MsgIcon::Warning;

template <typename T>
struct TakenField {
    std::optional<T> value;
    QString message; // empty when there is a value

    [[nodiscard]] bool Valid() const { return value.has_value(); }
};

// "Enter an integer between MIN and MAX."
[[nodiscard]] QString IntegerRangeMessage(std::int64_t min, std::int64_t max);

// Decimal digits (blanks around them allowed) within min..max.
[[nodiscard]] TakenField<std::uint32_t> TakeUnsignedField(const QString& text, std::uint32_t min,
                                                          std::uint32_t max);
// The same with an optional leading '-'.
[[nodiscard]] TakenField<std::int32_t> TakeIntegerField(const QString& text, std::int32_t min, std::int32_t max);

// As above, showing the message when the field is refused; true with the value taken.
bool TakeUnsignedFieldOrWarn(const QString& text, std::uint32_t min, std::uint32_t max, std::uint32_t& value);
bool TakeIntegerFieldOrWarn(const QString& text, std::int32_t min, std::int32_t max, std::int32_t& value);
