#include "data/constlog/ConstLogData.h"
#include "link/DeviceMessageNotice.h"

#include "data/UnitFacts.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "platform/MeasureSetting.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

namespace {
// Position reply: status at 3, then altitude, latitude and longitude.
constexpr std::int32_t kPositionStatus = 3;
constexpr std::int32_t kAltitudeOffset = 9;
constexpr std::int32_t kLatitudeOffset = 13;
constexpr std::int32_t kLongitudeOffset = 17;
// Day record: thirteen durations, then day, month and year.
constexpr std::int32_t kRecordDay = 52;
constexpr std::int32_t kRecordMonth = 53;
constexpr std::int32_t kRecordYear = 54;

// Metres when the setting reads "0" or cannot be read at all.
bool MetricFromMeasureSetting()
{
    const std::optional<QString> setting = ReadMeasureSetting();
    return !setting || !MeasureInFeet(*setting);
}

ConstLogStatistics& Table()
{
    static ConstLogStatistics table;
    return table;
}
} // namespace

CConstLogData::CConstLogData() : CDataClass(kAddress, {WM_CONSTLOG_DONE, 0}) {}

const ConstLogStatistics& CConstLogData::Statistics()
{
    return Table();
}

void CConstLogData::Start()
{
    Table() = ConstLogStatistics{};
    metric_ = MetricFromMeasureSetting();
    running_ = true;
    SendRequest(kOpPosition);
}

bool CConstLogData::SendRequest(std::uint8_t opcode)
{
    CCommHandler* handler = AppCommHandler();
    if (!handler || !InCommissionMode(handler->GetConnectionType()))
        return false;
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendByte(kClass);
    request->AppendByte(kAddress);
    request->AppendByte(opcode);
    request->AppendUInt16(0);
    Channel().Send(std::move(request));
    return true;
}

MsgResult CConstLogData::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message != WM_DEVICE_MESSAGE)
        return 0;
    if (wParam == 0) {
        // Any failed request of the dialog or command this group works for
        // (its version read too) ends the run: no log with a stale serial.
        if (Channel().IsOwnFailure()) {
            if (running_)
                qCWarning(lcData, "CConstLogData: a request failed; the log is not written");
            running_ = false;
            NotifyWindows(WM_CONSTLOG_DONE, 0);
        }
        return 0;
    }
    const std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam);
    if (!reply || !running_)
        return 0;
    std::int32_t messageClass = 0, address = 0, opcode = 0;
    if (!reply->GetByte(0, messageClass) || !reply->GetByte(1, address) || messageClass != kClass ||
        address != kAddress || !reply->GetByte(2, opcode))
        return 0;
    if (opcode == kOpPositionReply)
        OnPositionReply(*reply);
    else if (opcode == kOpStatisticsReply)
        OnStatisticsReply(*reply);
    return 0;
}

void CConstLogData::OnPositionReply(const CDeviceMessage& reply)
{
    std::int32_t status = 0, altitude = 0, latitude = 0, longitude = 0;
    if (!reply.GetByte(kPositionStatus, status) || status != 0 || !reply.GetUInt32(kAltitudeOffset, altitude) ||
        !reply.GetUInt32(kLatitudeOffset, latitude) || !reply.GetUInt32(kLongitudeOffset, longitude)) {
        qCWarning(lcData, "CConstLogData: position reply not usable: %d bytes, status %d", reply.GetLength(), status);
        return;
    }
    altitudeCm_ = altitude;
    latitude_ = latitude;
    longitude_ = longitude;
    UnitFacts& facts = AppUnitFacts();
    facts.latitudeText = PackedLatitudeText(latitude);
    facts.longitudeText = PackedLongitudeText(longitude);
    facts.altitudeText = LogAltitudeText(altitude, metric_);
    SendRequest(kOpStatistics);
}

void CConstLogData::OnStatisticsReply(const CDeviceMessage& reply)
{
    ConstLogStatistics& table = Table();
    if (reply.GetLength() < kFirstRecordOffset + kConstLogDays * kDayRecordSize)
        qCWarning(lcData, "CConstLogData: short statistics reply: %d bytes, the days beyond it stay empty",
                  reply.GetLength());
    for (int day = 0; day < kConstLogDays; ++day) {
        const std::int32_t record = kFirstRecordOffset + day * kDayRecordSize;
        ConstLogDay& entry = table.days[day];
        for (int count = 0; count < kConstLogCounts; ++count) {
            std::uint32_t seconds = 0;
            if (reply.GetUInt32(record + count * 4, seconds)) {
                entry.durations[count] = seconds;
                table.totals[day] += seconds;
            }
        }
        std::int32_t value = 0;
        if (reply.GetByte(record + kRecordDay, value))
            entry.day = value;
        if (reply.GetByte(record + kRecordMonth, value))
            entry.month = value;
        if (reply.GetUInt16(record + kRecordYear, value))
            entry.year = value;
    }
    running_ = false;
    NotifyWindows(WM_CONSTLOG_DONE, 1);
    if (onStatistics_)
        onStatistics_(*this);
}

ConstLogReport CConstLogData::Report() const
{
    const UnitFacts& facts = AppUnitFacts();
    ConstLogReport report;
    report.serialNumber = facts.serialNumber;
    report.latitudeText = facts.latitudeText;
    report.longitudeText = facts.longitudeText;
    report.altitudeText = facts.altitudeText;
    report.statistics = Table();
    report.positionZero = altitudeCm_ == 0 && latitude_ == 0 && longitude_ == 0;
    return report;
}

void CConstLogData::ReportOrSave(CConstLogData& group)
{
    if (Statistics().Sum() <= 0) {
        ShowMessageBox(LoadResString(ConstLogString::NoStatistics), MsgIcon::Error);
        return;
    }
    SaveConstLog(group.Report());
}
