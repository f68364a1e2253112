// Setting what a unit reads back against what its commissioning wrote: the
// unit's units and widths, the date as numbers, texts byte for byte, what
// could not be read, and the table, summary and JSON that say it.

#include "commissioning/verify/VerifyTable.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

SCommissionValues Written()
{
    SCommissionValues v;
    v.latitude = 60.5;
    v.longitude = -0.25;
    v.altitudeCm = 12345;
    v.positionLocked = true;
    v.gpsAntennaDelayNs = 150;
    v.frameClockDelayNs = 800;
    v.onePps = true;
    v.q1Relay = false;
    v.q1Address = 200;
    v.ipAddress = QStringLiteral("10.20.30.40");
    v.userName = QStringLiteral("Ann");
    v.comments = QStringLiteral("antenna\non the roof");
    v.actions = QString();
    v.year = 2009;
    v.month = 3;
    v.day = 7;
    return v;
}

// What a unit that applied Written() reports.
SUnitReadBack Applied()
{
    SUnitReadBack r;
    r.position = SUnitReadBack::Position{605000000, -2500000, 12345, true};
    r.delays = SUnitReadBack::Delays{150, 800};
    r.bus = SUnitReadBack::BusOptions{0, 1};
    r.user = SUnitReadBack::UserTexts{"Ann", "2009/03/07", "antenna\r\non the roof", ""};
    return r;
}

const SUnitPlace kLocal{false, QStringLiteral("10.20.30.40"), 200};

const SVerifyRow* Row(const std::vector<SVerifyRow>& rows, const char* name)
{
    for (const SVerifyRow& r : rows)
        if (r.parameter == QLatin1String(name))
            return &r;
    return nullptr;
}

SVerification Verified(const SCommissionValues& w, const SUnitReadBack& r, const SUnitPlace& place = kLocal)
{
    return {true, place, CompareReadBack(w, r, place)};
}

} // namespace

TEST(VerifyTable, AUnitThatAppliedEveryValueMatchesInItsOwnUnits)
{
    const SVerification v = Verified(Written(), Applied());
    EXPECT_TRUE(v.Passed()) << v.Mismatches().join(u',').toStdString();
    ASSERT_EQ(v.rows.size(), 14u);
    EXPECT_EQ(v.rows[0].parameter, QStringLiteral("IP address"));
    EXPECT_EQ(Row(v.rows, "Latitude")->written, QStringLiteral("60.5000000"));
    EXPECT_EQ(Row(v.rows, "Longitude")->readBack, QStringLiteral("-0.2500000"));
    EXPECT_EQ(Row(v.rows, "Comments")->written, QStringLiteral("\"antenna\\non the roof\""));

    // Positions compare as the block carried them: truncated toward zero.
    SCommissionValues tiny = Written();
    tiny.latitude = 0.00000009;
    tiny.longitude = -179.99999999;
    SUnitReadBack r = Applied();
    r.position->latitude = 0;
    r.position->longitude = -1799999999;
    EXPECT_TRUE(Verified(tiny, r).Passed());
    r.position->longitude = -1800000000; // rounded instead of truncated: another value
    EXPECT_FALSE(Row(Verified(tiny, r).rows, "Longitude")->match);

    // The unit tells only "surveyed position" or not: both survey modes read back alike.
    for (auto [selfSurvey, locked] : {std::pair{true, false}, std::pair{false, false}}) {
        SCommissionValues survey = Written();
        survey.selfSurvey = selfSurvey;
        survey.positionLocked = locked;
        SUnitReadBack read = Applied();
        read.position->surveyedPosition = false;
        EXPECT_TRUE(Verified(survey, read).Passed()) << selfSurvey;
        read.position->surveyedPosition = true;
        EXPECT_FALSE(Row(Verified(survey, read).rows, "GPS mode")->match) << selfSurvey;
    }

    // Delays at the width the unit keeps them; the date as its numbers.
    SCommissionValues wide = Written();
    wide.gpsAntennaDelayNs = -1;
    r = Applied();
    r.delays->gpsAntennaNs = 0xFFFFFFFFu;
    r.user->date = "2009/3/7";
    EXPECT_TRUE(Verified(wide, r).Passed());
}

TEST(VerifyTable, EveryValueReadBackOtherwiseOrNotAtAllIsAMismatch)
{
    SUnitReadBack r = Applied();
    r.position->altitudeCm = 0;
    r.delays->frameClockNs = 0;
    r.bus->onePps = 0;
    r.user->name = "ann";
    r.user->date = "2009/03/08";
    r.user->comments = "antenna\non the roof"; // the line break as the field shows it, not as sent
    r.user->actions = "x";
    SVerification v = Verified(Written(), r);
    EXPECT_FALSE(v.Passed());
    EXPECT_EQ(v.Mismatches(), (QStringList{"Altitude", "Frame clock delay", "1PPS clock output", "User name", "Date",
                                           "Comments", "Actions"}));

    SUnitReadBack unread = Applied();
    unread.delays.reset();
    unread.user.reset();
    v = Verified(Written(), unread);
    EXPECT_EQ(v.Mismatches(), (QStringList{"GPS antenna delay", "Frame clock delay", "User name", "Date", "Comments",
                                           "Actions"}));
    EXPECT_EQ(Row(v.rows, "GPS antenna delay")->readBack, QStringLiteral("(not read)"));
    EXPECT_EQ(Row(v.rows, "GPS antenna delay")->written, QStringLiteral("150 ns"));

    // Nothing read, or the unit not back, never passes.
    EXPECT_FALSE(Verified(Written(), SUnitReadBack{}).Passed());
    SVerification stuck{true, kLocal, {}};
    EXPECT_EQ(VerificationSummary(stuck, 180).toStdString(),
              "verification failed: the unit answers at 10.20.30.40, Q1 address 200 but could not be read back");
    SVerification gone{false, kLocal, {}};
    EXPECT_FALSE(gone.Passed());
    EXPECT_EQ(VerificationSummary(gone, 180).toStdString(),
              "verification failed: the unit did not answer at 10.20.30.40, Q1 address 200 within 180 s of the "
              "reset");
}

TEST(VerifyTable, RemotePlaceHasNoAddressRowsAndTheOutputsSayTheOutcome)
{
    const SUnitPlace remote{true, {}, 0};
    SVerification v = Verified(Written(), Applied(), remote);
    EXPECT_EQ(Row(v.rows, "IP address"), nullptr);
    EXPECT_EQ(v.rows.size(), 12u);
    EXPECT_TRUE(UnreadableParameters(true).isEmpty());
    EXPECT_EQ(VerificationSummary(v, 180).toStdString(),
              "verified: the unit answers on its node and reads back every value written");

    v = Verified(Written(), [] {
        SUnitReadBack r = Applied();
        r.bus->lastDevice = 1;
        return r;
    }());
    EXPECT_EQ(VerificationSummary(v, 180).toStdString(),
              "verification failed: the unit answers at 10.20.30.40, Q1 address 200 but reads back other values "
              "for: Last Q1 device");
    const QStringList lines = VerificationTableLines(v);
    ASSERT_EQ(lines.size(), 15);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Parameter"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("Match")));
    const QString relay = lines.filter(QStringLiteral("Last Q1 device")).value(0);
    EXPECT_TRUE(relay.endsWith(QStringLiteral("NO"))) << relay.toStdString();

    const QJsonObject json = QJsonDocument::fromJson(VerificationJson(v)).object();
    EXPECT_TRUE(json[QStringLiteral("unit_back")].toBool());
    EXPECT_FALSE(json[QStringLiteral("verified")].toBool());
    EXPECT_EQ(json[QStringLiteral("place")][QStringLiteral("ip_address")].toString(), QStringLiteral("10.20.30.40"));
    EXPECT_EQ(json[QStringLiteral("place")][QStringLiteral("q1_address")].toInt(), 200);
    const QJsonArray rows = json[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 14);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first.keys(), (QStringList{"match", "parameter", "read_back", "written"}));
    EXPECT_EQ(json[QStringLiteral("not_readable")].toArray().size(), 3);
}
