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

CGPSStatusView::CGPSStatusView(IStatusFrame& frame) : CStatusPoller(frame), metric_(MetricUnitsSetting()) {}

bool CGPSStatusView::MetricUnitsSetting()
{
    const std::optional<QString> setting = ReadMeasureSetting();
    return !setting || (!setting->isEmpty() && setting->at(0) == u'0');
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
    return IsWeak(status_, statesReceived_, channel);
}

bool CGPSStatusView::IsWeak(const Protocol::SGpsStatus& status, bool statesReceived, int channel)
{
    const Protocol::SGpsChannel& c = status.channels.at(std::size_t(channel));
    return statesReceived ? (c.state & 1) == 0 : c.cno.value < kWeakCNo;
}

int CGPSStatusView::BarWidth(int channel, int cellWidth) const
{
    return (CNo(channel) * 100 / kMaxCNo) * cellWidth / 100;
}

QString CGPSStatusView::SatelliteText(int channel) const
{
    return SatelliteText(status_, channel);
}

QString CGPSStatusView::SatelliteText(const Protocol::SGpsStatus& status, int channel)
{
    const int n = status.channels.at(std::size_t(channel)).satellite;
    return n == 0 ? QStringLiteral("---") : QString::number(n);
}

QString CGPSStatusView::CNoText(int channel) const
{
    return CNoText(status_, channel);
}

QString CGPSStatusView::CNoText(const Protocol::SGpsStatus& status, int channel)
{
    const int cno = status.channels.at(std::size_t(channel)).cno.value;
    return cno == 0 ? QStringLiteral("-- dBHz") : QStringLiteral("%1 dBHz").arg(cno);
}

QString CGPSStatusView::ElevationText(int channel) const
{
    return ElevationText(status_, channel);
}

QString CGPSStatusView::ElevationText(const Protocol::SGpsStatus& status, int channel)
{
    return AngleValueText(status.channels.at(std::size_t(channel)).elevation.value);
}

QString CGPSStatusView::AzimuthText(int channel) const
{
    return AzimuthText(status_, channel);
}

QString CGPSStatusView::AzimuthText(const Protocol::SGpsStatus& status, int channel)
{
    return AngleValueText(status.channels.at(std::size_t(channel)).azimuth.value);
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
    return LatitudeText(status_);
}

QString CGPSStatusView::LatitudeText(const Protocol::SGpsStatus& status)
{
    return PackedAngleText(status.latitude.packed, true);
}

QString CGPSStatusView::LongitudeText() const
{
    return LongitudeText(status_);
}

QString CGPSStatusView::LongitudeText(const Protocol::SGpsStatus& status)
{
    return PackedAngleText(status.longitude.packed, false);
}

QString CGPSStatusView::AltitudeText() const
{
    return AltitudeText(status_.altitude.value, metric_);
}

QString CGPSStatusView::TimeText() const
{
    return TimeText(status_);
}

QString CGPSStatusView::TimeText(const Protocol::SGpsStatus& status)
{
    // The bytes as received, even outside a day's range.
    return QString::asprintf("%02d:%02d:%02d", status.time.hour, status.time.minute, status.time.second);
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
