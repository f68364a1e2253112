#pragma once
// The constellation log's exchange with the unit: the position query, then the
// seven days of statistics (how long 0 .. 12 satellites were visible). It has
// no parameter lists of its own: Read and Write do nothing; Start runs it.

#include "data/DataClass.h"
#include "data/constlog/ConstLogFile.h"
#include "protocol/Vocabulary.h"

#include <functional>

class CConstLogData : public CDataClass {
    Q_OBJECT
public:
    static constexpr std::uint8_t kClass = Protocol::Class::kStatus;
    static constexpr std::uint8_t kAddress = Protocol::Address::kConstellationLog;
    static constexpr std::uint8_t kOpPosition = Protocol::Op::kGpsStatus;
    static constexpr std::uint8_t kOpPositionReply = Protocol::Op::kGpsStatusReply;
    static constexpr std::uint8_t kOpStatistics = Protocol::Op::kLogStatistics;
    static constexpr std::uint8_t kOpStatisticsReply = Protocol::Op::kLogStatisticsReply;
    static constexpr int kDayRecordSize = 56;
    static constexpr int kFirstRecordOffset = 5;

    // What follows a stored statistics reply. By default: the no-statistics
    // message, or the save procedure.
    using StatisticsHandler = std::function<void(CConstLogData& group)>;

    CConstLogData();

    bool Read() override { return false; }
    bool SendNextRead() override { return false; }
    bool Write() override { return false; }
    bool SendNextWrite() override { return false; }

    // Clears the statistics, takes the measurement setting and asks for the
    // position. Nothing is sent unless the unit is in commission mode.
    void Start();
    // Ends the run: replies still on the way are ignored, nothing is saved.
    // The dialog or command ends it when another of its reads failed.
    void Stop() { running_ = false; }

    void SetStatisticsHandler(StatisticsHandler handler) { onStatistics_ = std::move(handler); }

    [[nodiscard]] std::int32_t GetAltitude() const { return altitudeCm_; }
    [[nodiscard]] std::int32_t GetLatitude() const { return latitude_; }
    [[nodiscard]] std::int32_t GetLongitude() const { return longitude_; }
    [[nodiscard]] bool IsMetric() const { return metric_; }

    // The statistics of the last run (one table for the whole program).
    [[nodiscard]] static const ConstLogStatistics& Statistics();
    // The log of the last run, with the serial number and position texts the
    // frame holds.
    [[nodiscard]] ConstLogReport Report() const;

    // The default handling of a stored statistics reply.
    static void ReportOrSave(CConstLogData& group);

protected:
    bool StoreValue(std::uint16_t, const Value&) override { return false; }
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;

private:
    bool SendRequest(std::uint8_t opcode);
    void OnPositionReply(const CDeviceMessage& reply);
    void OnStatisticsReply(const CDeviceMessage& reply);

    std::int32_t altitudeCm_ = 0;
    std::int32_t latitude_ = 0;
    std::int32_t longitude_ = 0;
    bool metric_ = true;
    bool running_ = false; // from Start until the statistics are stored or a request failed
    StatisticsHandler onStatistics_ = &CConstLogData::ReportOrSave;
};
