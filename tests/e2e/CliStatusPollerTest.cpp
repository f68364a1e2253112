// The commissioning report's status snapshot, read through the command line's
// status poller against a played unit: what it asks, and that a request the
// unit never answered leaves what it cleared unknown instead of measured.

#include "cli/ReportStatusReader.h"
#include "platform/TimerScale.h"
#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace {

using Bytes = PlayedUnit::Bytes;

const Bytes kGpsRequest{0x83, 0x01, 0x12, 0x00, 0x00};
const Bytes kInstallRequest{0x84, 0x03, 0x1B};
const Bytes kConstellationRequest{0x83, 0x13, 0x27, 0x00, 0x00};

void PutWord(Bytes& b, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        b.push_back(std::uint8_t(v >> shift));
}

// 123.45 m at N 12°30'00.000", E 001°15'00.000"; no satellites.
Bytes GpsReply()
{
    Bytes b{0x83, 0x01, 0x13, 0x00, 12, 34, 56, 0, 0};
    PutWord(b, 12345);
    PutWord(b, 123000000);
    PutWord(b, 11500000);
    b.resize(b.size() + 3 * 12 + 2 * 4 * 12, 0);
    return b;
}

// Self-tests OK, clock on, PLL locked, bus transmission OK, no date.
Bytes InstallReply()
{
    Bytes b{0x84, 0x03, 0x1C, 0, 2, 0, 0, 1, 1};
    b.resize(b.size() + 8, 0);
    PutWord(b, 0);
    return b;
}

// Verdict "sufficient", 10 s with every number of satellites.
Bytes ConstellationReply()
{
    Bytes b{0x83, 0x13, 0x28, 0x00, 0x01};
    for (int row = 0; row < 13; ++row)
        PutWord(b, 10);
    PutWord(b, 130);
    return b;
}

enum class Step { Gps, Install, Constellation, Lose, Refresh };

struct Row {
    const char* name;
    std::vector<Step> steps;
    bool complete;      // all three answered before the reader gave up
    bool position;      // the measured position is known
    std::int32_t verdict;
};

TEST(CliStatusPoller, ALostRequestIsAskedAgainAndNeverReportedAsMeasured)
{
    SetTimerScale(0.01); // the 5 s refresh in 50 ms
    const std::vector<Row> rows{
        {"all three answer", {Step::Gps, Step::Install, Step::Constellation}, true, true, 1},
        {"answers cleared by a lost request come again on the refresh",
         {Step::Gps, Step::Install, Step::Lose, Step::Constellation, Step::Refresh, Step::Gps, Step::Install},
         true, true, 1},
        {"a lost request not answered again leaves the cleared answers unknown",
         {Step::Gps, Step::Install, Step::Lose, Step::Constellation}, false, false, 1},
        {"nothing answered", {Step::Lose}, false, false, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PlayedUnit unit;
        unit.Start();
        ASSERT_TRUE(unit.EnterCommissionMode());
        std::optional<SReportStatus> read;
        bool complete = false;
        {
            CReportStatusReader reader(QStringLiteral("131"), 400);
            reader.Start([&](const SReportStatus& status, bool all) {
                read = status;
                complete = all;
            });
            const std::vector<Bytes> round{kGpsRequest, kInstallRequest, kConstellationRequest};
            ASSERT_EQ(unit.Sent(), round); // at once
            for (const Step step : row.steps) {
                switch (step) {
                case Step::Gps:
                    unit.Reply(GpsReply());
                    break;
                case Step::Install:
                    unit.Reply(InstallReply());
                    break;
                case Step::Constellation:
                    unit.Reply(ConstellationReply());
                    break;
                case Step::Lose:
                    unit.Lose(0x830112);
                    break;
                case Step::Refresh: // the same three again
                    ASSERT_TRUE(PumpUntil([&] { return unit.handler->SendQueueLength() >= 3; }, 2000));
                    ASSERT_EQ(unit.Sent(), round);
                    break;
                }
            }
            ASSERT_TRUE(PumpUntil([&] { return read.has_value(); }, 2000));
            (void)unit.Sent();
            PumpFor(120); // nothing more is asked once the reader is done
            EXPECT_TRUE(unit.Sent().empty());
        }
        EXPECT_EQ(complete, row.complete);
        EXPECT_EQ(!std::isnan(read->position.latitudeDegrees), row.position);
        if (row.position) {
            EXPECT_NEAR(read->position.latitudeDegrees, 12.5, 1e-9);
            EXPECT_NEAR(read->position.longitudeDegrees, 1.25, 1e-9);
            EXPECT_NEAR(read->position.altitudeMetres, 123.45, 1e-9);
            EXPECT_EQ(read->installation.q1Transmission, QStringLiteral("OK (131)"));
        } else {
            EXPECT_EQ(read->installation.q1Transmission, QStringLiteral("?"));
        }
        EXPECT_EQ(read->constellationVerdict, row.verdict);
    }
    SetTimerScale(1.0);
}

} // namespace
