#include "data/gps/GpsData.h"

#include "controls/AngleText.h"
#include "data/UnitFacts.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "platform/MeasureSetting.h"
#include "platform/MessageIds.h"
#include "protocol/Vocabulary.h"

#include <QDate>
#include <QTime>

namespace {
constexpr std::uint8_t kStatusClass = Protocol::Class::kStatus;
constexpr std::uint8_t kOpDateTime = Protocol::Op::kDateTime;
constexpr std::uint8_t kOpDateTimeReply = Protocol::Op::kDateTimeReply;

// Date-and-time reply: day 3, month 4, year 5-6, hour 7, minute 8, second 9.
constexpr std::int32_t kDateTimeLastOffset = 9;

// 0xC001: latitude, longitude, altitude (32 bits each), mode byte.
constexpr std::int32_t kPositionLength = 13;
constexpr std::uint8_t kModeSurveyedPosition = 1;

constexpr double kRawPerDegree = 10000000.0;
constexpr double kMetresPerFoot = 0.3048;
} // namespace

CGPSData::CGPSData() : CDataClass(kAddress, {WM_GPS_READ_DONE, 0})
{
    const std::uint16_t reads[] = {kPositionId};
    AddReadIds(reads);
}

bool CGPSData::Read()
{
    if (!IsConnected() || GetOperationState() == kWriting)
        return false;
    if (GetOperationState() == kReading)
        return true;
    // One step more for the date-and-time query.
    ShowProgress(static_cast<int>(PendingReads().size()) + 1);
    dateTimeRequested_ = false;
    return SendNextRead();
}

bool CGPSData::SendNextRead()
{
    if (!dateTimeRequested_) {
        SendDateTimeRequest();
        SetOperationState(kReading);
    }
    dateTimeRequested_ = true;
    if (PendingReads().empty()) {
        NotifyWindows(WM_GPS_READ_DONE, 1);
        HideProgress();
        SetOperationState(kIdle);
    } else {
        SendReadRequest(PendingReads().front());
        StepProgress();
        SetOperationState(kReading);
    }
    return true;
}

bool CGPSData::Write()
{
    MutablePendingWrites().clear();
    return false;
}

bool CGPSData::SendNextWrite()
{
    return false;
}

void CGPSData::SendDateTimeRequest()
{
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kStatusClass);
    request->AppendByte(kAddress);
    request->AppendByte(kOpDateTime);
    request->AppendUInt16(0);
    Channel().Send(std::move(request));
}

void CGPSData::ParseReadReply(const CDeviceMessage& reply)
{
    std::int32_t messageClass = 0, opcode = 0;
    reply.GetByte(0, messageClass);
    reply.GetByte(2, opcode);
    if (messageClass == kStatusClass && opcode == kOpDateTimeReply) {
        StoreDateTime(reply);
        return;
    }
    CDataClass::ParseReadReply(reply);
}

void CGPSData::StoreDateTime(const CDeviceMessage& reply)
{
    if (reply.GetLength() <= kDateTimeLastOffset) {
        qCWarning(lcData, "CGPSData: short date and time reply: %d bytes", reply.GetLength());
        FailOperation();
        return;
    }
    std::int32_t day = 0, month = 0, year = 0, hour = 0, minute = 0, second = 0;
    reply.GetByte(3, day);
    reply.GetByte(4, month);
    reply.GetUInt16(5, year);
    reply.GetByte(7, hour);
    reply.GetByte(8, minute);
    reply.GetByte(9, second);
    dateTime_ = {year, month, day, hour, minute, second};
    StepProgress();
}

bool CGPSData::StoreValue(std::uint16_t id, const Value& value)
{
    if (id != kPositionId)
        return true;
    if (value.length < kPositionLength)
        return false;
    std::int32_t latitude = 0, longitude = 0, altitude = 0, mode = 0;
    const CDeviceMessage& m = value.message;
    if (!m.GetUInt32(value.offset, latitude) || !m.GetUInt32(value.offset + 4, longitude) ||
        !m.GetUInt32(value.offset + 8, altitude) || !m.GetByte(value.offset + 12, mode))
        return false;

    UnitFacts& facts = AppUnitFacts();
    latitude_ = latitude / kRawPerDegree;
    facts.latitude = latitude_;
    facts.latitudeText = AngleText(latitude_, true);
    longitude_ = longitude / kRawPerDegree;
    facts.longitude = longitude_;
    facts.longitudeText = AngleText(longitude_, false);
    altitudeCm_ = altitude;
    facts.altitudeCm = altitude;
    if (const std::optional<QString> measure = ReadMeasureSetting())
        facts.altitudeText = AltitudeText(altitude, *measure, true);

    // Both flags follow the latest mode byte, so a unit switched to its stored
    // position is no longer shown as surveying itself after a re-read.
    surveyedPosition_ = mode == kModeSurveyedPosition;
    selfSurvey_ = !surveyedPosition_;
    facts.surveyedPosition = surveyedPosition_;
    return true;
}

QString AltitudeText(std::int32_t altitudeCm, const QString& measure, bool unit)
{
    const double metres = altitudeCm / 100.0;
    if (!MeasureInFeet(measure))
        return QString::asprintf(unit ? "%.2f m" : "%.2f", metres);
    return QString::asprintf(unit ? "%.2f ft" : "%.2f", metres / kMetresPerFoot);
}

QString AltitudeFieldText(std::int32_t altitudeCm, const std::optional<QString>& measure)
{
    return measure ? AltitudeText(altitudeCm, *measure, false) : QString();
}

QString AltitudeUnitLabel(const std::optional<QString>& measure)
{
    return measure && MeasureInFeet(*measure) ? QStringLiteral("ft.") : QStringLiteral("m");
}

bool IsValidGpsDateTime(const GpsDateTime& v)
{
    // The calendar range of the desktop's date type: years 100 to 9999.
    return v.year >= 100 && v.year <= 9999 && QDate::isValid(v.year, v.month, v.day) &&
           QTime::isValid(v.hour, v.minute, v.second);
}

QString GpsDateText(const GpsDateTime& v)
{
    if (IsValidGpsDateTime(v))
        return QString::asprintf("%02d.%02d.%04d", v.day, v.month, v.year);
    return QString::asprintf("%d:%d:%d", v.day, v.month, v.year);
}

QString GpsTimeText(const GpsDateTime& v)
{
    if (IsValidGpsDateTime(v))
        return QString::asprintf("%02d:%02d:%02d", v.hour, v.minute, v.second);
    return QString::asprintf("%d:%d:%d", v.hour, v.minute, v.second);
}
