#pragma once
// Saving what a chart window shows: as a PNG picture of the widget or as an
// SVG drawing of it, each under a title line that says what it is (the
// chart, the unit, the time shown in UTC and the program). The file is asked
// for through the platform's file dialog, with a name proposed that has no
// spaces and carries the date, and written whole or not at all; a failure is
// told to the user.

#include <QDateTime>
#include <QString>

#include <cstdint>

class QWidget;

enum class ChartImageFormat { Png, Svg };

// What the title line of an exported chart names.
struct ChartExportInfo {
    QString chart;          // the window's title
    QString unit;           // the history's unit (its connection string); empty when none
    std::int64_t fromMs = 0; // the time shown, ms since the epoch; 0: no data
    std::int64_t toMs = 0;
};

// "Sky Plot - unit at 10.0.0.4, bus address 131 - 2025-12-06 08:00:00 to
// 09:00:00 UTC - Tavra QORA Manager 1.50"
[[nodiscard]] QString ChartTitle(const ChartExportInfo& info);
// "QORA-sky-plot-20251206-090000.png" for the slug "sky-plot" at `whenUtc`.
[[nodiscard]] QString ChartFileName(const QString& slug, ChartImageFormat format, const QDateTime& whenUtc);

// The image bytes of the widget as it is drawn now, under the title; empty
// when they could not be made.
[[nodiscard]] QByteArray ChartImageBytes(QWidget& widget, ChartImageFormat format, const QString& title);

// Asks for a file (proposing ChartFileName for now) and writes the widget
// there. Returns the path written; empty when the user cancelled or the file
// could not be written (the user was told why).
QString SaveChartImage(QWidget& widget, ChartImageFormat format, const QString& slug, const QString& title);
