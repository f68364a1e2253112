#pragma once
// The unit's timing groups.
//
// CClockTimingData (parameter 0xC005): how the clock outputs behave after the
// GPS fix is lost: the fix-lost alarm time, the clocks-out alarm time and the
// clock disable time, in seconds, plus a fourth word the tool always sends as 1.
// Read and written whole.
//
// CRFData (parameters 0xC003, 0xC004): the GPS antenna delay and the frame
// clock delay the unit compensates, in nanoseconds. Read-only here; the
// delays are set during commissioning.

#include "data/DataClass.h"
#include "protocol/Vocabulary.h"

#include <QString>

#include <cstdint>

class CClockTimingData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kClockTiming;
    static constexpr std::uint16_t kTimingId = Protocol::Param::kClockTiming;
    static constexpr std::int32_t kValueLength = 8;
    static constexpr std::int32_t kFourthWord = 1;

    CClockTimingData();

    [[nodiscard]] std::int32_t GetFixLostAlarmTime() const { return fixLostAlarm_; }
    [[nodiscard]] std::int32_t GetClocksOutAlarmTime() const { return clocksOutAlarm_; }
    [[nodiscard]] std::int32_t GetClockDisableTime() const { return clockDisable_; }
    [[nodiscard]] std::int32_t GetFourthWord() const { return fourthWord_; }

    // Only store the value; the caller writes the group with WriteAll.
    void SetClocksOutAlarmTime(std::int32_t seconds) { clocksOutAlarm_ = seconds; }
    void SetClockDisableTime(std::int32_t seconds) { clockDisable_ = seconds; }

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;
    bool EncodeValue(std::uint16_t id, CDeviceMessage& value) override;

private:
    std::int32_t fixLostAlarm_ = 10;
    std::int32_t clocksOutAlarm_ = 3540;
    std::int32_t clockDisable_ = 60;
    std::int32_t fourthWord_ = kFourthWord;
};

class CRFData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kTimeCalculation;
    static constexpr std::uint16_t kAntennaDelayId = Protocol::Param::kAntennaDelay;
    static constexpr std::uint16_t kFrameClockDelayId = Protocol::Param::kFrameClockDelay;

    CRFData();

    // Refuses (true, nothing sent) while a read or a write runs.
    bool Read() override;
    bool Write() override;
    bool SendNextWrite() override;

    [[nodiscard]] std::uint32_t GetGpsAntennaDelay() const { return antennaDelay_; }
    [[nodiscard]] std::uint16_t GetFrameClockDelay() const { return frameClockDelay_; }

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;

private:
    std::uint32_t antennaDelay_ = 0;
    std::uint16_t frameClockDelay_ = 0;
};

// What the clock-out dialog lets a user set, and how its fields are taken in.
namespace clocktiming {

inline constexpr std::int32_t kClocksOutMin = 11;
inline constexpr std::int32_t kClocksOutMax = 3540;
inline constexpr std::int32_t kDisableMin = 0;
inline constexpr std::int32_t kDisableMax = 60;

// Which field a refusal is about.
enum class Field { None, FixLost, ClocksOut, Disable };

struct Rows {
    std::int32_t fixLost = 0;
    std::int32_t clocksOut = 0;
    std::int32_t disable = 0;
};

struct Taken {
    Rows rows;
    Field refused = Field::None;
    QString message; // the framework's field message when refused
    [[nodiscard]] bool Valid() const { return refused == Field::None; }
};

// Takes the three fields in order, stopping at the first one refused. The
// clocks-out time may carry a leading '+' (the field lets it through).
[[nodiscard]] Taken TakeRows(const QString& fixLost, const QString& clocksOut, const QString& disable);

// The clocks-out alarm cannot come before the fix-lost alarm.
[[nodiscard]] bool ClocksOutBeforeFixLost(const Rows& rows);
[[nodiscard]] QString ClocksOutBeforeFixLostWarning(std::int32_t fixLostSeconds);

} // namespace clocktiming

// "Problems encountered when sending data to the target device..." (string table).
inline constexpr unsigned kSendingProblemStringId = 61236;
