// The simulated GPS receiver: the date-and-time query, the 0xC001 position
// block, and the options that set them.

#include "sim/GpsClock.h"
#include "sim/SimOptions.h"
#include "sim/UnitModel.h"

#include <QDateTime>

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {

class GpsClockTest : public testing::Test {
protected:
    void TearDown() override { sim::SetGpsSetup({}); }

    static Bytes Ask(const Bytes& request)
    {
        sim::CUnitModel unit(sim::DefaultCatalog(), {"192.168.255.120", 131});
        Bytes reply;
        EXPECT_TRUE(unit.Handle({}, request, reply).answered);
        return reply;
    }
    static bool Parse(QStringList arguments, QString* error = nullptr)
    {
        sim::SimOptions options;
        QString reason;
        arguments.prepend(QStringLiteral("127.0.0.1:0"));
        arguments.prepend(QStringLiteral("--listen"));
        const bool ok = sim::ParseOptions(arguments, options, reason);
        if (error)
            *error = reason;
        return ok;
    }
};

TEST_F(GpsClockTest, DateAndTimeQueryAnswersTheSetTimeEvenAnImpossibleOne)
{
    ASSERT_TRUE(Parse({QStringLiteral("--gps-time"), QStringLiteral("2009-05-02 12:34:56")}));
    EXPECT_EQ(Ask({0x53, 0x65, 0x00, 0x00}), (Bytes{0x54, 0x69, 2, 5, 0x07, 0xD9, 12, 34, 56}));

    ASSERT_TRUE(Parse({QStringLiteral("--gps-time=2009-00-05T25:61:00")}));
    EXPECT_EQ(Ask({0x53, 0x65, 0x00, 0x00}), (Bytes{0x54, 0x69, 5, 0, 0x07, 0xD9, 25, 61, 0}));

    // A query of another length is refused.
    EXPECT_EQ(Ask({0x53, 0x65, 0x00}), (Bytes{0x54, 0xF0}));
}

TEST_F(GpsClockTest, WithoutASetTimeTheHostsUtcClockIsReported)
{
    ASSERT_TRUE(Parse({}));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    const Bytes reply = Ask({0x53, 0x65, 0x00, 0x00});
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
    ASSERT_EQ(reply.size(), 9u);
    const QDateTime reported(QDate(reply[4] << 8 | reply[5], reply[3], reply[2]), QTime(reply[6], reply[7], reply[8]),
                             Qt::UTC);
    EXPECT_GE(reported, before.addMSecs(-before.time().msec()));
    EXPECT_LE(reported, after);
}

TEST_F(GpsClockTest, PositionBlockCarriesTheOptionsValues)
{
    ASSERT_TRUE(Parse({QStringLiteral("--position"), QStringLiteral("-33.5,-70.6,-1234"), QStringLiteral("--gps-mode"),
                       QStringLiteral("1")}));
    // Read of 0xC001: 53 54 01 00 C0 01.
    const Bytes reply = Ask({0x53, 0x54, 0x01, 0x00, 0xC0, 0x01});
    const Bytes expected{0x54, 0x57, 0x01, 0x00, 0xC0, 0x01, 17, 0x00,
                         0xEC, 0x08, 0x4E, 0x40,  // -335 000 000
                         0xD5, 0xEB, 0x4B, 0x80,  // -706 000 000
                         0xFF, 0xFF, 0xFB, 0x2E,  // -1234
                         0x01};
    EXPECT_EQ(reply, expected);

    // The block is the unit's own: a write is refused.
    Bytes write{0x53, 0x53, 0xC0, 0x01, 13};
    write.resize(write.size() + 13, 0);
    EXPECT_EQ(Ask(write), (Bytes{0x54, 0x56, 0xC0, 0x01, sim::kStatusReadOnly}));
}

TEST_F(GpsClockTest, BadGpsOptionsAreRefusedWithAReason)
{
    QString error;
    for (const QStringList& bad : {QStringList{QStringLiteral("--gps-time"), QStringLiteral("2009-05-02")},
                                   QStringList{QStringLiteral("--gps-time"), QStringLiteral("70000-01-01 00:00:00")},
                                   QStringList{QStringLiteral("--gps-time"), QStringLiteral("2009-05-02 12:34:256")},
                                   QStringList{QStringLiteral("--position"), QStringLiteral("91,0,0")},
                                   QStringList{QStringLiteral("--position"), QStringLiteral("0,180.5,0")},
                                   QStringList{QStringLiteral("--position"), QStringLiteral("0,0")},
                                   QStringList{QStringLiteral("--position"), QStringLiteral("0,0,3000000000")},
                                   QStringList{QStringLiteral("--gps-mode"), QStringLiteral("256")}}) {
        EXPECT_FALSE(Parse(bad, &error)) << bad.join(u' ').toStdString();
        EXPECT_TRUE(error.startsWith(bad[0])) << error.toStdString();
    }
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--gps-time")));
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--position")));
}

} // namespace
