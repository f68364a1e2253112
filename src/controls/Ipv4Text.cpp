#include "controls/Ipv4Text.h"

#include <QStringList>

#include <algorithm>

bool IsValidIpv4Field(int value)
{
    return value >= 0 && value <= 255;
}

bool IsValidIpv4(const Ipv4Fields& fields)
{
    return std::all_of(fields.begin(), fields.end(), IsValidIpv4Field);
}

std::optional<Ipv4Fields> ParseIpv4(const QString& text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    Ipv4Fields fields{};
    for (int i = 0; i < 4; ++i) {
        const QString& part = parts.at(i);
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        int value = 0;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
            value = value * 10 + (c.unicode() - '0');
        }
        if (!IsValidIpv4Field(value))
            return std::nullopt;
        fields[static_cast<std::size_t>(i)] = value;
    }
    return fields;
}

QString FormatIpv4(const Ipv4Fields& fields)
{
    return QStringLiteral("%1.%2.%3.%4").arg(fields[0]).arg(fields[1]).arg(fields[2]).arg(fields[3]);
}
