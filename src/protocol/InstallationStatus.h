#pragma once
// The installation status reply: six rows, each decoded into a status code,
// the bus time and the survey progress.

#include "protocol/Decoded.h"
#include "protocol/Units.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace Protocol {

struct SInstallationStatus {
    enum Row { SelfTests, GpsFix, ClockOutput, ClockState, Transmission, BusTime, kRowCount };

    // What a row says; the installation status window gives each its text.
    enum Code : std::uint16_t {
        NotOk = 0,
        Ok = 1,
        Unknown = 2,
        Off = 3,
        On = 4,
        Unset = 5, // nothing known: "?"
        OkSurvey = 6,
        OkLocked = 7,
        FreeRunning = 8,
        PllLocked = 9,
        Adjusting = 10,
        BusDate = 14,
        OkAddress = 15,
    };

    // Bus times up to and including this one (1 January 1990) are not believed.
    static constexpr std::uint64_t kEarliestBusTimeMs = 631152000000ULL;
    static constexpr std::size_t kReplyLength = 21;

    std::array<std::uint16_t, kRowCount> codes{Unset, Unset, Unset, Unset, Unset, Unset};
    Milliseconds busTime;            // since 1 January 1970, as the unit counts it
    std::uint32_t surveyPercent = 0; // as the unit reports it
};

[[nodiscard]] std::vector<std::uint8_t> InstallStatusRequest();

// Stores the rows, then the bus time, then the survey progress into `into`; a
// reply cut short keeps what was read before the cut (Cut).
Decoded DecodeInstallationStatus(Bytes reply, SInstallationStatus& into);

// The status from a whole reply only.
[[nodiscard]] std::optional<SInstallationStatus> InstallationStatusOf(Bytes reply);

} // namespace Protocol
