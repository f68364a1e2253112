// The command line: what each option sets, and what is refused.

#include "sim/SimOptions.h"

#include <gtest/gtest.h>

using sim::SimOptions;

namespace {

QStringList Args(std::initializer_list<const char*> args)
{
    QStringList list;
    for (const char* a : args)
        list << QString::fromUtf8(a);
    return list;
}

} // namespace

TEST(SimOptions, DefaultsGiveTheOneStandardUnit)
{
    SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions(Args({"--listen", "127.0.0.1:0"}), o, error)) << error.toStdString();
    EXPECT_EQ(o.listenAddress, QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(o.listenPort, 0);
    ASSERT_EQ(o.units.size(), 1u);
    EXPECT_EQ(o.units[0].ToString(), "192.168.255.120:131");
    EXPECT_EQ(o.behaviour.identity, "QORHW2");
    EXPECT_TRUE(o.behaviour.nakOpcodes.none());
    EXPECT_EQ(o.faults.dropEvery, 0u);
    EXPECT_EQ(o.faults.dropProbability, 0.0);
    EXPECT_EQ(o.faults.delayMs, 0u);
    EXPECT_EQ(o.faults.breakAfter, 0u);
    EXPECT_FALSE(o.faults.refuseOpen);
    EXPECT_EQ(o.behaviour.resetReply, sim::ResetReply::Answered);
    EXPECT_TRUE(o.tracePath.isEmpty());
    EXPECT_TRUE(o.statePath.isEmpty());
}

TEST(SimOptions, EveryOptionIsTaken)
{
    SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions(Args({"--listen=0.0.0.0:7000", "--unit", "10.0.0.1:5", "--unit=10.0.0.2:65535",
                                        "--trace", "/tmp/t.jsonl", "--state", "/tmp/s.json", "--identity", "QORHW1",
                                        "--drop-every", "3", "--drop-probability", "0.25", "--seed", "42",
                                        "--delay-ms", "15", "--nak-opcode", "0x54", "--nak-opcode", "1",
                                        "--refuse-open", "--break-after", "2"}),
                                  o, error))
        << error.toStdString();
    EXPECT_EQ(o.listenAddress, QHostAddress(QHostAddress::AnyIPv4));
    EXPECT_EQ(o.listenPort, 7000);
    ASSERT_EQ(o.units.size(), 2u);
    EXPECT_EQ(o.units[0].ToString(), "10.0.0.1:5");
    EXPECT_EQ(o.units[1].ToString(), "10.0.0.2:65535");
    EXPECT_EQ(o.tracePath, QStringLiteral("/tmp/t.jsonl"));
    EXPECT_EQ(o.statePath, QStringLiteral("/tmp/s.json"));
    EXPECT_EQ(o.behaviour.identity, "QORHW1");
    EXPECT_EQ(o.faults.dropEvery, 3u);
    EXPECT_EQ(o.faults.dropProbability, 0.25);
    EXPECT_EQ(o.faults.seed, 42u);
    EXPECT_EQ(o.faults.delayMs, 15u);
    EXPECT_TRUE(o.behaviour.nakOpcodes.test(0x54));
    EXPECT_TRUE(o.behaviour.nakOpcodes.test(0x01));
    EXPECT_EQ(o.behaviour.nakOpcodes.count(), 2u);
    EXPECT_TRUE(o.faults.refuseOpen);
    EXPECT_EQ(o.faults.breakAfter, 2u);
}

TEST(SimOptions, ListenTakesIPv6AndLocalhost)
{
    SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions(Args({"--listen", "[::1]:123"}), o, error));
    EXPECT_EQ(o.listenAddress, QHostAddress(QHostAddress::LocalHostIPv6));
    EXPECT_EQ(o.listenPort, 123);
    ASSERT_TRUE(sim::ParseOptions(Args({"--listen", "localhost:0"}), o, error));
    EXPECT_EQ(o.listenAddress, QHostAddress(QHostAddress::LocalHost));
}

TEST(SimOptions, HelpNeedsNothingElse)
{
    SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions(Args({"--help"}), o, error));
    EXPECT_TRUE(o.help);
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--break-after")));
}

TEST(SimOptions, BadCommandLinesAreRefusedWithOneLine)
{
    const std::vector<QStringList> bad = {
        Args({}),
        Args({"--unit", "10.0.0.1:5"}),
        Args({"--listen"}),
        Args({"--listen", "127.0.0.1"}),
        Args({"--listen", "127.0.0.1:65536"}),
        Args({"--listen", "127.0.0.1:-1"}),
        Args({"--listen", "nowhere:1"}),
        Args({"--listen", "127.0.0.1:0", "--unit", "10.0.0.1"}),
        Args({"--listen", "127.0.0.1:0", "--unit", "10.0.0.1:65536"}),
        Args({"--listen", "127.0.0.1:0", "--unit", "::1:5"}),
        Args({"--listen", "127.0.0.1:0", "--unit", "10.0.0.1:5", "--unit", "10.0.0.1:5"}),
        Args({"--listen", "127.0.0.1:0", "--drop-every", "0"}),
        Args({"--listen", "127.0.0.1:0", "--drop-every", "x"}),
        Args({"--listen", "127.0.0.1:0", "--drop-probability", "1.5"}),
        Args({"--listen", "127.0.0.1:0", "--drop-probability", "-0.1"}),
        Args({"--listen", "127.0.0.1:0", "--drop-probability", "nan"}),
        Args({"--listen", "127.0.0.1:0", "--seed", "-1"}),
        Args({"--listen", "127.0.0.1:0", "--delay-ms", "-5"}),
        Args({"--listen", "127.0.0.1:0", "--nak-opcode", "0x100"}),
        Args({"--listen", "127.0.0.1:0", "--nak-opcode", "zz"}),
        Args({"--listen", "127.0.0.1:0", "--break-after", "0"}),
        Args({"--listen", "127.0.0.1:0", "--refuse-open=yes"}),
        Args({"--listen", "127.0.0.1:0", "--reset-unanswered=1"}),
        Args({"--listen", "127.0.0.1:0", "--reset-unanswered", "--reset-silent"}),
        Args({"--listen", "127.0.0.1:0", "--trace", ""}),
        Args({"--listen", "127.0.0.1:0", "--frobnicate"}),
        Args({"--listen", "127.0.0.1:0", "stray"}),
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        SimOptions o;
        QString error;
        EXPECT_FALSE(sim::ParseOptions(args, o, error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(error.contains(u'\n'));
    }
}

TEST(SimOptions, ResetOptionsSayHowTheUnitTakesTheResetRequest)
{
    SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions(Args({"--listen", "127.0.0.1:0", "--reset-unanswered"}), o, error));
    EXPECT_EQ(o.behaviour.resetReply, sim::ResetReply::Unanswered);
    ASSERT_TRUE(sim::ParseOptions(Args({"--reset-silent", "--listen", "127.0.0.1:0", "--reset-silent"}), o, error));
    EXPECT_EQ(o.behaviour.resetReply, sim::ResetReply::Silent);
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--reset-unanswered")));
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--reset-silent")));
}

TEST(SimOptions, ThePositionQueryReportsTheGpsPositionUnlessToldOtherwise)
{
    sim::SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions(Args({"--listen", "127.0.0.1:0", "--position", "-33.5,151.2575,12345"}), o, error))
        << error.toStdString();
    EXPECT_EQ(o.constellation.latitude, -333000000);  // S 33°30'00.000
    EXPECT_EQ(o.constellation.longitude, 1511527000); // E 151°15'27.000
    EXPECT_EQ(o.constellation.altitudeCm, 12345);

    ASSERT_TRUE(sim::ParseOptions(Args({"--listen", "127.0.0.1:0", "--position", "1,2,3", "--constellation-position",
                                        "601012345,245612000,2450"}),
                                  o, error));
    EXPECT_EQ(o.constellation.latitude, 601012345);
    EXPECT_TRUE(sim::ParseOptions(Args({"--listen", "127.0.0.1:0"}), o, error)); // the defaults again, for later tests
}

TEST(SimOptions, FirmwareOptions)
{
    SimOptions o;
    QString error;
    ASSERT_TRUE(sim::ParseOptions(Args({"--listen", "127.0.0.1:0"}), o, error));
    const sim::FirmwareOptions& f = o.behaviour.firmware;
    EXPECT_EQ(f.activeName, "QOR0300.bin");
    EXPECT_EQ(f.inactiveName, "QOR0290.bin");
    EXPECT_EQ(f.verificationPolls, 2u);
    EXPECT_EQ(f.breakAtBlock, 0u);
    EXPECT_FALSE(f.versionResult.has_value());
    EXPECT_FALSE(f.activationResult.has_value());

    ASSERT_TRUE(sim::ParseOptions(
        Args({"--listen", "127.0.0.1:0", "--active-firmware", "QOR0400.bin", "--inactive-firmware=", "--firmware-dir",
              "/tmp/fw", "--busy-version-check", "1", "--busy-status-query", "2", "--busy-transfer-start", "3",
              "--busy-final-status", "4", "--verification-polls", "0", "--version-result", "5",
              "--refuse-transfer-start", "--checksum-failure", "--break-at-block", "7", "--activation-result", "0x0105"}),
        o, error))
        << error.toStdString();
    EXPECT_EQ(f.activeName, "QOR0400.bin");
    EXPECT_EQ(f.inactiveName, "");
    EXPECT_EQ(f.directory, "/tmp/fw");
    EXPECT_EQ(f.busyVersionCheck, 1u);
    EXPECT_EQ(f.busyStatusQuery, 2u);
    EXPECT_EQ(f.busyTransferStart, 3u);
    EXPECT_EQ(f.busyFinalStatus, 4u);
    EXPECT_EQ(f.verificationPolls, 0u);
    EXPECT_EQ(f.versionResult, 5);
    EXPECT_TRUE(f.refuseTransferStart);
    EXPECT_TRUE(f.checksumFailure);
    EXPECT_EQ(f.breakAtBlock, 7u);
    EXPECT_EQ(f.activationResult, 0x0105);
    EXPECT_TRUE(sim::HelpText().contains(QStringLiteral("--break-at-block")));

    const std::vector<QStringList> bad = {
        Args({"--listen", "127.0.0.1:0", "--active-firmware", ""}),
        Args({"--listen", "127.0.0.1:0", "--active-firmware", "SIXTEEN_CHARS.bi"}),
        Args({"--listen", "127.0.0.1:0", "--inactive-firmware", "tab\there"}),
        Args({"--listen", "127.0.0.1:0", "--firmware-dir", ""}),
        Args({"--listen", "127.0.0.1:0", "--busy-status-query", "-1"}),
        Args({"--listen", "127.0.0.1:0", "--verification-polls", "x"}),
        Args({"--listen", "127.0.0.1:0", "--version-result", "6"}),
        Args({"--listen", "127.0.0.1:0", "--break-at-block", "0"}),
        Args({"--listen", "127.0.0.1:0", "--break-at-block", "65536"}),
        Args({"--listen", "127.0.0.1:0", "--activation-result", "10000"}),
        Args({"--listen", "127.0.0.1:0", "--activation-result", "zz"}),
        Args({"--listen", "127.0.0.1:0", "--checksum-failure=1"}),
        Args({"--listen", "127.0.0.1:0", "--refuse-transfer-start", "yes"}),
    };
    for (const QStringList& args : bad) {
        SCOPED_TRACE(args.join(u' ').toStdString());
        SimOptions rejected;
        EXPECT_FALSE(sim::ParseOptions(args, rejected, error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(error.contains(u'\n'));
    }
}
