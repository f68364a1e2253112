// The unit's side of a firmware download and of the activation, request by
// request: the whole dialogue, resuming after a cut, each fault option, the
// TFTP rules and the bank swap.

#include "sim/FirmwareDialogue.h"
#include "sim/FirmwareSample.h"
#include "sim/GatewayDispatcher.h"
#include "sim/LinkFrames.h"
#include "sim/UnitModel.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

using namespace simtest;

namespace {

class SimFirmware : public testing::Test {
protected:
    sim::CUnitModel& Unit()
    {
        if (!unit)
            unit = std::make_unique<sim::CUnitModel>(sim::DefaultCatalog(), sim::UnitSeed{"192.168.255.120", 131},
                                                     behaviour);
        return *unit;
    }

    std::optional<FwBytes> Ask(std::string_view route, const FwBytes& request)
    {
        FwBytes reply;
        last = Unit().Handle(route, request, reply);
        if (!last.answered)
            return std::nullopt;
        return reply;
    }
    FwBytes Say(const FwBytes& request) { return Ask({}, request).value_or(FwBytes{}); }
    FwBytes Tftp(const FwBytes& packet) { return Ask(kFwRoute, packet).value_or(FwBytes{}); }

    FwExchange Exchange()
    {
        return [this](std::string_view route, const FwBytes& request) { return Ask(route, request); };
    }

    // Start, master file, version check; the version result.
    std::uint16_t Announce(const FwBytes& master)
    {
        EXPECT_EQ(Say(kFwStart), FwBytes(kFwStart.begin(), kFwStart.end() - 1));
        EXPECT_TRUE(FwSendFile(Exchange(), "QOR0310.MFI", master));
        const FwBytes check = Say(kFwVersionCheck);
        EXPECT_EQ(FwStatus(check), 0);
        return FwVersionResult(check);
    }

    // Status queries until verification ends; the final status and how many
    // busy answers came first.
    std::pair<std::uint16_t, int> Verify()
    {
        for (int busy = 0; busy < 100; ++busy) {
            const FwBytes reply = Say(kFwStatusQuery);
            if (FwStatus(reply) != 2)
                return {FwStatus(reply), busy};
        }
        return {0xFFFF, 100};
    }

    FwBytes BankNames() { return Say({0x53, 0x84, 0x00, 0x00}); }

    static std::string Name(const FwBytes& names, std::size_t at)
    {
        std::string text(names.begin() + std::ptrdiff_t(at), names.begin() + std::ptrdiff_t(at + 16));
        return text.substr(0, text.find('\0'));
    }

    sim::UnitBehaviour behaviour;
    std::unique_ptr<sim::CUnitModel> unit;
    sim::CUnitModel::Outcome last;
    const FwBytes master = sim::MakeSampleMaster("QOR0310.bin", "QORSW310");
    const FwBytes image = sim::MakeSampleImage(3000, 7, "QORSW310");
};

} // namespace

TEST_F(SimFirmware, WholeDialogueFillsTheInactiveBank)
{
    EXPECT_EQ(Announce(master), 0);
    FwBytes held = Say(kFwStatusQuery);
    ASSERT_EQ(held.size(), 19u);
    EXPECT_EQ(FwBytes(held.begin(), held.begin() + 12),
              (FwBytes{'M', ':', '1', '7', ',', '3', ',', '1', 0x00, 0x31, 0x00, 0x06}));
    EXPECT_EQ(FwStatus(held), 0);
    EXPECT_EQ(FwHeld(held), 0u);

    const FwBytes start = Say(FwTransferStart(0));
    EXPECT_EQ(start, (FwBytes{'M', ':', '1', '7', ',', '2', ',', '5', 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(FwSendFile(Exchange(), "SWDownload0", image));
    EXPECT_EQ(Unit().Firmware().Image().size(), image.size());

    const auto [status, busy] = Verify();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(busy, 2) << "verification polls default to 2";
    EXPECT_TRUE(last.changed) << "the banks changed: the state file is saved";

    EXPECT_EQ(Say(kFwEnd), FwBytes(kFwEnd.begin(), kFwEnd.end() - 1));
    const FwBytes final = Say(kFwFinalStatus);
    ASSERT_EQ(final.size(), 15u);
    EXPECT_EQ(FwWord(final, 8), 0x0031);
    EXPECT_EQ(FwWord(final, 10), 2);
    EXPECT_EQ(FwStatus(final), 0);

    const FwBytes names = BankNames();
    ASSERT_EQ(names.size(), 36u);
    EXPECT_EQ(names[0], 0x54);
    EXPECT_EQ(names[1], 0x85);
    EXPECT_EQ(names[2], 0);
    EXPECT_EQ(names[3], 0);
    EXPECT_EQ(Name(names, 4), "QOR0300.bin");
    EXPECT_EQ(Name(names, 20), "QOR0310.bin");

    // The same master again: that image is in a bank now; the next download
    // starts from nothing.
    EXPECT_EQ(Announce(master), 1);
    EXPECT_EQ(FwHeld(Say(kFwStatusQuery)), 0u);
}

TEST_F(SimFirmware, VersionCheckComparesWithBothBanks)
{
    EXPECT_EQ(Announce(sim::MakeSampleMaster("QOR0300.bin", "X")), 1) << "the active bank's";
    EXPECT_EQ(Announce(sim::MakeSampleMaster("QOR0290.bin", "X")), 1) << "the inactive bank's";
    EXPECT_EQ(Announce(sim::MakeSampleMaster("QOR0280.bin", "X")), 4) << "older than both";
    EXPECT_EQ(Announce(sim::MakeSampleMaster("QOR0295.bin", "X")), 0) << "between them";

    behaviour.firmware.inactiveName.clear();
    unit.reset();
    EXPECT_EQ(Announce(sim::MakeSampleMaster("QOR0295.bin", "X")), 4) << "an empty bank does not count";
    const FwBytes names = BankNames();
    EXPECT_EQ(FwBytes(names.begin() + 2, names.begin() + 4), (FwBytes{0, 1}));

    // Bad master files: refused (3), and the transfer start with them.
    FwBytes bad = master;
    bad[0] = 'Q';
    EXPECT_EQ(Announce(bad), 3) << "wrong magic";
    bad = master;
    bad[84] = 0xF0; // the record lies beyond the end
    EXPECT_EQ(Announce(bad), 3);
    bad = master;
    bad[sim::kSampleRecordOffset + 88] = 0;
    EXPECT_EQ(Announce(bad), 3) << "count 0";
    EXPECT_EQ(Announce(FwBytes(master.begin(), master.begin() + 60)), 3) << "cut before the record offset";
    bad = master;
    std::fill_n(bad.begin() + sim::kSampleRecordOffset + 89, 16, 'A');
    EXPECT_EQ(Announce(bad), 3) << "an image name no bank can hold";
    EXPECT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 1);
}

TEST_F(SimFirmware, ResumesWhereABrokenTransferStopped)
{
    QTemporaryDir dir;
    behaviour.firmware.directory = dir.path().toStdString();
    behaviour.firmware.breakAtBlock = 3;
    EXPECT_EQ(Announce(master), 0);
    ASSERT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 0);
    ASSERT_TRUE(FwSendFile(Exchange(), "SWDownload0", image, 0, 2));

    // Block 3 breaks the link: neither kept nor answered.
    FwBytes reply;
    const auto outcome = Unit().Handle(kFwRoute, FwData(3, image, 2 * kFwBlock, kFwBlock), reply);
    EXPECT_TRUE(outcome.breakConnection);
    EXPECT_FALSE(outcome.answered);
    EXPECT_TRUE(reply.empty());

    QFile partial(dir.filePath(QStringLiteral("unit-131-image.bin")));
    ASSERT_TRUE(partial.open(QIODevice::ReadOnly));
    const QByteArray left = partial.readAll();
    EXPECT_EQ(FwBytes(left.begin(), left.end()), FwBytes(image.begin(), image.begin() + 2 * kFwBlock));
    partial.close();

    // The tool asks what is held and resumes from there with block 1 again;
    // block 3 no longer breaks anything.
    const std::uint32_t held = FwHeld(Say(kFwStatusQuery));
    EXPECT_EQ(held, 2 * kFwBlock);
    EXPECT_EQ(FwTransferStatus(Say(FwTransferStart(held + 1))), 1) << "a gap is refused";
    ASSERT_EQ(FwTransferStatus(Say(FwTransferStart(held - 100))), 0) << "a shorter offset cuts";
    ASSERT_TRUE(FwSendFile(Exchange(), "SWDownload0", image, held - 100));
    EXPECT_EQ(Verify().first, 0);

    ASSERT_TRUE(partial.open(QIODevice::ReadOnly));
    const QByteArray whole = partial.readAll();
    EXPECT_EQ(FwBytes(whole.begin(), whole.end()), image);
    QFile masterFile(dir.filePath(QStringLiteral("unit-131-master.bin")));
    ASSERT_TRUE(masterFile.open(QIODevice::ReadOnly));
    const QByteArray m = masterFile.readAll();
    EXPECT_EQ(FwBytes(m.begin(), m.end()), master);
}

TEST_F(SimFirmware, AHeldImageOfAnotherFirmwareIsNotResumed)
{
    EXPECT_EQ(Announce(master), 0);
    ASSERT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 0);
    ASSERT_TRUE(FwSendFile(Exchange(), "SWDownload0", image, 0, 2));
    Say(kFwEnd); // aborted

    EXPECT_EQ(Announce(master), 0);
    EXPECT_EQ(FwHeld(Say(kFwStatusQuery)), 2 * kFwBlock) << "the same image: resumable";
    EXPECT_EQ(Announce(sim::MakeSampleMaster("QOR0320.bin", "QORSW320")), 0);
    EXPECT_EQ(FwHeld(Say(kFwStatusQuery)), 0u);
}

TEST_F(SimFirmware, BusyAnswersComeFirstAndAreCountedPerDownload)
{
    behaviour.firmware.busyVersionCheck = 2;
    behaviour.firmware.busyStatusQuery = 1;
    behaviour.firmware.busyTransferStart = 3;
    behaviour.firmware.busyFinalStatus = 1;
    behaviour.firmware.verificationPolls = 0;
    for (int download = 0; download < 2; ++download) {
        SCOPED_TRACE(download);
        EXPECT_EQ(Announce(master), 2);
        EXPECT_EQ(FwVersionResult(Say(kFwVersionCheck)), 2);
        EXPECT_EQ(FwVersionResult(Say(kFwVersionCheck)), download == 0 ? 0 : 1);
        EXPECT_EQ(FwStatus(Say(kFwStatusQuery)), 2);
        EXPECT_EQ(FwStatus(Say(kFwStatusQuery)), 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 2);
        ASSERT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 0);
        ASSERT_TRUE(FwSendFile(Exchange(), "SWDownload0", image));
        EXPECT_EQ(Verify(), std::make_pair(std::uint16_t(0), 0));
        Say(kFwEnd);
        EXPECT_EQ(FwStatus(Say(kFwFinalStatus)), 2);
        EXPECT_EQ(FwStatus(Say(kFwFinalStatus)), 0);
    }
}

TEST_F(SimFirmware, RefusalsAndForcedResults)
{
    behaviour.firmware.versionResult = 5;
    behaviour.firmware.refuseTransferStart = true;
    EXPECT_EQ(Announce(master), 5);
    EXPECT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 1);
    EXPECT_EQ(Tftp(FwWriteRequest("SWDownload0")), (FwBytes{0, 5, 0, 2, 'n', 'o', ' ', 't', 'r', 'a', 'n', 's', 'f',
                                                            'e', 'r', ' ', 's', 't', 'a', 'r', 't', 'e', 'd', 0}));

    // The image arrives but verification refuses it: the bank keeps its name
    // and the final status is not "done".
    behaviour = {};
    behaviour.firmware.checksumFailure = true;
    unit.reset();
    EXPECT_EQ(Announce(master), 0);
    ASSERT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 0);
    ASSERT_TRUE(FwSendFile(Exchange(), "SWDownload0", image));
    EXPECT_EQ(Verify().first, 1);
    EXPECT_EQ(Unit().Firmware().Banks().Inactive(), "QOR0290.bin");
    Say(kFwEnd);
    EXPECT_EQ(FwStatus(Say(kFwFinalStatus)), 1);

    // Without the option, a damaged image is refused just the same.
    behaviour = {};
    unit.reset();
    FwBytes damaged = image;
    damaged[2000] ^= 0x01;
    EXPECT_EQ(Announce(master), 0);
    ASSERT_EQ(FwTransferStatus(Say(FwTransferStart(0))), 0);
    ASSERT_TRUE(FwSendFile(Exchange(), "SWDownload0", damaged));
    EXPECT_EQ(Verify().first, 1);
}

TEST_F(SimFirmware, TftpBlocksMustComeInOrder)
{
    Say(kFwStart);
    EXPECT_EQ(Tftp(FwData(1, master, 0, 10))[1], 5) << "data without a write request";
    ASSERT_EQ(Tftp(FwWriteRequest("QOR0310.MFI")), FwAck(0));
    const FwBytes big(1500, 0xAB);
    ASSERT_EQ(Tftp(FwData(1, big, 0, kFwBlock)), FwAck(1));
    EXPECT_EQ(Tftp(FwData(1, big, 0, kFwBlock)), FwAck(1)) << "a repeat is acknowledged again";
    const FwBytes skipped = Tftp(FwData(3, big, 0, kFwBlock));
    ASSERT_GE(skipped.size(), 5u);
    EXPECT_EQ(FwBytes(skipped.begin(), skipped.begin() + 4), (FwBytes{0, 5, 0, 4}));
    EXPECT_EQ(skipped.back(), 0);
    EXPECT_EQ(Tftp(FwData(2, big, 0, kFwBlock))[1], 5) << "the transfer ended with the error";

    EXPECT_EQ(Tftp(FwWriteRequest("QOR0310.MFI")), FwAck(0));
    const FwBytes tooLong = Tftp(FwData(1, big, 0, kFwBlock + 1));
    ASSERT_GE(tooLong.size(), 4u);
    EXPECT_EQ(FwBytes(tooLong.begin(), tooLong.begin() + 4), (FwBytes{0, 5, 0, 4}));
    EXPECT_EQ(Tftp({0x00, 0x01, 'x', 0, 'o', 'c', 't', 'e', 't', 0})[1], 5) << "read requests are not served";
    EXPECT_EQ(Tftp({0x00})[1], 5);
    EXPECT_EQ(Tftp({0x00, 0x02, 'x', 0, 'n', 'e', 't', 'a', 's', 'c', 'i', 'i', 0})[3], 4) << "mode must be octet";
    EXPECT_EQ(Tftp({0x00, 0x02, 'x', 0, 'o', 'c'})[3], 4) << "unterminated";

    // Every route but the download routes stays silent.
    FwBytes ignored;
    EXPECT_FALSE(Unit().Handle("wp=opt,pr=q1xx", FwWriteRequest("a"), ignored).answered);
    EXPECT_TRUE(Unit().Handle("WP=OPT,PR=Q1AD", FwWriteRequest("a"), ignored).answered);
}

TEST_F(SimFirmware, OnlyKnownCommandsAreAnswered)
{
    const FwBytes nak = {0x54, 0xF0};
    EXPECT_EQ(Say(FwCommand("M:17,9,9\r")), nak);
    EXPECT_EQ(Say({'M', ':', '1', '7', ',', '2', ',', '1', '\r'}), nak) << "no terminating zero";
    EXPECT_EQ(Say({'M'}), nak);
    // A malformed transfer start is refused, not ignored.
    FwBytes shortStart = FwTransferStart(0);
    shortStart.pop_back();
    EXPECT_EQ(FwTransferStatus(Say(shortStart)), 1);
    // Status before anything: nothing held.
    EXPECT_EQ(FwHeld(Say(kFwStatusQuery)), 0u);
    EXPECT_EQ(FwStatus(Say(kFwFinalStatus)), 1) << "no verified image";
    // A master file needs a started download.
    EXPECT_EQ(Tftp(FwWriteRequest("QOR0310.MFI"))[3], 2);
}

TEST_F(SimFirmware, ActivationSwapsTheBanksAndRestarts)
{
    auto activate = [](std::string_view name) {
        FwBytes b = {0x53, 0x77, std::uint8_t(name.size() + 1)};
        b.insert(b.end(), name.begin(), name.end());
        b.push_back(0);
        return b;
    };
    EXPECT_EQ(Say(activate("QOR0300.bin")), (FwBytes{0x54, 0x78, 0x00, 0x02})) << "not the inactive bank";
    EXPECT_FALSE(last.reset);
    EXPECT_EQ(Say(activate("QOR0290.bin")), (FwBytes{0x54, 0x78, 0x00, 0x00}));
    EXPECT_TRUE(last.reset);
    EXPECT_TRUE(last.changed);
    EXPECT_EQ(Name(BankNames(), 4), "QOR0290.bin");
    EXPECT_EQ(Name(BankNames(), 20), "QOR0300.bin");

    // The reset is still the reset, and malformed activations are refused.
    EXPECT_EQ(Say({0x53, 0x77, 0x00, 0x00}), (FwBytes{0x54, 0x78, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(last.reset);
    EXPECT_EQ(Say({0x53, 0x77, 0x05, 'a', 0}), (FwBytes{0x54, 0xF0}));
    EXPECT_EQ(Say({0x53, 0x77, 0x02, 'a', 'b'}), (FwBytes{0x54, 0xF0}));
    EXPECT_EQ(Say({0x53, 0x84, 0x00}), (FwBytes{0x54, 0xF0}));

    behaviour.firmware.activationResult = 0x0105;
    behaviour.firmware.inactiveName.clear();
    unit.reset();
    EXPECT_EQ(Say(activate("QOR0290.bin")), (FwBytes{0x54, 0x78, 0x01, 0x05}));
    EXPECT_FALSE(last.reset);
    behaviour.firmware.activationResult.reset();
    unit.reset();
    EXPECT_EQ(Say(activate("")), (FwBytes{0x54, 0x78, 0x00, 0x01})) << "empty inactive bank";
}

TEST_F(SimFirmware, MulticastAddressIsReadable)
{
    EXPECT_EQ(Say({0x53, 0x54, 0x01, 0x00, 0xD0, 0x02}),
              (FwBytes{0x54, 0x57, 0x01, 0x00, 0xD0, 0x02, 6, 0, 0x00, 0x83}));
}

TEST(SimFirmwareGateway, ABreakingBlockClosesTheConnectionUnanswered)
{
    sim::CUnitRegistry registry;
    sim::UnitBehaviour behaviour;
    behaviour.firmware.breakAtBlock = 1;
    registry.Add({QHostAddress(QStringLiteral("192.168.255.120")), 131}, sim::DefaultCatalog(), behaviour);
    sim::CGatewayDispatcher dispatcher(registry, {});
    sim::SessionState session;
    Bytes out;
    dispatcher.Handle(session, OpenBody(1), out);
    const FwBytes master = sim::MakeSampleMaster("QOR0310.bin", "QORSW310");
    std::uint16_t seq = 2;
    const auto send = [&](const FwBytes& request, std::string_view route = {}) {
        out.clear();
        return dispatcher.Handle(session, TransferBody(seq++, request, route), out);
    };
    send(kFwStart);
    send(FwWriteRequest("m.MFI"), kFwRoute);
    send(FwData(1, master, 0, master.size()), kFwRoute);
    send(FwTransferStart(0));
    send(FwWriteRequest("SWDownload0"), kFwRoute);
    EXPECT_EQ(send(FwData(1, master, 0, 10), kFwRoute), sim::CGatewayDispatcher::Action::Close);
    EXPECT_TRUE(out.empty());
    // Once only: the next connection gets its answer.
    send(FwTransferStart(0));
    send(FwWriteRequest("SWDownload0"), kFwRoute);
    EXPECT_EQ(send(FwData(1, master, 0, 10), kFwRoute), sim::CGatewayDispatcher::Action::Reply);
}
