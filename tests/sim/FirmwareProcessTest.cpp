// A firmware download through the built simulator over TCP: the connection
// breaks at an image block, the download resumes on a new connection, the
// files the unit kept equal the ones sent, and activation swaps the banks,
// which a restarted simulator still knows.

#include "sim/FirmwareDialogue.h"
#include "sim/FirmwareSample.h"
#include "sim/SimProcess.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;

namespace {

class LinkSession {
public:
    explicit LinkSession(quint16 port)
    {
        connected_ = client_.Connect(port) && client_.Exchange(OpenBody(seq_++)).result == 0;
    }

    [[nodiscard]] bool Connected() const { return connected_; }

    std::optional<FwBytes> Ask(std::string_view route, const FwBytes& request)
    {
        const Reply r = client_.Exchange(TransferBody(seq_++, request, route));
        lastResult_ = r.result;
        if (r.result != 0)
            return std::nullopt;
        return r.bytes;
    }
    FwBytes Say(const FwBytes& request) { return Ask({}, request).value_or(FwBytes{}); }

    FwExchange Exchange()
    {
        return [this](std::string_view route, const FwBytes& request) { return Ask(route, request); };
    }

    CLinkClient& Client() { return client_; }
    std::uint16_t NextSeq() { return seq_++; }
    [[nodiscard]] std::uint8_t LastResult() const { return lastResult_; }

private:
    CLinkClient client_;
    std::uint16_t seq_ = 1;
    bool connected_ = false;
    std::uint8_t lastResult_ = 0;
};

FwBytes ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return FwBytes(data.begin(), data.end());
}

// The software version of the active (0) or inactive (1) bank in a read
// reply of the version block.
std::string SoftwareVersion(const FwBytes& reply, int bank)
{
    if (reply.size() != 8 + 164)
        return "?";
    const auto at = reply.begin() + 8 + 124 + 20 * bank;
    std::string text(at, at + 20);
    return text.substr(0, text.find('\0'));
}

const FwBytes kReadVersionBlock = {0x53, 0x54, 0x01, 0x00, 0x90, 0x04};

std::string InactiveName(const FwBytes& names)
{
    if (names.size() != 36)
        return "?";
    std::string text(names.begin() + 20, names.end());
    return text.substr(0, text.find('\0'));
}

} // namespace

TEST(SimFirmwareProcess, DownloadResumesAfterABreakAndActivationSurvivesARestart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString state = dir.filePath(QStringLiteral("state.json"));
    const FwBytes master = sim::MakeSampleMaster("QOR0310.bin", "QORSW310");
    const FwBytes image = sim::MakeSampleImage(5000, 3, "QORSW310");
    {
        CSimProcess sim({QStringLiteral("--firmware-dir"), dir.path(), QStringLiteral("--break-at-block"),
                         QStringLiteral("4"), QStringLiteral("--state"), state, QStringLiteral("--reboot-ms"),
                         QStringLiteral("200"), QStringLiteral("--verification-polls"), QStringLiteral("1")});
        ASSERT_NE(sim.Port(), 0) << sim.FirstLine().toStdString();

        {
            LinkSession link(sim.Port());
            ASSERT_TRUE(link.Connected());
            EXPECT_EQ(link.Say(kFwStart), FwBytes(kFwStart.begin(), kFwStart.end() - 1));
            ASSERT_TRUE(FwSendFile(link.Exchange(), "QOR0310.MFI", master));
            EXPECT_EQ(FwVersionResult(link.Say(kFwVersionCheck)), 0);
            EXPECT_EQ(FwHeld(link.Say(kFwStatusQuery)), 0u);
            ASSERT_EQ(FwTransferStatus(link.Say(FwTransferStart(0))), 0);
            ASSERT_TRUE(FwSendFile(link.Exchange(), "SWDownload0", image, 0, 3));
            // Block 4: no reply, the gateway hangs up.
            link.Client().Send(TransferBody(link.NextSeq(), FwData(4, image, 3 * kFwBlock, kFwBlock), kFwRoute));
            EXPECT_TRUE(link.Client().WaitClosed());
        }
        EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("unit-131-image.bin"))),
                  FwBytes(image.begin(), image.begin() + 3 * kFwBlock));

        LinkSession link(sim.Port());
        ASSERT_TRUE(link.Connected());
        const std::uint32_t held = FwHeld(link.Say(kFwStatusQuery));
        ASSERT_EQ(held, 3 * kFwBlock);
        ASSERT_EQ(FwTransferStatus(link.Say(FwTransferStart(held))), 0);
        ASSERT_TRUE(FwSendFile(link.Exchange(), "SWDownload0", image, held));
        EXPECT_EQ(FwStatus(link.Say(kFwStatusQuery)), 2);
        EXPECT_EQ(FwStatus(link.Say(kFwStatusQuery)), 0);
        link.Say(kFwEnd);
        EXPECT_EQ(FwStatus(link.Say(kFwFinalStatus)), 0);

        EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("unit-131-master.bin"))), master);
        EXPECT_EQ(ReadAll(dir.filePath(QStringLiteral("unit-131-image.bin"))), image);
        EXPECT_EQ(InactiveName(link.Say({0x53, 0x84, 0x00, 0x00})), "QOR0310.bin");
        const FwBytes versions = link.Say(kReadVersionBlock);
        EXPECT_EQ(SoftwareVersion(versions, 0), "QOR0300.bin");
        EXPECT_EQ(SoftwareVersion(versions, 1), "QOR0310.bin") << "the download fills the inactive bank";

        FwBytes activate = {0x53, 0x77, 12};
        activate.insert(activate.end(), {'Q', 'O', 'R', '0', '3', '1', '0', '.', 'b', 'i', 'n', 0});
        EXPECT_EQ(link.Say(activate), (FwBytes{0x54, 0x78, 0x00, 0x00}));
        EXPECT_FALSE(link.Ask({}, {0x53, 0x84, 0x00, 0x00}).has_value());
        EXPECT_EQ(link.LastResult(), 2) << "restarting";
        EXPECT_EQ(sim.Terminate(), 0);
    }

    CSimProcess restarted({QStringLiteral("--state"), state});
    ASSERT_NE(restarted.Port(), 0);
    LinkSession link(restarted.Port());
    ASSERT_TRUE(link.Connected());
    const FwBytes names = link.Say({0x53, 0x84, 0x00, 0x00});
    ASSERT_EQ(names.size(), 36u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(names.data()) + 4), "QOR0310.bin");
    EXPECT_EQ(InactiveName(names), "QOR0300.bin");
    // Version Information agrees with SW Activation: the new firmware runs.
    const FwBytes versions = link.Say(kReadVersionBlock);
    EXPECT_EQ(SoftwareVersion(versions, 0), "QOR0310.bin");
    EXPECT_EQ(SoftwareVersion(versions, 1), "QOR0300.bin");
}
