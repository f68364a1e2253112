// The Communication Parameters dialog: its rules without a screen, and the
// dialog itself offscreen with the message boxes answered on the user's behalf.

#include "app/CommParams.h"
#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/widgets/CommParamDlg.h"
#include "controls/IpAddressEdit.h"
#include "support/PromptRecorder.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <utility>

namespace {

const QString kRanges = QStringLiteral(
    "Valid ranges for IP Address are :\n\n"
    "i) 192.168.0.0 - 192.168.255.255\n"
    "ii) 172.16.0.0 - 172.31.255.255\n"
    "iii) 10.0.0.0 - 10.255.255.255");

TEST(CommParams, OnlyPrivateAddressesAreAccepted)
{
    using Check = CCommParams::AddressCheck;
    const struct {
        Ipv4Fields address;
        Check check;
    } rows[] = {
        {{192, 168, 0, 1}, Check::Accepted},          {{192, 169, 0, 1}, Check::WrongSecondField},
        {{172, 15, 0, 1}, Check::WrongSecondField},   {{172, 16, 0, 1}, Check::Accepted},
        {{172, 31, 255, 255}, Check::Accepted},       {{172, 32, 0, 1}, Check::WrongSecondField},
        {{10, 200, 1, 1}, Check::Accepted},           {{10, 0, 0, 0}, Check::Accepted},
        {{11, 168, 0, 1}, Check::WrongFirstField},    {{0, 0, 0, 0}, Check::WrongFirstField},
        {{255, 255, 255, 255}, Check::WrongFirstField},
    };
    for (const auto& row : rows)
        EXPECT_EQ(CCommParams::CheckAddress(row.address), row.check) << FormatIpv4(row.address).toStdString();
    EXPECT_EQ(CCommParams::RangesMessage(), kRanges);
}

TEST(CommParams, OpeningLoadsTheStoredAddressOrKeepsTheDefault)
{
    SettingsSandbox sandbox;
    CManagerSettings settings;
    CCommParams params(settings);
    auto entries = params.Open();
    EXPECT_EQ(entries.address, (Ipv4Fields{192, 168, 255, 120}));
    EXPECT_EQ(entries.q1Address, 131u);

    sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("IP address"), QStringLiteral("010.200.001.001"));
    sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("Q1 Address"), 77);
    sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("Port Address"), 7100);
    entries = params.Open();
    EXPECT_EQ(entries.address, (Ipv4Fields{10, 200, 1, 1}));
    EXPECT_EQ(entries.q1Address, 77u);
    EXPECT_EQ(settings.portAddress, 7100u);

    for (const char* text : {"300.1.1.1", "10.1.1", "10.1.1.1.1", "host.example", ""}) {
        sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("IP address"), QLatin1String(text));
        EXPECT_EQ(params.Open().address, (Ipv4Fields{192, 168, 255, 120})) << text;
    }
}

class CommParamDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.ipAddress = QStringLiteral("192.168.1.10");
        settings.q1Address = 200;
        ASSERT_TRUE(settings.SaveSettings());
    }

    // Fills in the fields and presses OK.
    void Ok(CCommParamDlg& dialog, const QString& address, const QString& q1)
    {
        ASSERT_TRUE(dialog.AddressEdit()->SetText(address));
        dialog.Q1AddressEdit()->setText(q1);
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    }

    // The local connection as stored.
    static std::pair<QString, std::uint32_t> Stored()
    {
        CManagerSettings stored;
        stored.LoadSettings();
        return {stored.ipAddress, stored.q1Address};
    }

    SettingsSandbox sandbox;
    CManagerSettings settings;
    PromptRecorder prompts;
};

TEST_F(CommParamDlgTest, OpensWithTheStoredValues)
{
    CManagerSettings appSettings;
    CCommParamDlg dialog(appSettings);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Communication Parameters"));
    EXPECT_EQ(dialog.findChild<QGroupBox*>()->title(), QStringLiteral("Local Connection Parameters"));
    EXPECT_EQ(dialog.AddressEdit()->Text(), QStringLiteral("192.168.1.10"));
    EXPECT_EQ(dialog.Q1AddressEdit()->text(), QStringLiteral("200"));
    EXPECT_EQ(appSettings.ipAddress, QStringLiteral("192.168.1.10")); // loaded into the application's settings
    // For people: QORA_SCREENSHOT_DIR=folder keeps a picture of the dialog.
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty()) {
        dialog.show();
        dialog.grab().save(folder + QStringLiteral("/comm-params.png"));
    }
}

TEST_F(CommParamDlgTest, AnAddressOutsideThePrivateRangesIsRefusedAtTheFaultyField)
{
    CManagerSettings appSettings;
    CCommParamDlg dialog(appSettings);
    dialog.show();

    Ok(dialog, QStringLiteral("172.32.0.1"), QStringLiteral("300"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, kRanges);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.AddressEdit()->FocusedField(), 1);

    Ok(dialog, QStringLiteral("11.168.0.1"), QStringLiteral("300"));
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, kRanges);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.AddressEdit()->FocusedField(), 0);

    EXPECT_EQ(appSettings.ipAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(Stored(), std::make_pair(QStringLiteral("192.168.1.10"), 200u));
}

TEST_F(CommParamDlgTest, APrivateAddressIsAcceptedAndSaved)
{
    CManagerSettings appSettings;
    CCommParamDlg dialog(appSettings);
    dialog.show();
    Ok(dialog, QStringLiteral("10.200.1.1"), QStringLiteral("4095"));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(appSettings.ipAddress, QStringLiteral("10.200.1.1"));
    EXPECT_EQ(appSettings.q1Address, 4095u);
    EXPECT_EQ(Stored(), std::make_pair(QStringLiteral("10.200.1.1"), 4095u));
}

TEST_F(CommParamDlgTest, AQ1AddressOutOfRangeShowsTheRangeMessageAndSavesNothing)
{
    CManagerSettings appSettings;
    CCommParamDlg dialog(appSettings);
    dialog.show();
    Ok(dialog, QStringLiteral("10.200.1.1"), QStringLiteral("4096"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Enter an integer between 0 and 4095."));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.focusWidget(), dialog.Q1AddressEdit());
    EXPECT_EQ(dialog.Q1AddressEdit()->selectedText(), QStringLiteral("4096"));
    // Neither the store nor the application's settings take anything from a refused OK.
    EXPECT_EQ(appSettings.ipAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(appSettings.q1Address, 200u);
    EXPECT_EQ(Stored(), std::make_pair(QStringLiteral("192.168.1.10"), 200u));

    dialog.Q1AddressEdit()->clear();
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    ASSERT_EQ(prompts.shown.size(), 2u);
    EXPECT_EQ(prompts.shown[1].text, QStringLiteral("Enter a positive integer."));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(CommParamDlgTest, CancelLeavesTheSettingsAlone)
{
    CManagerSettings appSettings;
    CCommParamDlg dialog(appSettings);
    dialog.show();
    ASSERT_TRUE(dialog.AddressEdit()->SetText(QStringLiteral("10.1.1.1")));
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(appSettings.ipAddress, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(Stored(), std::make_pair(QStringLiteral("192.168.1.10"), 200u));
}

} // namespace
