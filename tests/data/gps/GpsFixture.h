#pragma once
// A GPS group (or its dialog) against a communication handler whose driver
// never sends: the test takes the requests from the send queue and plays the
// unit's replies.

#include "data/UnitFacts.h"
#include "data/gps/GpsData.h"
#include "platform/MeasureSetting.h"
#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

#include <optional>

namespace gpstest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes DateTimeReply(int day, int month, int year, int hour, int minute, int second)
{
    return {0x83, 0x04, 0x24, std::uint8_t(day), std::uint8_t(month), std::uint8_t(year >> 8),
            std::uint8_t(year), std::uint8_t(hour), std::uint8_t(minute), std::uint8_t(second)};
}

inline void AppendInt32(Bytes& out, std::int32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(std::uint8_t(static_cast<std::uint32_t>(value) >> shift));
}

inline Bytes PositionReply(std::int32_t latitude, std::int32_t longitude, std::int32_t altitude, std::uint8_t mode,
                           std::uint8_t status = 0)
{
    Bytes value;
    AppendInt32(value, latitude);
    AppendInt32(value, longitude);
    AppendInt32(value, altitude);
    value.push_back(mode);
    Bytes reply{0x84, 0x04, 0x18, 0x01, 0x00, 0xC0, 0x01, std::uint8_t(value.size() + 4), status};
    reply.insert(reply.end(), value.begin(), value.end());
    return reply;
}

inline const Bytes kDateTimeRequest{0x83, 0x04, 0x23, 0x00, 0x00};
inline const Bytes kPositionRequest{0x84, 0x04, 0x17, 0x01, 0x00, 0xC0, 0x01};

class GpsFixture : public PlayedUnitTest {
protected:
    void SetUp() override
    {
        AppUnitFacts() = UnitFacts{};
        previousMeasure_ = SetMeasureSettingFunction([this] { return measure; });
        PlayedUnitTest::SetUp();
    }
    void TearDown() override
    {
        PlayedUnitTest::TearDown();
        SetMeasureSettingFunction(std::move(previousMeasure_));
        AppUnitFacts() = UnitFacts{};
    }

    std::optional<QString> measure = QStringLiteral("0");

private:
    MeasureSettingFunction previousMeasure_;
};

} // namespace gpstest
