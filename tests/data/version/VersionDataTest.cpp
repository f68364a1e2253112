// The version group against a handler with a silent driver: what it asks,
// how it cuts the block into texts, and how the dialog shows them.

#include "data/UnitFacts.h"
#include "data/version/VersionData.h"
#include "data/version/widgets/VersionInfoDlg.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "platform/PostMessage.h"
#include "platform/StringTable.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/PromptRecorder.h"

#include <QDir>
#include <QPixmap>

#include "support/PlayedUnit.h"

#include <gtest/gtest.h>

using Bytes = std::vector<std::uint8_t>;

namespace {


void AppendField(Bytes& bytes, const std::string& text, std::size_t width)
{
    Bytes field(width, 0);
    std::copy_n(text.begin(), std::min(width, text.size()), field.begin());
    bytes.insert(bytes.end(), field.begin(), field.end());
}

// A version block: the nine fields in their widths.
Bytes Block(const std::vector<std::string>& texts)
{
    static const std::size_t widths[] = {16, 12, 16, 20, 20, 20, 20, 20, 20};
    Bytes block;
    for (std::size_t i = 0; i < 9; ++i)
        AppendField(block, i < texts.size() ? texts[i] : std::string(), widths[i]);
    return block;
}

Bytes VersionReply(const Bytes& value, std::uint8_t status = 0, std::uint8_t address = 9)
{
    Bytes reply{0x84, address, 0x18, 0x01, 0x00, 0x90, 0x04, static_cast<std::uint8_t>(value.size() + 4), status};
    reply.insert(reply.end(), value.begin(), value.end());
    return reply;
}

class VersionDataTest : public PlayedUnitTest {
protected:
    void SetUp() override
    {
        PlayedUnitTest::SetUp();
        AppUnitFacts() = UnitFacts{};
    }
    // Reads the group once with `reply` as the unit's answer; the notices it got.
    std::vector<RecordedMessage> ReadWith(CVersionData& group, const Bytes& reply)
    {
        MessageRecorder window;
        group.AddWindow(&window);
        group.Register();
        EXPECT_TRUE(group.ReadAll());
        EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04}}));
        Reply(reply);
        PumpFor(5);
        group.Unregister();
        std::vector<RecordedMessage> done;
        for (const auto& m : window.received)
            if (m.message == WM_VERSION_READ_DONE)
                done.push_back(m);
        return done;
    }

};

} // namespace

TEST_F(VersionDataTest, CutsEachFieldAtItsNulOrItsWidthAndHandsTheSerialToTheFrame)
{
    CVersionData group;
    const auto done = ReadWith(group, VersionReply(Block({"QORA-2 R1A", "HW2", "SN-0042", "F1", "F2", "G1", "G2",
                                                          "S1", "S2"})));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].wParam, 1u);
    EXPECT_EQ(group.GetUnitVersion(), "QORA-2 R1A");
    EXPECT_EQ(group.GetHardwareVersion(), "HW2");
    EXPECT_EQ(group.GetSerialNumber(), "SN-0042");
    EXPECT_EQ(group.GetFpgaVersionActive(), "F1");
    EXPECT_EQ(group.GetFpgaVersionInactive(), "F2");
    EXPECT_EQ(group.GetGpsVersionActive(), "G1");
    EXPECT_EQ(group.GetGpsVersionInactive(), "G2");
    EXPECT_EQ(group.GetSoftwareVersionActive(), "S1");
    EXPECT_EQ(group.GetSoftwareVersionInactive(), "S2");
    EXPECT_EQ(AppUnitFacts().serialNumber, QStringLiteral("SN-0042"));

    // Completely filled fields: each exactly its width, nothing of the next.
    CVersionData full;
    const std::vector<std::string> filled = {std::string(16, 'U'), std::string(12, 'H'), std::string(16, 'N'),
                                             std::string(20, 'a'), std::string(20, 'b'), std::string(20, 'c'),
                                             std::string(20, 'd'), std::string(20, 'e'), std::string(20, 'f')};
    ASSERT_EQ(ReadWith(full, VersionReply(Block(filled)))[0].wParam, 1u);
    EXPECT_EQ(full.GetUnitVersion(), QByteArray(16, 'U'));
    EXPECT_EQ(full.GetHardwareVersion(), QByteArray(12, 'H'));
    EXPECT_EQ(full.GetSerialNumber(), QByteArray(16, 'N'));
    EXPECT_EQ(full.GetFpgaVersionActive(), QByteArray(20, 'a'));
    EXPECT_EQ(full.GetSoftwareVersionInactive(), QByteArray(20, 'f'));
}

TEST_F(VersionDataTest, ANonZeroStatusShowsNotAvailableAndStillSucceeds)
{
    CVersionData group;
    AppUnitFacts().serialNumber = QStringLiteral("earlier");
    const auto done = ReadWith(group, VersionReply({}, 1));
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].wParam, 1u);
    for (const QByteArray& value :
         {group.GetUnitVersion(), group.GetHardwareVersion(), group.GetSerialNumber(), group.GetFpgaVersionActive(),
          group.GetFpgaVersionInactive(), group.GetGpsVersionActive(), group.GetGpsVersionInactive(),
          group.GetSoftwareVersionActive(), group.GetSoftwareVersionInactive()})
        EXPECT_EQ(value, "N/A");
    EXPECT_EQ(AppUnitFacts().serialNumber, QStringLiteral("earlier"));
}

TEST_F(VersionDataTest, MalformedRepliesFailTheRead)
{
    const std::vector<Bytes> malformed = {
        [] { auto r = VersionReply(Block({"U"})); r.push_back(0); return r; }(), // one byte more than announced
        VersionReply(Bytes(100, 'x')),                                            // a block too short for its fields
        {0x84, 0x09, 0xF0},                                                       // negative acknowledgement
    };
    for (const Bytes& reply : malformed) {
        CVersionData group;
        const auto done = ReadWith(group, reply);
        ASSERT_EQ(done.size(), 1u);
        EXPECT_EQ(done[0].wParam, 0u);
        EXPECT_EQ(group.GetOperationState(), CDataClass::kIdle);
        EXPECT_TRUE(group.GetUnitVersion().isEmpty());
    }
}

TEST_F(VersionDataTest, RepliesForOtherGroupsLeaveTheReadRunning)
{
    CVersionData group;
    MessageRecorder window;
    group.AddWindow(&window);
    group.Register();
    ASSERT_TRUE(group.ReadAll());
    Sent();
    Reply(VersionReply(Block({"other"}), 0, 7));
    EXPECT_EQ(group.GetOperationState(), CDataClass::kReading);
    EXPECT_TRUE(window.received.empty());
    EXPECT_FALSE(group.Write());
    EXPECT_TRUE(Sent().empty());
    Reply(VersionReply(Block({"mine"})));
    EXPECT_EQ(group.GetUnitVersion(), "mine");
    group.Unregister();
}

TEST(VersionSerialDisplay, OnlyALoneFFByteIsShownAsDashes)
{
    EXPECT_EQ(DisplaySerialNumber(QByteArray(1, '\xFF')), "--");
    EXPECT_EQ(DisplaySerialNumber(QByteArray(2, '\xFF')), QByteArray(2, '\xFF'));
    EXPECT_EQ(DisplaySerialNumber("-"), "-");
    EXPECT_EQ(DisplaySerialNumber(""), "");
}

TEST_F(VersionDataTest, DialogShowsTheReadValues)
{
    CVersionInfoDlg dialog;
    dialog.show();
    PumpFor(5);
    EXPECT_EQ(dialog.FieldText("unitVersion"), QString());
    // The GPS group goes first on the wire, then the versions.
    ASSERT_EQ(Sent(), (std::vector<Bytes>{{0x83, 0x04, 0x23, 0x00, 0x00},
                                          {0x84, 0x04, 0x17, 0x01, 0x00, 0xC0, 0x01},
                                          {0x84, 0x09, 0x17, 0x01, 0x00, 0x90, 0x04}}));
    Bytes block = Block({"QORA-2 R1A", "HW2 R3B", "", "FPGA 3.02", "FPGA 3.01", "GPS 2.40", "GPS 2.31",
                         "QORA SW 4.12.0", "QORA SW 4.11.2"});
    block[28] = 0xFF; // a lone 0xFF serial number: the unit has none
    Reply(VersionReply(block));
    ASSERT_TRUE(PumpUntil([&] { return !dialog.FieldText("unitVersion").isEmpty(); }));
    EXPECT_EQ(dialog.FieldText("unitVersion"), QStringLiteral("QORA-2 R1A"));
    EXPECT_EQ(dialog.FieldText("hwVersion"), QStringLiteral("HW2 R3B"));
    EXPECT_EQ(dialog.FieldText("serialNumber"), QStringLiteral("--"));
    EXPECT_EQ(dialog.FieldText("swVersionActive"), QStringLiteral("QORA SW 4.12.0"));
    EXPECT_EQ(dialog.FieldText("swVersionInactive"), QStringLiteral("QORA SW 4.11.2"));
    EXPECT_EQ(dialog.FieldText("gpsVersionActive"), QStringLiteral("GPS 2.40"));
    EXPECT_EQ(dialog.FieldText("gpsVersionInactive"), QStringLiteral("GPS 2.31"));
    EXPECT_EQ(dialog.FieldText("fpgaVersionActive"), QStringLiteral("FPGA 3.02"));
    EXPECT_EQ(dialog.FieldText("fpgaVersionInactive"), QStringLiteral("FPGA 3.01"));
    EXPECT_TRUE(dialog.isVisible());

    const QString shots = qEnvironmentVariable("QORA_SCREENSHOT_DIR");
    if (!shots.isEmpty()) {
        QDir().mkpath(shots);
        dialog.grab().save(shots + QStringLiteral("/version-information.png"));
    }
}

TEST_F(VersionDataTest, DialogClosesAfterTheReadingProblemMessage)
{
    PromptRecorder prompts;
    auto dialog = std::make_unique<CVersionInfoDlg>();
    dialog->show();
    PumpFor(5);
    Sent();
    Reply({0x84, 0x09, 0xF0});
    ASSERT_TRUE(PumpUntil([&] { return !prompts.shown.empty(); }));
    EXPECT_EQ(prompts.shown[0].text, LoadResString(StringId::ReadingProblem));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    dialog.reset();
    EXPECT_EQ(handler->ListenerCount(), 0u);
}
