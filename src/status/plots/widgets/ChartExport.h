#pragma once
// Saving what a chart window shows: as a PNG picture of the widget or as an
// SVG drawing of it. The file is asked for through the platform's file
// dialog and written whole or not at all; a failure is told to the user.

#include <QString>

class QWidget;

enum class ChartImageFormat { Png, Svg };

// The image bytes of the widget as it is drawn now; empty when they could
// not be made.
[[nodiscard]] QByteArray ChartImageBytes(QWidget& widget, ChartImageFormat format, const QString& title);

// Asks for a file (proposing `baseName` with the format's suffix) and writes
// the widget there. Returns the path written; empty when the user cancelled
// or the file could not be written (the user was told why).
QString SaveChartImage(QWidget& widget, ChartImageFormat format, const QString& baseName, const QString& title);
