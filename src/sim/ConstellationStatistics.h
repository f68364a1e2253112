#pragma once
// What a simulated unit keeps of its sky: for each of the last seven whole
// days (UTC) how many seconds it saw 0, 1, ... 12 satellites, collected as the
// sky model's satellites come and go; and the position it reports with them.
// Its answers to the position query and the seven-day statistics query.

#include "sim/SkyModel.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace sim {

class CUnitModel;

// Service opcodes of the status queries answered here.
inline constexpr std::uint8_t kOpPositionQuery = 0x66;
inline constexpr std::uint8_t kOpPositionReply = 0x67;
inline constexpr std::uint8_t kOpStatisticsQuery = 0x82;
inline constexpr std::uint8_t kOpStatisticsReply = 0x83;

inline constexpr int kStatisticsDays = 7;
inline constexpr int kSatelliteCounts = 13;
inline constexpr std::size_t kDayRecordBytes = 56;

struct DayRecord {
    int day = 0;
    int month = 0;
    int year = 0;
    std::array<std::uint32_t, kSatelliteCounts> seconds{}; // by number of satellites seen

    friend bool operator==(const DayRecord&, const DayRecord&) = default;
};

struct ConstellationOptions {
    // Whole days collected before the simulator started; 0: nothing yet.
    int historyDays = kStatisticsDays;
    // The last whole day before the start saw no satellite at all.
    bool antennaFault = false;
    std::uint64_t skySeed = 1;
    // Records sent as they are, oldest first, instead of collected ones.
    std::optional<std::vector<DayRecord>> fixedRecords;
    // Position as reported: altitude in cm, angles as decimal digits DDDMMSSmmm
    // (negative south or west).
    std::int32_t altitudeCm = 2450;
    std::int32_t latitude = 601012345;
    std::int32_t longitude = 245612000;
};

class CConstellationStatistics {
public:
    CConstellationStatistics(const ConstellationOptions& options, std::int64_t nowSeconds);

    // Collects up to `nowSeconds`; earlier times are ignored.
    void AdvanceTo(std::int64_t nowSeconds);

    // The last seven whole days, oldest first; days before collection began
    // are all zero.
    [[nodiscard]] std::array<DayRecord, kStatisticsDays> Records() const;

    // 392 bytes: the seven records as the unit sends them.
    [[nodiscard]] std::vector<std::uint8_t> RecordBytes() const;

    [[nodiscard]] const ConstellationOptions& Options() const { return options_; }
    [[nodiscard]] CSkyModel& Sky() { return sky_; }

private:
    struct Day {
        std::int64_t index = 0; // days since the epoch
        std::array<std::uint32_t, kSatelliteCounts> seconds{};
    };

    void Add(std::int64_t from, std::int64_t to, int visible);
    Day& DayAt(std::int64_t dayIndex);
    [[nodiscard]] bool Faulty(std::int64_t t) const;

    ConstellationOptions options_;
    CSkyModel sky_;
    std::int64_t collectedUntil_;
    std::int64_t faultFrom_ = 0, faultTo_ = 0;
    std::vector<Day> days_; // oldest first, at most eight (seven whole and today)
};

// Reads fixed records: one line per day, oldest first, "DAY MONTH YEAR" and
// thirteen numbers of seconds; blank lines and lines starting with '#' are
// skipped; at most seven lines.
[[nodiscard]] bool LoadDayRecords(const QString& path, std::vector<DayRecord>& records, QString& error);

// The options every simulated unit's statistics start from (set once from
// the command line) and the clock they collect by (tests set both).
void SetConstellationOptions(const ConstellationOptions& options);
[[nodiscard]] ConstellationOptions DefaultConstellationOptions();
void SetConstellationClock(std::function<std::int64_t()> clock);

// The unit's answers, reply bytes appended to `reply` (a negative
// acknowledgement for a malformed query). The unit is only the key of its
// statistics, made on its first query.
void AnswerPositionQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                         std::vector<std::uint8_t>& reply);
void AnswerStatisticsQuery(const CUnitModel* unit, std::span<const std::uint8_t> request,
                           std::vector<std::uint8_t>& reply);
// Drops every unit's statistics (tests).
void ForgetConstellationStatistics();

} // namespace sim
