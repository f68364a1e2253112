#pragma once
// The system group: the unit's frame number offset and time slot offset
// (0xC002, display only) and its two Q1 bus options (0xB002): whether the unit
// is the last device on the Q1 chain, which can be written, and whether the
// external clock output is in 1PPS mode.

#include "data/DataClass.h"
#include "protocol/Vocabulary.h"

#include <QString>

#include <cstdint>

class CSystemData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kAddress = Protocol::Address::kSystem;
    static constexpr std::uint16_t kOffsetsId = Protocol::Param::kSystemOffsets;
    static constexpr std::uint16_t kBusOptionsId = Protocol::Param::kBusOptions;
    // A frame number offset of 255: the unit has no offset to report.
    static constexpr std::int32_t kNoOffset = 255;

    CSystemData();

    // As the common read, except that a running write also answers true.
    bool Read() override;

    [[nodiscard]] std::int32_t GetFrameNumberOffset() const { return frameNumberOffset_; }
    [[nodiscard]] std::int32_t GetTimeSlotOffset() const { return timeSlotOffset_; }
    [[nodiscard]] std::int32_t GetLastDevice() const { return lastDevice_; }
    [[nodiscard]] std::int32_t GetOnePps() const { return onePps_; }

    // Stores the option for the next WriteAll; 1 = last device on the chain.
    void SetLastDevice(std::int32_t lastDevice) { lastDevice_ = lastDevice; }

protected:
    bool StoreValue(std::uint16_t id, const Value& value) override;
    bool EncodeValue(std::uint16_t id, CDeviceMessage& value) override;

private:
    std::int32_t frameNumberOffset_ = 0;
    std::int32_t timeSlotOffset_ = 0;
    std::int32_t lastDevice_ = 0;
    std::int32_t onePps_ = 0;
};

// The offset fields' texts: "N/A" for both when the unit has no frame number
// offset, else the two numbers.
[[nodiscard]] QString FrameNumberOffsetText(const CSystemData& system);
[[nodiscard]] QString TimeSlotOffsetText(const CSystemData& system);
