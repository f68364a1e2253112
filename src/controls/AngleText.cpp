#include "controls/AngleText.h"

#include <cmath>

AngleParts SplitAngle(double magnitude, bool decimalSeconds)
{
    AngleParts parts;
    const double a = std::fabs(magnitude);
    parts.degrees = static_cast<int>(a);
    const double fraction = a - parts.degrees;
    parts.minutes = static_cast<int>(fraction * 60.0);
    double seconds = (fraction - parts.minutes / 60.0) * 3600.0;
    if (decimalSeconds)
        seconds = std::floor(seconds * 1000.0 + 0.5) / 1000.0;
    else
        seconds = std::floor(seconds);
    if (seconds < 0.0)
        seconds = 0.0;
    if (seconds > 59.999) {
        ++parts.minutes;
        seconds = 0.0;
    }
    if (parts.minutes >= 60) {
        ++parts.degrees;
        parts.minutes -= 60;
    }
    parts.seconds = seconds;
    return parts;
}

QString AngleText(double angle, bool latitude)
{
    const bool negative = angle < 0.0;
    const AngleParts parts = SplitAngle(angle);
    const QChar hemisphere = latitude ? (negative ? u'S' : u'N') : (negative ? u'W' : u'E');
    return QStringLiteral("%1 %2%3%4'%5")
        .arg(hemisphere)
        .arg(parts.degrees, latitude ? 2 : 3, 10, QLatin1Char('0'))
        .arg(QChar(0x00B0))
        .arg(parts.minutes, 2, 10, QLatin1Char('0'))
        .arg(QString::asprintf("%06.3f", parts.seconds));
}
