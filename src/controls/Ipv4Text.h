#pragma once
// IPv4 addresses as four numbers 0..255 and as dotted text.

#include <QString>

#include <array>
#include <optional>

using Ipv4Fields = std::array<int, 4>;

[[nodiscard]] bool IsValidIpv4Field(int value);
[[nodiscard]] bool IsValidIpv4(const Ipv4Fields& fields);

// "a.b.c.d": four numbers of one to three decimal digits, each 0..255 (leading
// zeros allowed, blanks around the whole text ignored); nothing otherwise.
[[nodiscard]] std::optional<Ipv4Fields> ParseIpv4(const QString& text);

// "a.b.c.d" without leading zeros.
[[nodiscard]] QString FormatIpv4(const Ipv4Fields& fields);
