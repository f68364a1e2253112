// The checks behind Next on each page of the commissioning wizard, without a
// screen: which message refuses which entry, and where the focus goes.

#include "commissioning/wizard/PageRules.h"

#include <gtest/gtest.h>

namespace {

const QString kRanges = QStringLiteral(
    "Valid ranges for IP Address are :\n\n"
    "i) 192.168.0.0 - 192.168.255.255\n"
    "ii) 172.16.0.0 - 172.31.255.255\n"
    "iii) 10.0.0.0 - 10.255.255.255");

Ipv4Fields Ip(const char* text)
{
    return *ParseIpv4(QLatin1String(text));
}

SQ1Entries Entries(const char* ip, const char* mask, const char* gateway, const char* q1 = "131")
{
    SQ1Entries entries;
    entries.q1AddressText = QLatin1String(q1);
    entries.ip = Ip(ip);
    entries.mask = Ip(mask);
    entries.gateway = Ip(gateway);
    return entries;
}

// The id of the refusal, 0 when the page goes on.
unsigned Refusal(const SQ1Entries& entries)
{
    const auto problem = CheckQ1Page(entries);
    return problem ? problem->messageId : 0u;
}

TEST(Q1PageRules, TheQ1AddressIsCheckedFirst)
{
    auto problem = CheckQ1Page(Entries("8.8.8.8", "255.255.255.254", "1.1.1.1", ""));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61319u);
    EXPECT_EQ(problem->text, QStringLiteral("Enter Q1 Address"));
    EXPECT_EQ(problem->icon, MsgIcon::None);
    EXPECT_EQ(problem->field, EWizardField::Q1Address);

    for (const char* text : {"4096", "99999999999999999999999", "-1"}) {
        problem = CheckQ1Page(Entries("192.168.1.10", "255.255.255.0", "192.168.1.1", text));
        ASSERT_TRUE(problem) << text;
        EXPECT_EQ(problem->messageId, 61714u);
        EXPECT_EQ(problem->text, QStringLiteral("Enter an integer between 0 and 4095."));
        EXPECT_EQ(problem->icon, MsgIcon::Warning);
        EXPECT_TRUE(problem->selectAll);
    }
    for (const char* text : {"0", "4095"})
        EXPECT_EQ(Refusal(Entries("192.168.1.10", "255.255.255.0", "192.168.1.1", text)), 0u) << text;
}

TEST(Q1PageRules, OnlyPrivateAddressesPassTheClassCheck)
{
    auto problem = CheckQ1Page(Entries("172.32.0.5", "255.255.0.0", "172.32.0.1"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61352u);
    EXPECT_EQ(problem->text, kRanges);
    EXPECT_EQ(problem->field, EWizardField::IpAddress);
    EXPECT_EQ(problem->octet, 1);

    problem = CheckQ1Page(Entries("193.168.1.5", "255.255.255.0", "193.168.1.1"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->octet, 0);
    EXPECT_EQ(CheckQ1Page(Entries("192.169.1.5", "255.255.255.0", "192.169.1.1"))->octet, 1);

    EXPECT_EQ(Refusal(Entries("172.31.0.5", "255.255.0.0", "172.31.0.1")), 0u);
    EXPECT_EQ(AddressClass(Ip("10.1.2.3")), 0);
    EXPECT_EQ(AddressClass(Ip("172.16.0.1")), 1);
    EXPECT_EQ(AddressClass(Ip("192.168.0.1")), 2);
    EXPECT_FALSE(AddressClass(Ip("172.15.0.1")));
}

TEST(Q1PageRules, TheMaskMustBeContiguousAndFitTheClass)
{
    // 255.255.255.254 leaves no host: refused for every class.
    for (const char* ip : {"10.0.0.5", "172.16.0.5", "192.168.1.5"}) {
        const auto problem = CheckQ1Page(Entries(ip, "255.255.255.254", "1.1.1.1"));
        ASSERT_TRUE(problem) << ip;
        EXPECT_EQ(problem->messageId, 61357u);
        EXPECT_EQ(problem->text, QStringLiteral("Invalid Subnet Mask for the given IP address"));
        EXPECT_EQ(problem->field, EWizardField::SubnetMask);
    }
    EXPECT_EQ(Refusal(Entries("10.0.0.5", "255.128.0.0", "10.0.0.1")), 0u);
    EXPECT_EQ(Refusal(Entries("172.16.0.5", "255.128.0.0", "172.16.0.1")), 61357u);
    EXPECT_EQ(Refusal(Entries("192.168.1.5", "255.128.0.0", "192.168.1.1")), 61357u);
    EXPECT_EQ(Refusal(Entries("192.168.1.5", "255.255.0.255", "192.168.1.1")), 61357u);
    EXPECT_EQ(Refusal(Entries("192.168.1.5", "0.0.0.0", "192.168.1.1")), 61357u);

    // How many masks each class takes: 23, 19 and 15.
    const char* ips[] = {"10.0.0.5", "172.16.0.5", "192.168.0.5"};
    const int expected[] = {23, 19, 15};
    for (int c = 0; c < 3; ++c) {
        int accepted = 0;
        for (int prefix = 0; prefix <= 32; ++prefix) {
            const std::uint32_t mask = prefix == 0 ? 0u : ~0u << (32 - prefix);
            SQ1Entries entries = Entries(ips[c], "255.0.0.0", "1.1.1.1");
            entries.mask = UnpackIpv4(mask);
            const auto problem = CheckQ1Page(entries);
            if (!problem || problem->messageId != 61357u)
                ++accepted;
        }
        EXPECT_EQ(accepted, expected[c]) << ips[c];
    }
    EXPECT_EQ(MaskPrefixLength(Ip("255.255.255.0")), 24);
    EXPECT_FALSE(MaskPrefixLength(Ip("255.0.255.0")));
}

TEST(Q1PageRules, TheNetworkAndBroadcastAddressesAreNoHosts)
{
    auto problem = CheckQ1Page(Entries("10.0.0.0", "255.0.0.0", "10.0.0.1"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61358u);
    EXPECT_EQ(problem->text, QStringLiteral("Invalid IP Address for the given Subnet Mask"));
    EXPECT_EQ(problem->field, EWizardField::IpAddress);
    EXPECT_EQ(problem->octet, 3);
    EXPECT_EQ(Refusal(Entries("10.0.0.1", "255.0.0.0", "10.0.0.2")), 0u);

    EXPECT_EQ(Refusal(Entries("192.168.1.11", "255.255.255.252", "192.168.1.9")), 61358u);
    EXPECT_EQ(Refusal(Entries("192.168.1.10", "255.255.255.252", "192.168.1.9")), 0u);
}

TEST(Q1PageRules, TheGatewayMustBeAHostOfTheSameSubnet)
{
    auto problem = CheckQ1Page(Entries("192.168.1.10", "255.255.255.0", "192.168.2.1"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61354u);
    EXPECT_EQ(problem->text, QStringLiteral("Valid range IP GW Address is : 192.168.1.0 - 192.168.1.255"));
    EXPECT_EQ(problem->field, EWizardField::Gateway);
    EXPECT_EQ(problem->octet, 2); // the first octet that differs
    EXPECT_EQ(CheckQ1Page(Entries("10.1.1.5", "255.0.0.0", "11.1.1.1"))->octet, 0);

    problem = CheckQ1Page(Entries("192.168.1.10", "255.255.255.0", "192.168.1.255"));
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61359u);
    EXPECT_EQ(problem->text, QStringLiteral("Invalid GW Address for the given Subnet Mask"));
    EXPECT_EQ(problem->octet, 3);
    EXPECT_EQ(Refusal(Entries("192.168.1.10", "255.255.255.0", "192.168.1.0")), 61359u);
    EXPECT_EQ(Refusal(Entries("192.168.1.10", "255.255.255.0", "192.168.1.254")), 0u);
}

TEST(Q1PageRules, MovingTheUnitToAnotherNetworkWarnsOnALocalConnectionOnly)
{
    const QString settings = QStringLiteral("192.168.255.120");
    const auto moved = Entries("10.1.1.5", "255.0.0.0", "10.1.1.1");
    const auto notice = Q1IpChangeNotice(moved, true, settings);
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->messageId, 61360u);
    EXPECT_EQ(notice->text, QStringLiteral("You are going to modify QORA's IP configuration.\nIn order to resume "
                                           "communication with QORA,\nchange your PC's IP configuration after "
                                           "commissioning."));
    EXPECT_FALSE(Q1IpChangeNotice(moved, false, settings));
    EXPECT_FALSE(Q1IpChangeNotice(Entries("192.168.255.121", "255.255.255.0", "192.168.255.32"), true, settings));
    EXPECT_FALSE(Q1IpChangeNotice(Entries("192.168.255.120", "255.255.255.0", "192.168.255.32"), true, settings));
    // A settings host that is no address cannot share a network.
    EXPECT_TRUE(Q1IpChangeNotice(Entries("192.168.255.121", "255.255.255.0", "192.168.255.32"), true,
                                 QStringLiteral("unit.example")));
}

TEST(Q1PageRules, AnAcceptedPageTakesItsEntries)
{
    SQ1PageValues values;
    SQ1Entries entries = Entries("172.20.3.4", "255.255.0.0", "172.20.0.1", "77");
    entries.speedIndex = 9;
    entries.relayChecked = false;
    ASSERT_FALSE(TakeQ1Page(entries, values));
    EXPECT_EQ(values.q1Address, 77);
    EXPECT_EQ(values.speedIndex, 9);
    EXPECT_EQ(SpeedCodeOfIndex(values.speedIndex), 12);
    EXPECT_FALSE(values.relay);
    EXPECT_EQ(values.addressClass, 1);
    EXPECT_EQ(values.ipAddressText, QStringLiteral("172.20.3.4"));
    EXPECT_EQ(values.subnetMaskText, QStringLiteral("255.255.0.0"));
    EXPECT_EQ(values.gatewayText, QStringLiteral("172.20.0.1"));

    const SQ1PageValues before = values;
    EXPECT_TRUE(TakeQ1Page(Entries("8.8.8.8", "255.0.0.0", "8.0.0.1", "5"), values));
    EXPECT_EQ(values.q1Address, before.q1Address); // a refusal takes nothing
    EXPECT_EQ(values.ipAddressText, before.ipAddressText);
}

TEST(RfPageRules, BothDelaysAreRequiredAndBounded)
{
    SRfPageValues values;
    auto problem = TakeRfPage({QString(), QStringLiteral("5"), false}, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61320u);
    EXPECT_EQ(problem->text, QStringLiteral("Enter Value for GPS Delay"));
    EXPECT_EQ(problem->field, EWizardField::GpsAntennaDelay);
    problem = TakeRfPage({QStringLiteral("5"), QString(), false}, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61321u);
    EXPECT_EQ(problem->field, EWizardField::FrameClockDelay);

    problem = TakeRfPage({QStringLiteral("65536"), QStringLiteral("0"), false}, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61714u);
    EXPECT_EQ(problem->text, QStringLiteral("Enter an integer between 0 and 65535."));
    EXPECT_EQ(problem->icon, MsgIcon::Warning);
    EXPECT_EQ(problem->field, EWizardField::GpsAntennaDelay);
    EXPECT_TRUE(problem->selectAll);

    problem = TakeRfPage({QStringLiteral("65535"), QStringLiteral("4801"), false}, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->text, QStringLiteral("Enter an integer between 0 and 4800."));
    EXPECT_EQ(problem->field, EWizardField::FrameClockDelay);
    EXPECT_EQ(values.gpsAntennaDelayNs, 0); // nothing taken yet

    EXPECT_TRUE(TakeRfPage({QStringLiteral("123456789012345678901234567890"), QStringLiteral("1"), false}, values));

    EXPECT_FALSE(TakeRfPage({QStringLiteral("65535"), QStringLiteral("4800"), true}, values));
    EXPECT_EQ(values.gpsAntennaDelayNs, 65535);
    EXPECT_EQ(values.frameClockDelayNs, 4800);
    EXPECT_TRUE(values.onePps);
}

TEST(GpsPageRules, AltitudeInMetresAndFeet)
{
    EXPECT_EQ(AltitudeText(1000, false), QStringLiteral("10.00"));
    EXPECT_EQ(AltitudeText(-250, false), QStringLiteral("-2.50"));
    EXPECT_EQ(AltitudeText(1000, true), QStringLiteral("32.80"));
    EXPECT_EQ(AltitudeFromText(QStringLiteral("32.80"), true), 999);
    EXPECT_EQ(AltitudeFromText(QStringLiteral("10.00"), false), 1000);
    // Decimal texts whose binary value lies just below the hundredth.
    EXPECT_EQ(AltitudeFromText(QStringLiteral("32.80"), false), 3280);
    EXPECT_EQ(AltitudeFromText(QStringLiteral("12.34"), false), 1234);
    EXPECT_EQ(AltitudeFromText(QStringLiteral("1.005"), false), 100); // truncated, not rounded
    EXPECT_EQ(AltitudeFromText(QStringLiteral("-3.5"), false), -350);
    EXPECT_EQ(AltitudeFromText(QStringLiteral("+-."), false), 0);
    EXPECT_FALSE(AltitudeFromText(QString(), false));
    // Far beyond 32 bits of centimetres: held at the limit, never wrapped.
    EXPECT_EQ(AltitudeFromText(QStringLiteral("99999999999999999999"), false), 2147483647);
    EXPECT_EQ(AltitudeFromText(QStringLiteral("-99999999999999999999"), false), -2147483647 - 1);
    EXPECT_EQ(AltitudeFromText(QStringLiteral("-99999999999999999999"), true), -654553015); // held, then in cm

    SGpsPageValues values;
    SGpsEntries entries;
    entries.latitude = 12.5;
    entries.longitude = -3.25;
    const auto problem = TakeGpsPage(entries, values);
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->messageId, 61317u);
    EXPECT_EQ(problem->text, QStringLiteral("Enter value for Altitude"));
    EXPECT_EQ(values.latitude, 0.0);
    entries.altitudeText = QStringLiteral("100.5");
    EXPECT_FALSE(TakeGpsPage(entries, values));
    EXPECT_EQ(values.latitude, 12.5);
    EXPECT_EQ(values.longitude, -3.25);
    EXPECT_EQ(values.altitudeCm, 10050);
}

TEST(UserPageRules, TextsAreCutAndAMissingDateIsMinusOne)
{
    SUserPageValues values;
    TakeUserPage({QString(40, u'n'), QString(120, u'c'), QStringLiteral("done"), 2009, 3, 7}, values);
    EXPECT_EQ(values.userName.size(), 31);
    EXPECT_EQ(values.comments.size(), 99);
    EXPECT_EQ(values.actions, QStringLiteral("done"));
    EXPECT_EQ(values.year, 2009);
    EXPECT_EQ(values.month, 3);
    EXPECT_EQ(values.day, 7);
    TakeUserPage({}, values);
    EXPECT_EQ(values.year, -1);
    EXPECT_EQ(values.month, -1);
    EXPECT_EQ(values.day, -1);
}

TEST(NumberReading, LeadingDigitsOnlyAndNoOverflow)
{
    EXPECT_EQ(ReadDecimalInteger(QStringLiteral("  42abc")), 42);
    EXPECT_EQ(ReadDecimalInteger(QStringLiteral("-7")), -7);
    EXPECT_EQ(ReadDecimalInteger(QStringLiteral("abc")), 0);
    EXPECT_GT(ReadDecimalInteger(QString(400, u'9')), 4095);
    EXPECT_DOUBLE_EQ(ReadDecimalNumber(QStringLiteral("3.25m")), 3.25);
    EXPECT_DOUBLE_EQ(ReadDecimalNumber(QStringLiteral("-.5")), -0.5);
    EXPECT_EQ(ReadDecimalNumber(QStringLiteral(".")), 0.0);
}

} // namespace
