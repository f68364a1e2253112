#include "sim/GpsClock.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>
#include <limits>

namespace sim {
namespace {

GpsSetup& Setup()
{
    static GpsSetup setup;
    return setup;
}

void AppendInt32(std::vector<std::uint8_t>& out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(bits >> shift));
}

bool ParseDegrees(const QString& text, double limit, std::int32_t& raw)
{
    bool ok = false;
    const double degrees = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(degrees) || std::fabs(degrees) > limit)
        return false;
    raw = static_cast<std::int32_t>(std::llround(degrees * 10000000.0));
    return true;
}

} // namespace

void SetGpsSetup(const GpsSetup& setup)
{
    Setup() = setup;
}

const GpsSetup& CurrentGpsSetup()
{
    return Setup();
}

std::optional<GpsClockReading> ParseGpsTime(const QString& text)
{
    static const QRegularExpression pattern(
        QStringLiteral("^\\s*(\\d{1,5})-(\\d{1,3})-(\\d{1,3})[ T]+(\\d{1,3}):(\\d{1,3}):(\\d{1,3})\\s*$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    GpsClockReading r{match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
                      match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt()};
    if (r.year > 0xFFFF || r.month > 0xFF || r.day > 0xFF || r.hour > 0xFF || r.minute > 0xFF || r.second > 0xFF)
        return std::nullopt;
    return r;
}

bool ParseGpsPosition(const QString& text, GpsSetup& setup)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != 3)
        return false;
    std::int32_t latitude = 0, longitude = 0;
    bool ok = false;
    const qlonglong altitude = parts[2].trimmed().toLongLong(&ok);
    if (!ParseDegrees(parts[0], 90.0, latitude) || !ParseDegrees(parts[1], 180.0, longitude) || !ok ||
        altitude < std::numeric_limits<std::int32_t>::min() ||
        altitude > std::numeric_limits<std::int32_t>::max())
        return false;
    setup.latitude = latitude;
    setup.longitude = longitude;
    setup.altitudeCm = static_cast<std::int32_t>(altitude);
    return true;
}

GpsClockReading ReadGpsClock()
{
    if (Setup().fixedTime)
        return *Setup().fixedTime;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QDate date = now.date();
    const QTime time = now.time();
    return {date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

bool AnswerGpsDateTime(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply)
{
    if (request.size() != 4)
        return false;
    const GpsClockReading now = ReadGpsClock();
    reply.push_back(0x54);
    reply.push_back(kOpGpsDateTimeReply);
    reply.push_back(std::uint8_t(now.day));
    reply.push_back(std::uint8_t(now.month));
    reply.push_back(std::uint8_t(now.year >> 8));
    reply.push_back(std::uint8_t(now.year));
    reply.push_back(std::uint8_t(now.hour));
    reply.push_back(std::uint8_t(now.minute));
    reply.push_back(std::uint8_t(now.second));
    return true;
}

std::vector<std::uint8_t> GpsPositionValue(const GpsSetup& setup)
{
    std::vector<std::uint8_t> value;
    AppendInt32(value, setup.latitude);
    AppendInt32(value, setup.longitude);
    AppendInt32(value, setup.altitudeCm);
    value.push_back(setup.mode);
    return value;
}

} // namespace sim
