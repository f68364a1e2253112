#pragma once
// The simulated unit's answer to the installation status query (service
// opcode 0x58, answered 0x59): self-tests, GPS fix and survey, clock output
// and state, bus transmission and bus time. The state moves with the time
// since the unit was first asked: no fix at first, then a position survey that
// climbs to 100 %, and a clock that runs free, adjusts, and locks.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace sim {

inline constexpr std::uint8_t kOpInstallStatusQuery = 0x58;
inline constexpr std::uint8_t kOpInstallStatusReply = 0x59;

struct InstallStatusOptions {
    bool selfTestFailure = false;
    bool noFix = false;      // the receiver never gets a fix
    bool freeRunning = false; // the clock never locks
    int fixAfterSeconds = 3;
    int surveySeconds = 300;         // from the fix to 100 %
    int adjustAfterSeconds = 10;     // free running until then
    int lockAfterSeconds = 30;       // adjusting until then
};

// The 18 bytes after the reply's service header, for a unit `elapsedSeconds`
// after start with the given bus time (ms since 1970).
[[nodiscard]] std::vector<std::uint8_t> InstallStatusBytes(const InstallStatusOptions& options,
                                                           std::int64_t elapsedSeconds, std::uint64_t busTimeMs);

// Set once for the whole simulator; the clock gives the seconds since the
// first query (tests set both).
void SetInstallStatusOptions(const InstallStatusOptions& options);
// A receiver set never to get a fix (--no-fix) tracks no satellite either.
[[nodiscard]] bool ReceiverNeverFixes();
void SetInstallStatusClock(std::function<std::int64_t()> elapsedSeconds);

// 0x53 0x58 -> 0x54 0x59 and the 18 status bytes; false (nothing appended)
// for a request of another length.
bool AnswerInstallStatusQuery(std::span<const std::uint8_t> request, std::vector<std::uint8_t>& reply);

} // namespace sim
