#pragma once
// The GPS group: the antenna position (latitude, longitude, altitude), the GPS
// mode and the unit's GPS date and time. Every read starts with the unit's
// date-and-time query, then reads parameter 0xC001. The position goes to the
// main frame's record of the unit with its display texts. Read-only.

#include "data/DataClass.h"
#include "protocol/Vocabulary.h"

#include <QString>

#include <cstdint>
#include <optional>

struct GpsDateTime {
    int year = 1900;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

class CGPSData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kGps;
    static constexpr std::uint16_t kPositionId = Protocol::Param::kGpsParameters;

    CGPSData();

    bool Read() override;
    bool SendNextRead() override;
    bool Write() override;
    bool SendNextWrite() override;

    [[nodiscard]] double GetLatitude() const { return latitude_; }
    [[nodiscard]] double GetLongitude() const { return longitude_; }
    [[nodiscard]] std::int32_t GetAltitude() const { return altitudeCm_; }
    [[nodiscard]] const GpsDateTime& GetDateTime() const { return dateTime_; }
    [[nodiscard]] bool GetSelfSurvey() const { return selfSurvey_; }
    [[nodiscard]] bool GetSurveyedPosition() const { return surveyedPosition_; }

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;
    void ParseReadReply(const CDeviceMessage& reply) override;

private:
    void SendDateTimeRequest();
    void StoreDateTime(const CDeviceMessage& reply);

    double latitude_ = 0.0;
    double longitude_ = 0.0;
    std::int32_t altitudeCm_ = 0;
    GpsDateTime dateTime_;
    bool selfSurvey_ = false;
    bool surveyedPosition_ = false;
    // Whether the running read has sent its date-and-time query.
    bool dateTimeRequested_ = false;
};

// Texts the GPS group's users show.

// Altitude in centimetres as "%.2f" metres or feet by the measurement setting
// `measure` ("0" metres, anything else feet); with `unit`, " m" or " ft" follows.
[[nodiscard]] QString AltitudeText(std::int32_t altitudeCm, const QString& measure, bool unit);
// The altitude field of the GPS dialog: empty when the setting can't be read.
[[nodiscard]] QString AltitudeFieldText(std::int32_t altitudeCm, const std::optional<QString>& measure);
// The label after the altitude: "ft." for a readable setting other than "0", else "m".
[[nodiscard]] QString AltitudeUnitLabel(const std::optional<QString>& measure);

// "dd.mm.yyyy" and "hh:mm:ss" for a valid calendar date and time; otherwise the
// raw numbers "day:month:year" and "hour:minute:second" without leading zeros.
[[nodiscard]] bool IsValidGpsDateTime(const GpsDateTime& value);
[[nodiscard]] QString GpsDateText(const GpsDateTime& value);
[[nodiscard]] QString GpsTimeText(const GpsDateTime& value);
