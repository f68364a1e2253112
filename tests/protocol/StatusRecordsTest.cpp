// The three status replies, built byte by byte from their published layouts,
// against the values each record must carry. One table per record.

#include "protocol/ConstellationStatistics.h"
#include "protocol/GpsStatus.h"
#include "protocol/InstallationStatus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace Protocol;

namespace {

using Bytes8 = std::vector<std::uint8_t>;

void Put(Bytes8& bytes, std::size_t at, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes.at(at + std::size_t(i)) = std::uint8_t(value >> (8 * (size - 1 - i)));
}

Bytes8 Cut(Bytes8 bytes, std::size_t length)
{
    bytes.resize(length);
    return bytes;
}

// GPS status: 0x83 0x01 0x13 0x00, time at 4, altitude at 9, latitude at 13,
// longitude at 17, satellites at 21, C/No at 33, states at 45, elevations at
// 57 and azimuths at 105 (4 bytes each).
Bytes8 GpsReply()
{
    Bytes8 r(153, 0);
    r[0] = 0x83, r[1] = 0x01, r[2] = 0x13, r[3] = 0x00;
    r[4] = 23, r[5] = 59, r[6] = 58;
    Put(r, 9, std::uint32_t(-1250), 4);         // -12.50 m
    Put(r, 13, std::uint32_t(-123456789), 4);   // S 12°34'56.789"
    Put(r, 17, 12345678, 4);                    // E 001°23'45.678"
    r[21] = 7, r[33] = 75, r[45] = 1;           // channel 1: C/No beyond the cap
    Put(r, 57, 450000000, 4);                   // 45°
    Put(r, 105, 3599999999u, 4);                // 359.9999999°, above INT32_MAX
    r[21 + 11] = 32, r[33 + 11] = 26, r[45 + 11] = 0; // channel 12
    Put(r, 57 + 44, 1, 4);
    Put(r, 105 + 44, 900000000, 4);
    return r;
}

} // namespace

TEST(ProtocolRecords, GpsStatusFromItsReply)
{
    struct Case {
        const char* what;
        Bytes8 reply;
        Decoded result;
        int hour;               // time stored
        std::int32_t altitude;  // cm stored, 0 if not reached
        int lastSatellite;      // channel 12's satellite stored
    };
    const Bytes8 whole = GpsReply();
    Bytes8 other = whole;
    other[3] = 1;
    Bytes8 wrongOpcode = whole;
    wrongOpcode[2] = 0x12;
    const Case cases[] = {
        {"whole", whole, Decoded::Whole, 23, -1250, 32},
        {"status byte not 0", other, Decoded::NotThisReply, 0, 0, 0},
        {"a request, not a reply", wrongOpcode, Decoded::NotThisReply, 0, 0, 0},
        {"header only", Cut(whole, 4), Decoded::Cut, 0, 0, 0},
        {"status byte missing", Cut(whole, 3), Decoded::NotThisReply, 0, 0, 0},
        {"cut inside the altitude", Cut(whole, 12), Decoded::Cut, 23, 0, 0},
        {"cut before the last azimuth byte", Cut(whole, 152), Decoded::Cut, 23, -1250, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SGpsStatus status;
        EXPECT_EQ(DecodeGpsStatus(c.reply, status), c.result);
        EXPECT_EQ(status.time.hour, c.hour);
        EXPECT_EQ(status.altitude.value, c.altitude);
        EXPECT_EQ(status.channels[11].satellite, c.lastSatellite);
        EXPECT_EQ(GpsStatusOf(c.reply).has_value(), c.result == Decoded::Whole);
    }

    const SGpsStatus s = *GpsStatusOf(whole);
    EXPECT_EQ(s.time.minute, 59);
    EXPECT_EQ(s.time.second, 58);
    EXPECT_DOUBLE_EQ(s.altitude.InMetres().value, -12.5);
    EXPECT_NEAR(s.latitude.InDegrees().value, -(12 + 34 / 60.0 + 56.789 / 3600), 1e-12);
    EXPECT_NEAR(s.longitude.InDegrees().value, 1 + 23 / 60.0 + 45.678 / 3600, 1e-12);
    EXPECT_EQ(s.channels[0].satellite, 7);
    EXPECT_EQ(s.channels[0].cno.value, 60);
    EXPECT_EQ(s.channels[0].state, 1);
    EXPECT_DOUBLE_EQ(s.channels[0].elevation.InDegrees().value, 45.0);
    EXPECT_EQ(s.channels[0].azimuth.value, 3599999999u);
    EXPECT_EQ(s.channels[11].cno.value, 26);
    EXPECT_EQ(s.channels[11].elevation.value, 1u);
    EXPECT_DOUBLE_EQ(s.channels[11].azimuth.InDegrees().value, 90.0);
    // Channels in between sent nothing: no satellite, angles unknown.
    EXPECT_FALSE(s.channels[5].HasSatellite());
    EXPECT_FALSE(s.channels[5].elevation.Known());
    EXPECT_TRUE(std::isnan(s.channels[5].azimuth.InDegrees().value));
}

TEST(ProtocolRecords, InstallationStatusFromItsReply)
{
    using S = SInstallationStatus;
    // 0x84 0x03 0x1C, then self-tests, fix, fix detail, clock output, clock
    // state, transmission, the bus time (8 bytes) and the survey progress (4).
    const auto reply = [](std::array<std::uint8_t, 6> rows, std::uint64_t busTime, std::uint32_t survey) {
        Bytes8 r(21, 0);
        r[0] = 0x84, r[1] = 0x03, r[2] = 0x1C;
        std::copy(rows.begin(), rows.end(), r.begin() + 3);
        Put(r, 9, busTime, 8);
        Put(r, 17, survey, 4);
        return r;
    };
    struct Case {
        const char* what;
        Bytes8 reply;
        Decoded result;
        std::array<std::uint16_t, 6> codes;
        std::uint64_t busTime;
        std::uint32_t survey;
    };
    const Case cases[] = {
        {"all well, surveying", reply({0, 0, 0, 0, 1, 1}, 0, 37), Decoded::Whole,
         {S::Ok, S::OkSurvey, S::On, S::PllLocked, S::OkAddress, S::Unknown}, 0, 37},
        {"failed, locked fix", reply({1, 0, 1, 1, 1, 0}, 631152000001ULL, 100), Decoded::Whole,
         {S::NotOk, S::OkLocked, S::Off, S::PllLocked, S::Unknown, S::BusDate}, 631152000001ULL, 100},
        {"no fix, free running", reply({2, 1, 7, 2, 2, 2}, 631152000000ULL, 0), Decoded::Whole,
         {S::Unset, S::NotOk, S::Unset, S::FreeRunning, S::Unset, S::Unknown}, 631152000000ULL, 0},
        {"fix byte 2 hides the detail; adjusting", reply({0, 2, 0, 0, 3, 1}, ~0ULL, 5), Decoded::Whole,
         {S::Ok, S::Unset, S::On, S::Adjusting, S::OkAddress, S::BusDate}, ~0ULL, 5},
        {"fix with another detail; clock state 0", reply({0, 0, 3, 0, 0, 1}, 0, 0), Decoded::Whole,
         {S::Ok, S::Ok, S::On, S::Unknown, S::OkAddress, S::Unknown}, 0, 0},
        {"unknown clock state", reply({0, 0, 0, 0, 4, 1}, 0, 0), Decoded::Whole,
         {S::Ok, S::OkSurvey, S::On, S::Unset, S::OkAddress, S::Unknown}, 0, 0},
        {"cut after the fix byte", Cut(reply({1, 1, 0, 1, 1, 0}, 0, 0), 5), Decoded::Cut,
         {S::NotOk, S::Unset, S::Unset, S::Unset, S::Unset, S::Unset}, 0, 0},
        {"cut inside the survey progress", Cut(reply({0, 1, 0, 1, 2, 0}, 700000000000ULL, 9), 20), Decoded::Cut,
         {S::Ok, S::NotOk, S::Off, S::FreeRunning, S::Unknown, S::BusDate}, 700000000000ULL, 0},
        {"another message", Bytes8{0x84, 0x03, 0x1B}, Decoded::NotThisReply,
         {S::Unset, S::Unset, S::Unset, S::Unset, S::Unset, S::Unset}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        S status;
        EXPECT_EQ(DecodeInstallationStatus(c.reply, status), c.result);
        EXPECT_EQ(status.codes, c.codes);
        EXPECT_EQ(status.busTime.value, c.busTime);
        EXPECT_EQ(status.surveyPercent, c.survey);
    }
    // A second reply cut short keeps the fields of the first that it does not reach.
    S kept = *InstallationStatusOf(reply({0, 0, 0, 0, 1, 0}, 700000000000ULL, 12));
    EXPECT_EQ(DecodeInstallationStatus(Cut(reply({1, 1, 1, 1, 0, 0}, 0, 0), 7), kept), Decoded::Cut);
    EXPECT_EQ(kept.codes[S::SelfTests], S::NotOk);
    EXPECT_EQ(kept.codes[S::ClockOutput], S::Off);
    EXPECT_EQ(kept.codes[S::ClockState], S::PllLocked);
    EXPECT_EQ(kept.busTime.value, 700000000000ULL);
    EXPECT_EQ(kept.surveyPercent, 12u);
}

TEST(ProtocolRecords, ConstellationStatisticsFromItsReply)
{
    using S = SConstellationStatistics;
    // 0x83 0x13 0x28, status, verdict, 13 durations of 4 bytes, the total.
    const auto reply = [](std::uint8_t status, std::uint8_t verdict) {
        Bytes8 r(61, 0);
        r[0] = 0x83, r[1] = 0x13, r[2] = 0x28, r[3] = status, r[4] = verdict;
        for (std::size_t row = 0; row < 13; ++row)
            Put(r, 5 + 4 * row, 1000 * row + 1, 4);
        Put(r, 57, 0xFEDCBA98u, 4);
        return r;
    };
    struct Case {
        const char* what;
        Bytes8 reply;
        Decoded result;
        std::int32_t verdict;
        std::uint32_t row12;
        std::uint32_t total;
    };
    const Case cases[] = {
        {"good", reply(0, 0), Decoded::Whole, S::kVerdictGood, 12001, 0xFEDCBA98u},
        {"initialising", reply(0, 255), Decoded::Whole, S::kVerdictInitialising, 12001, 0xFEDCBA98u},
        {"refused, verdict kept", reply(1, 2), Decoded::Refused, S::kVerdictBad, 0, 0},
        {"cut in the total", Cut(reply(0, 1), 60), Decoded::Cut, S::kVerdictSufficient, 12001, 0},
        {"cut in the last duration", Cut(reply(0, 1), 56), Decoded::Cut, S::kVerdictSufficient, 0, 0},
        {"no verdict byte", Cut(reply(0, 1), 4), Decoded::NotThisReply, S::kNoVerdict, 0, 0},
        {"the log's statistics, not these", [&] { Bytes8 r = reply(0, 0); r[2] = 0x26; return r; }(),
         Decoded::NotThisReply, S::kNoVerdict, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        S statistics;
        EXPECT_EQ(DecodeConstellationStatistics(c.reply, statistics), c.result);
        EXPECT_EQ(statistics.verdict, c.verdict);
        EXPECT_EQ(statistics.durations[12], c.row12);
        EXPECT_EQ(statistics.Total().value, c.total);
        EXPECT_EQ(ConstellationStatisticsOf(c.reply).has_value(), c.result == Decoded::Whole);
    }
    EXPECT_EQ(ConstellationStatisticsOf(reply(0, 0))->Duration(0).value, 1u);
}

TEST(ProtocolRecords, StatusRequestsAreThePublishedBytes)
{
    EXPECT_EQ(GpsStatusRequest(), (Bytes8{0x83, 0x01, 0x12, 0x00, 0x00}));
    EXPECT_EQ(InstallStatusRequest(), (Bytes8{0x84, 0x03, 0x1B}));
    EXPECT_EQ(ConstellationStatisticsRequest(), (Bytes8{0x83, 0x13, 0x27, 0x00, 0x00}));
}
