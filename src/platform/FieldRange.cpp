#include "platform/FieldRange.h"

namespace {
// Digits with an optional sign; nothing when the text is not a number at all,
// a value beyond 64 bits saturates (it is out of any field's range anyway).
std::optional<std::int64_t> ParseInteger(const QString& text, bool allowMinus)
{
    const QString trimmed = text.trimmed();
    qsizetype at = 0;
    const bool negative = allowMinus && trimmed.startsWith(QLatin1Char('-'));
    if (negative)
        at = 1;
    if (at >= trimmed.size())
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (; at < trimmed.size(); ++at) {
        const QChar c = trimmed.at(at);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        if (magnitude < (std::int64_t{1} << 40))
            magnitude = magnitude * 10 + (c.unicode() - '0');
    }
    return negative ? -magnitude : magnitude;
}

template <typename T>
TakenField<T> Take(const QString& text, std::int64_t min, std::int64_t max, bool allowMinus, const char* notANumber)
{
    const auto number = ParseInteger(text, allowMinus);
    if (!number)
        return {std::nullopt, QString::fromLatin1(notANumber)};
    if (*number < min || *number > max)
        return {std::nullopt, IntegerRangeMessage(min, max)};
    return {static_cast<T>(*number), QString()};
}

template <typename T>
bool TakeAndTell(const TakenField<T>& field, T& value)
{
    if (!field.Valid()) {
        ShowMessageBox(field.message, kFieldMessageIcon, MsgButtons::Ok);
        return false;
    }
    value = *field.value;
    return true;
}
} // namespace

QString IntegerRangeMessage(std::int64_t min, std::int64_t max)
{
    return QStringLiteral("Enter an integer between %1 and %2.").arg(min).arg(max);
}

TakenField<std::uint32_t> TakeUnsignedField(const QString& text, std::uint32_t min, std::uint32_t max)
{
    return Take<std::uint32_t>(text, min, max, false, "Enter a positive integer.");
}

TakenField<std::int32_t> TakeIntegerField(const QString& text, std::int32_t min, std::int32_t max)
{
    return Take<std::int32_t>(text, min, max, true, "Enter an integer.");
}

bool TakeUnsignedFieldOrWarn(const QString& text, std::uint32_t min, std::uint32_t max, std::uint32_t& value)
{
    return TakeAndTell(TakeUnsignedField(text, min, max), value);
}

bool TakeIntegerFieldOrWarn(const QString& text, std::int32_t min, std::int32_t max, std::int32_t& value)
{
    return TakeAndTell(TakeIntegerField(text, min, max), value);
}
