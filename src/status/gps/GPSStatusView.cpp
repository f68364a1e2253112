#include "status/gps/GPSStatusView.h"

#include "platform/MeasureSetting.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr std::uint8_t kClass = 0x83;
constexpr std::uint8_t kAddress = 0x01;
constexpr std::uint8_t kRequestOpcode = 0x12;
constexpr std::uint8_t kReplyOpcode = 0x13;

constexpr int kTimeAt = 4;
constexpr int kAltitudeAt = 9;
constexpr int kLatitudeAt = 13;
constexpr int kLongitudeAt = 17;
constexpr int kSatelliteAt = 21;
constexpr int kCNoAt = 33;
constexpr int kStateAt = 45;
constexpr int kElevationAt = 57;
constexpr int kAzimuthAt = 105;

const QString kNoAngle = QStringLiteral("--\u00B0");

QString AngleValueText(std::uint32_t value)
{
    if (value == 0)
        return kNoAngle;
    // Taken as unsigned: the unit sends no angle below zero.
    return QString::asprintf("%.2f", double(float(double(value) / 10000000.0)));
}

struct PackedParts {
    bool negative = false;
    long long degrees = 0, minutes = 0, seconds = 0, thousandths = 0;
};

PackedParts SplitPacked(std::int32_t packed)
{
    // Widened first: the most negative value has no 32-bit magnitude.
    const long long v = std::llabs(static_cast<long long>(packed));
    return {packed < 0, v / 10000000, (v / 100000) % 100, (v / 1000) % 100, v % 1000};
}

} // namespace

CGPSStatusView::CGPSStatusView(IStatusFrame& frame) : CStatusPoller(frame)
{
    if (const std::optional<QString> setting = ReadMeasureSetting())
        metric_ = !setting->isEmpty() && setting->at(0) == u'0';
}

std::unique_ptr<CDeviceMessage> CGPSStatusView::BuildRequest() const
{
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kClass);
    request->AppendByte(kAddress);
    request->AppendByte(kRequestOpcode);
    request->AppendUInt16(0);
    return request;
}

void CGPSStatusView::OnStatusReply(const CDeviceMessage& reply)
{
    if (Decode(reply)) {
        emit Redraw();
        emit Answered();
    }
}

bool CGPSStatusView::Decode(const CDeviceMessage& reply)
{
    std::int32_t b0 = 0, b1 = 0, b2 = 0, b3 = 0;
    if (!reply.GetByte(0, b0) || !reply.GetByte(1, b1) || !reply.GetByte(2, b2) || !reply.GetByte(3, b3))
        return false;
    if (b0 != kClass || b1 != kAddress || b2 != kReplyOpcode || b3 != 0)
        return false;

    if (!reply.GetByte(kTimeAt, hour_) || !reply.GetByte(kTimeAt + 1, minute_) || !reply.GetByte(kTimeAt + 2, second_))
        return false;
    if (!reply.GetUInt32(kAltitudeAt, altitudeCm_) || !reply.GetUInt32(kLatitudeAt, latitude_) ||
        !reply.GetUInt32(kLongitudeAt, longitude_))
        return false;
    for (int i = 0; i < kChannels; ++i) {
        Channel& c = channels_[i];
        std::int32_t value = 0;
        if (!reply.GetByte(kSatelliteAt + i, c.satellite))
            return false;
        if (!reply.GetByte(kCNoAt + i, value))
            return false;
        c.cno = std::min(value, kMaxCNo);
        statesReceived_ = true;
        if (!reply.GetByte(kStateAt + i, value))
            return false;
        c.state = static_cast<std::uint8_t>(value);
        if (!reply.GetUInt32(kElevationAt + 4 * i, c.elevation) || !reply.GetUInt32(kAzimuthAt + 4 * i, c.azimuth))
            return false;
    }
    return true;
}

void CGPSStatusView::ClearStatus()
{
    channels_ = {};
    latitude_ = longitude_ = altitudeCm_ = 0;
    hour_ = minute_ = second_ = 0;
    emit Redraw();
}

bool CGPSStatusView::IsWeak(int channel) const
{
    const Channel& c = channels_.at(channel);
    return statesReceived_ ? (c.state & 1) == 0 : c.cno < kWeakCNo;
}

int CGPSStatusView::BarWidth(int channel, int cellWidth) const
{
    return (CNo(channel) * 100 / kMaxCNo) * cellWidth / 100;
}

QString CGPSStatusView::SatelliteText(int channel) const
{
    const int n = SatelliteNumber(channel);
    return n == 0 ? QStringLiteral("---") : QString::number(n);
}

QString CGPSStatusView::CNoText(int channel) const
{
    const int cno = CNo(channel);
    return cno == 0 ? QStringLiteral("-- dBHz") : QStringLiteral("%1 dBHz").arg(cno);
}

QString CGPSStatusView::ElevationText(int channel) const
{
    return AngleValueText(Elevation(channel));
}

QString CGPSStatusView::AzimuthText(int channel) const
{
    return AngleValueText(Azimuth(channel));
}

QString CGPSStatusView::PackedAngleText(std::int32_t packed, bool latitude)
{
    const PackedParts p = SplitPacked(packed);
    const char* hemisphere = latitude ? (p.negative ? "S " : "N ") : (p.negative ? "W " : "E ");
    const char* format = latitude ? "%s%02lld\u00B0%02lld'%02lld.%03lld\"" : "%s%03lld\u00B0%02lld'%02lld.%03lld\"";
    return QString::asprintf(format, hemisphere, p.degrees, p.minutes, p.seconds, p.thousandths);
}

double CGPSStatusView::PackedAngleDegrees(std::int32_t packed)
{
    const PackedParts p = SplitPacked(packed);
    const double degrees = double(p.degrees) + double(p.minutes) / 60.0 + double(p.seconds) / 3600.0 +
                           double(p.thousandths) / 3600000.0;
    return p.negative ? -degrees : degrees;
}

QString CGPSStatusView::AltitudeText(std::int32_t centimetres, bool metric)
{
    if (metric)
        return QString::asprintf("%.2f m ", double(centimetres) / 100.0);
    // Hundredths of a foot, cut towards zero; kept in a double so that no
    // altitude overflows an integer.
    return QString::asprintf("%.2f ft ", std::trunc(double(centimetres) / 0.3048) / 100.0);
}

QString CGPSStatusView::LatitudeText() const
{
    return PackedAngleText(latitude_, true);
}

QString CGPSStatusView::LongitudeText() const
{
    return PackedAngleText(longitude_, false);
}

QString CGPSStatusView::AltitudeText() const
{
    return AltitudeText(altitudeCm_, metric_);
}

QString CGPSStatusView::TimeText() const
{
    // The bytes as received, even outside a day's range.
    return QString::asprintf("%02d:%02d:%02d", hour_, minute_, second_);
}

double CGPSStatusView::GetLatitudeDegrees() const
{
    return PackedAngleDegrees(latitude_);
}

double CGPSStatusView::GetLongitudeDegrees() const
{
    return PackedAngleDegrees(longitude_);
}

double CGPSStatusView::GetAltitudeMetres() const
{
    return double(altitudeCm_) / 100.0;
}
