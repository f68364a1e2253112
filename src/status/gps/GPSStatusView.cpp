#include "status/gps/GPSStatusView.h"

#include "platform/MeasureSetting.h"

#include <cmath>
#include <cstdlib>

namespace {

const QString kNoAngle = QStringLiteral("--\u00B0");

QString AngleValueText(std::uint32_t value)
{
    if (value == 0)
        return kNoAngle;
    // Taken as unsigned: the unit sends no angle below zero.
    return QString::asprintf("%.2f", double(float(double(value) / 10000000.0)));
}

} // namespace

CGPSStatusView::CGPSStatusView(IStatusFrame& frame) : CStatusPoller(frame)
{
    if (const std::optional<QString> setting = ReadMeasureSetting())
        metric_ = !setting->isEmpty() && setting->at(0) == u'0';
}

std::unique_ptr<CDeviceMessage> CGPSStatusView::BuildRequest() const
{
    return std::make_unique<CDeviceMessage>(CDeviceMessage::Of(Protocol::GpsStatusRequest()));
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
    const Protocol::Decoded decoded = Protocol::DecodeGpsStatus(reply.Bytes(), status_);
    // Channel states count from the first C/No the reply carried.
    if (decoded != Protocol::Decoded::NotThisReply && std::size_t(reply.GetLength()) > Protocol::SGpsStatus::kFirstCNoAt)
        statesReceived_ = true;
    return decoded == Protocol::Decoded::Whole;
}

void CGPSStatusView::ClearStatus()
{
    status_ = {};
    emit Redraw();
}

bool CGPSStatusView::IsWeak(int channel) const
{
    const Protocol::SGpsChannel& c = Channel(channel);
    return statesReceived_ ? (c.state & 1) == 0 : c.cno.value < kWeakCNo;
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
    const Protocol::PackedAngle::Parts p = Protocol::PackedAngle{packed}.Split();
    const char* hemisphere = latitude ? (p.negative ? "S " : "N ") : (p.negative ? "W " : "E ");
    const char* format = latitude ? "%s%02lld\u00B0%02lld'%02lld.%03lld\"" : "%s%03lld\u00B0%02lld'%02lld.%03lld\"";
    return QString::asprintf(format, hemisphere, p.degrees, p.minutes, p.seconds, p.thousandths);
}

double CGPSStatusView::PackedAngleDegrees(std::int32_t packed)
{
    return Protocol::PackedAngle{packed}.InDegrees().value;
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
    return PackedAngleText(status_.latitude.packed, true);
}

QString CGPSStatusView::LongitudeText() const
{
    return PackedAngleText(status_.longitude.packed, false);
}

QString CGPSStatusView::AltitudeText() const
{
    return AltitudeText(status_.altitude.value, metric_);
}

QString CGPSStatusView::TimeText() const
{
    // The bytes as received, even outside a day's range.
    return QString::asprintf("%02d:%02d:%02d", status_.time.hour, status_.time.minute, status_.time.second);
}

double CGPSStatusView::GetLatitudeDegrees() const
{
    return status_.latitude.InDegrees().value;
}

double CGPSStatusView::GetLongitudeDegrees() const
{
    return status_.longitude.InDegrees().value;
}

double CGPSStatusView::GetAltitudeMetres() const
{
    return status_.altitude.InMetres().value;
}
