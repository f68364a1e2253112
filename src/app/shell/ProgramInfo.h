#pragma once
// "QORAManager --help" and "--version": answered on the terminal before any
// window opens, so that they work without a display (the manual page is made
// from them at build time). Widget-free.

#include <QString>
#include <QStringList>

enum class ProgramInfoRequest { None, Help, Version };

// Whether the arguments ask for the usage or the release number: "-h" or
// "--help", "--version", exactly so written. The file after "--log" and the
// name after "sobriquet" are values, never such a request; the first request
// found wins.
[[nodiscard]] ProgramInfoRequest FindProgramInfoRequest(const QStringList& arguments);

// The usage text "--help" prints.
[[nodiscard]] QString ProgramUsageText();
