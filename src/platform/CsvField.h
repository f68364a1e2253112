#pragma once
// One field of a CSV line, as every table the tool writes spells it.

#include <QByteArray>
#include <QString>

// UTF-8, quoted (quotes doubled) when it holds a comma, a quote or a line break.
[[nodiscard]] QByteArray CsvField(const QString& text);
