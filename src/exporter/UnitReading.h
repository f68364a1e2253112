#pragma once
// What one probe learnt of a unit, as typed values: what the metrics are
// written from. Each part is absent when its request went unanswered or its
// reply was not understood; the rest of the reading still counts.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct SUnitIdentity {
    std::string unitVersion;
    std::string hardware;
    std::string serial;
};

struct SUnitFirmware {
    std::string active;   // empty: the bank is empty
    std::string inactive;
};

struct SUnitGps {
    struct Channel {
        int satellite = 0; // 0: no satellite on the channel
        int cnoDbHz = 0;   // 0 to 60
    };
    std::array<Channel, 12> channels{};
    double latitudeDegrees = 0;  // north positive
    double longitudeDegrees = 0; // east positive
    double altitudeMeters = 0;
};

// The installation status rows as status codes: 0 not OK, 1 OK, 2 unknown,
// 3 off, 4 on, 5 nothing known, 6 OK surveying, 7 OK locked, 8 free running,
// 9 PLL locked, 10 adjusting, 14 a bus date, 15 OK on the bus.
struct SUnitInstall {
    enum Row { SelfTests, GpsFix, ClockOutput, ClockState, Transmission, Q1Time, kRows };
    std::array<std::uint16_t, kRows> codes{5, 5, 5, 5, 5, 5};
    std::uint64_t q1TimeMs = 0; // milliseconds since 1970, as the unit counts them
    std::uint32_t surveyPercent = 0;
};

struct SUnitConstellation {
    int verdict = -1; // 0 good, 1 sufficient, 2 bad, 255 initialising
    std::array<std::uint32_t, 13> secondsBySatellites{}; // seconds with 0..12 satellites visible
    std::uint32_t totalSeconds = 0;
};

struct SUnitReading {
    bool reachable = false; // opened and answered the identity probe as a QORA unit
    std::string error;      // why the unit, or a part of it, could not be read
    std::optional<SUnitIdentity> identity;
    std::optional<SUnitFirmware> firmware;
    std::optional<SUnitGps> gps;
    std::optional<SUnitInstall> install;
    std::optional<SUnitConstellation> constellation;
};
