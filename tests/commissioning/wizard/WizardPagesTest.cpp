// The wizard's pages offscreen: what each shows when it opens, what Next
// refuses and where the focus goes, and the delay calculator behind "Calc".

#include "WizardFixture.h"

#include "commissioning/wizard/widgets/CWGpsPage.h"
#include "commissioning/wizard/widgets/CWQ1Page.h"
#include "commissioning/wizard/widgets/CWRfPage.h"
#include "controls/IpAddressEdit.h"
#include "controls/LatLongCtrl.h"
#include "controls/SmartEdit.h"
#include "support/ModalAnswer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace {

using Wiz = CCommissionWiz;

const QString kManualPositionAdvice = QStringLiteral(
    "It is recommended to use Self Survey instead of setting position manually.\nPrecise measured position is "
    "needed if position is set manually.\n\nIt is not recommended to use handheld GPS device for measuring position.");

class GpsPageTest : public WizardFixture {};

TEST_F(GpsPageTest, ImperialAltitudeIsShownAndTakenInFeet)
{
    measure = QStringLiteral("1");
    CCommissionWiz& wiz = MakeWizard();
    wiz.Values().gps.altitudeCm = 1000;
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kGpsPageId));
    CCWGpsPage* page = wiz.GpsPage();
    EXPECT_EQ(page->AltitudeUnitLabel()->text(), QStringLiteral("ft."));
    EXPECT_EQ(page->AltitudeEdit()->text(), QStringLiteral("32.80"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(wiz.Values().gps.altitudeCm, 999);

    // Metric, or a setting that cannot be read: metres.
    for (std::optional<QString> setting : {std::optional<QString>(QStringLiteral("0")), std::optional<QString>()}) {
        measure = setting;
        wiz.hide();
        wiz.show();
        ASSERT_TRUE(GoTo(Wiz::kGpsPageId));
        EXPECT_EQ(page->AltitudeUnitLabel()->text(), QStringLiteral("m"));
        EXPECT_EQ(page->AltitudeEdit()->text(), QStringLiteral("9.99"));
    }
}

TEST_F(GpsPageTest, AnEmptyAltitudeIsRefused)
{
    CCommissionWiz& wiz = MakeWizard();
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kGpsPageId));
    wiz.GpsPage()->AltitudeEdit()->clear();
    EXPECT_FALSE(Next());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Enter value for Altitude"));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(wiz.focusWidget(), wiz.GpsPage()->AltitudeEdit());
    wiz.GpsPage()->AltitudeEdit()->setText(QStringLiteral("250.5"));
    EXPECT_TRUE(Next());
    EXPECT_EQ(wiz.Values().gps.altitudeCm, 25050);
    EXPECT_GE(wiz.Values().gps.utc.year, 2000); // the pickers, in UTC
}

TEST_F(GpsPageTest, WithoutAdvancedFeaturesThePositionIsNeitherShownNorEditable)
{
    advanced = false;
    CCommissionWiz& wiz = MakeWizard();
    WorkOrderValues order;
    order.antennaLatitude = 60.5;
    order.antennaLongitude = 24.25;
    order.antennaAltitude = 1500;
    order.gpsMode = QStringLiteral("Locked");
    wiz.ApplyWorkOrderValues(order);
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kGpsPageId));
    PumpFor(20);
    CCWGpsPage* page = wiz.GpsPage();
    EXPECT_FALSE(page->LatitudeCtrl()->isEnabled());
    EXPECT_FALSE(page->LongitudeCtrl()->isEnabled());
    EXPECT_EQ(page->LatitudeCtrl()->BackgroundColor(), page->palette().color(QPalette::Button));
    EXPECT_FALSE(page->AltitudeEdit()->isEnabled());
    EXPECT_FALSE(page->PositionLockedCheck()->isEnabled());
    EXPECT_FALSE(page->PositionLockedCheck()->isChecked());
    EXPECT_FALSE(wiz.Values().gps.positionLocked);
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_EQ(page->LatitudeCtrl()->GetValue(), 0.0);

    ASSERT_TRUE(Next());
    // The position the controls hold, not the work order's.
    EXPECT_EQ(wiz.Values().gps.latitude, 0.0);
    EXPECT_EQ(wiz.Values().gps.longitude, 0.0);
    EXPECT_EQ(wiz.Values().gps.altitudeCm, 1500);
}

TEST_F(GpsPageTest, TheTwoGpsModesExcludeEachOther)
{
    CCommissionWiz& wiz = MakeWizard();
    WorkOrderValues order;
    order.antennaLatitude = -33.5;
    order.antennaLongitude = 151.25;
    order.gpsMode = QStringLiteral("Locked");
    wiz.ApplyWorkOrderValues(order);
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kGpsPageId));
    CCWGpsPage* page = wiz.GpsPage();
    EXPECT_DOUBLE_EQ(page->LatitudeCtrl()->GetValue(), -33.5);
    EXPECT_DOUBLE_EQ(page->LongitudeCtrl()->GetValue(), 151.25);
    // Opening with the position locked runs its click rule once the page is up.
    ASSERT_TRUE(PumpUntil([&] { return !prompts.shown.empty(); }, 2000));
    EXPECT_EQ(prompts.shown[0].text, kManualPositionAdvice);
    EXPECT_TRUE(page->PositionLockedCheck()->isChecked());
    EXPECT_FALSE(page->SelfSurveyCheck()->isEnabled());

    page->PositionLockedCheck()->click(); // off
    EXPECT_TRUE(page->SelfSurveyCheck()->isEnabled());
    page->SelfSurveyCheck()->click(); // on
    EXPECT_TRUE(wiz.Values().gps.selfSurvey);
    EXPECT_FALSE(wiz.Values().gps.positionLocked);
    EXPECT_FALSE(page->LatitudeCtrl()->isEnabled());
    EXPECT_FALSE(page->AltitudeEdit()->isEnabled());
    EXPECT_FALSE(page->PositionLockedCheck()->isEnabled());
    page->SelfSurveyCheck()->click(); // off again: the position is offered again
    EXPECT_TRUE(page->LatitudeCtrl()->isEnabled());
    EXPECT_EQ(page->LatitudeCtrl()->BackgroundColor(), page->palette().color(QPalette::Base));
    EXPECT_TRUE(page->AltitudeEdit()->isEnabled());
    EXPECT_TRUE(page->PositionLockedCheck()->isEnabled());
    page->PositionLockedCheck()->click();
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(wiz.Values().gps.positionLocked);
    EXPECT_FALSE(wiz.Values().gps.selfSurvey);
}

class RfPageTest : public WizardFixture {};

TEST_F(RfPageTest, TheFrameClockDelayMayBe4800ButNot4801)
{
    CCommissionWiz& wiz = MakeWizard();
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kRfPageId));
    CCWRfPage* page = wiz.RfPage();
    EXPECT_EQ(page->GpsDelayEdit()->text(), QStringLiteral("0"));
    page->FrameDelayEdit()->setText(QStringLiteral("4801"));
    EXPECT_FALSE(Next());
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Enter an integer between 0 and 4800."));
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(wiz.focusWidget(), page->FrameDelayEdit());
    EXPECT_EQ(page->FrameDelayEdit()->selectedText(), QStringLiteral("4801"));

    page->GpsDelayEdit()->clear();
    EXPECT_FALSE(Next());
    EXPECT_EQ(prompts.shown.back().text, QStringLiteral("Enter Value for GPS Delay"));
    EXPECT_EQ(wiz.focusWidget(), page->GpsDelayEdit());

    page->GpsDelayEdit()->setText(QStringLiteral("65535"));
    page->FrameDelayEdit()->setText(QStringLiteral("4800"));
    EXPECT_TRUE(Next());
    EXPECT_EQ(wiz.Values().rf.gpsAntennaDelayNs, 65535);
    EXPECT_EQ(wiz.Values().rf.frameClockDelayNs, 4800);
    // Coming back shows what was taken.
    wiz.back();
    EXPECT_EQ(page->FrameDelayEdit()->text(), QStringLiteral("4800"));
}

TEST_F(RfPageTest, CalcFillsTheDelayFromTheCalculator)
{
    CCommissionWiz& wiz = MakeWizard();
    wiz.GpsDelayRecord().inputs.length = 30.0;
    wiz.GpsDelayRecord().inputs.antennaElectronicsNs = 12.0;
    wiz.FrameClockDelayRecord().inputs.length = 100.0;
    const std::int32_t gpsExpected = delaycalc::RoundedDelayNs(delaycalc::DelayNs(wiz.GpsDelayRecord().inputs));
    const std::int32_t frameExpected =
        delaycalc::RoundedDelayNs(delaycalc::DelayNs(wiz.FrameClockDelayRecord().inputs));
    ASSERT_GT(gpsExpected, 12);
    ASSERT_GT(frameExpected, 0);
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kRfPageId));
    CCWRfPage* page = wiz.RfPage();

    {
        CModalAnswer accept([](QDialog& dialog) { dialog.accept(); });
        page->GpsCalcButton()->click();
        EXPECT_TRUE(accept.Answered());
    }
    EXPECT_EQ(page->GpsDelayEdit()->text(), QString::number(gpsExpected));
    EXPECT_EQ(wiz.GpsDelayRecord().delayNs, gpsExpected);
    EXPECT_EQ(page->FrameDelayEdit()->text(), QStringLiteral("0"));

    {
        CModalAnswer cancel([](QDialog& dialog) { dialog.reject(); });
        page->FrameCalcButton()->click();
        EXPECT_TRUE(cancel.Answered());
    }
    EXPECT_EQ(page->FrameDelayEdit()->text(), QStringLiteral("0")); // a cancelled calculation changes nothing
    {
        CModalAnswer accept([](QDialog& dialog) { dialog.accept(); });
        page->FrameCalcButton()->click();
    }
    EXPECT_EQ(page->FrameDelayEdit()->text(), QString::number(frameExpected));
    EXPECT_EQ(wiz.FrameClockDelayRecord().delayNs, frameExpected);
    ASSERT_TRUE(Next());
    EXPECT_EQ(wiz.Values().rf.gpsAntennaDelayNs, gpsExpected);
    EXPECT_EQ(wiz.Values().rf.frameClockDelayNs, frameExpected);
}

class Q1PageTest : public WizardFixture {
protected:
    CCWQ1Page& OpenQ1Page()
    {
        MakeWizard();
        wizard->show();
        EXPECT_TRUE(GoTo(Wiz::kQ1PageId));
        return *wizard->Q1Page();
    }

    // Fills in the addresses and presses Next; true when the wizard moved on.
    bool Enter(CCWQ1Page& page, const char* ip, const char* mask, const char* gateway)
    {
        page.IpAddressEdit()->SetText(QLatin1String(ip));
        page.SubnetEdit()->SetText(QLatin1String(mask));
        page.GatewayEdit()->SetText(QLatin1String(gateway));
        return Next();
    }

    [[nodiscard]] QString LastText() const { return prompts.shown.empty() ? QString() : prompts.shown.back().text; }
};

TEST_F(Q1PageTest, OpensWithTheDefaultsOrTheWorkOrdersValues)
{
    CCWQ1Page& page = OpenQ1Page();
    EXPECT_EQ(page.Q1AddressEdit()->text(), QStringLiteral("131"));
    EXPECT_EQ(page.SpeedList()->count(), 10);
    EXPECT_EQ(page.SpeedList()->itemText(9), QStringLiteral("230500"));
    EXPECT_EQ(page.SpeedList()->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(page.IpAddressEdit()->Text(), QStringLiteral("192.168.255.120"));
    EXPECT_EQ(page.SubnetEdit()->Text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(page.GatewayEdit()->Text(), QStringLiteral("192.168.255.32"));
    wizard->hide();

    WorkOrderValues order;
    order.q1Address = 12;
    order.q1SpeedCode = 12; // 230500 from a work order gives way to 9600
    order.ipAddress = QStringLiteral("10.20.30.40");
    order.gatewayAddress = QStringLiteral("10.20.30.1");
    wizard->ApplyWorkOrderValues(order);
    wizard->show();
    ASSERT_TRUE(GoTo(Wiz::kQ1PageId));
    EXPECT_EQ(page.Q1AddressEdit()->text(), QStringLiteral("12"));
    EXPECT_EQ(page.SpeedList()->currentText(), QStringLiteral("9600"));
    EXPECT_EQ(page.IpAddressEdit()->Text(), QStringLiteral("10.20.30.40"));
    EXPECT_EQ(page.SubnetEdit()->Text(), QStringLiteral("255.255.255.0"));
    EXPECT_EQ(page.GatewayEdit()->Text(), QStringLiteral("10.20.30.1"));
}

TEST_F(Q1PageTest, TheQ1AddressMustBeGivenAndInRange)
{
    CCWQ1Page& page = OpenQ1Page();
    page.Q1AddressEdit()->clear();
    EXPECT_FALSE(Next());
    EXPECT_EQ(LastText(), QStringLiteral("Enter Q1 Address"));
    EXPECT_EQ(wizard->focusWidget(), page.Q1AddressEdit());
    page.Q1AddressEdit()->setText(QStringLiteral("4096"));
    EXPECT_FALSE(Next());
    EXPECT_EQ(LastText(), QStringLiteral("Enter an integer between 0 and 4095."));
    EXPECT_EQ(prompts.shown.back().icon, MsgIcon::Warning);
    EXPECT_EQ(page.Q1AddressEdit()->selectedText(), QStringLiteral("4096"));
    page.Q1AddressEdit()->setText(QStringLiteral("4095"));
    page.SpeedList()->setCurrentIndex(9);
    EXPECT_TRUE(Next());
    EXPECT_EQ(wizard->Values().q1.q1Address, 4095);
    EXPECT_EQ(wizard->Values().q1.speedIndex, 9);
}

TEST_F(Q1PageTest, EachAddressRefusalFocusesTheFaultyOctet)
{
    CCWQ1Page& page = OpenQ1Page();
    EXPECT_FALSE(Enter(page, "172.32.0.5", "255.255.0.0", "172.32.0.1"));
    EXPECT_TRUE(LastText().startsWith(QStringLiteral("Valid ranges for IP Address are :\n\ni) 192.168.0.0")));
    EXPECT_EQ(page.IpAddressEdit()->FocusedField(), 1);
    EXPECT_FALSE(Enter(page, "11.0.0.5", "255.0.0.0", "11.0.0.1"));
    EXPECT_EQ(page.IpAddressEdit()->FocusedField(), 0);

    EXPECT_FALSE(Enter(page, "192.168.1.5", "255.128.0.0", "192.168.1.1"));
    EXPECT_EQ(LastText(), QStringLiteral("Invalid Subnet Mask for the given IP address"));
    EXPECT_EQ(page.SubnetEdit()->FocusedField(), 0);

    EXPECT_FALSE(Enter(page, "10.0.0.0", "255.0.0.0", "10.0.0.1"));
    EXPECT_EQ(LastText(), QStringLiteral("Invalid IP Address for the given Subnet Mask"));
    EXPECT_EQ(page.IpAddressEdit()->FocusedField(), 3);
    EXPECT_FALSE(Enter(page, "192.168.1.11", "255.255.255.252", "192.168.1.9"));
    EXPECT_EQ(LastText(), QStringLiteral("Invalid IP Address for the given Subnet Mask"));

    EXPECT_FALSE(Enter(page, "192.168.1.10", "255.255.255.0", "192.168.2.1"));
    EXPECT_EQ(LastText(), QStringLiteral("Valid range IP GW Address is : 192.168.1.0 - 192.168.1.255"));
    EXPECT_EQ(page.GatewayEdit()->FocusedField(), 2);
    EXPECT_FALSE(Enter(page, "192.168.1.10", "255.255.255.0", "192.168.1.255"));
    EXPECT_EQ(LastText(), QStringLiteral("Invalid GW Address for the given Subnet Mask"));
    EXPECT_EQ(page.GatewayEdit()->FocusedField(), 3);
    for (const auto& shown : prompts.shown)
        EXPECT_EQ(shown.icon, MsgIcon::None);

    const std::size_t refusals = prompts.shown.size();
    EXPECT_TRUE(Enter(page, "192.168.1.10", "255.255.255.252", "192.168.1.9"));
    EXPECT_EQ(wizard->currentId(), Wiz::kUserPageId);
    // Another network than the PC's: the warning, and on all the same.
    ASSERT_EQ(prompts.shown.size(), refusals + 1);
    EXPECT_TRUE(LastText().startsWith(QStringLiteral("You are going to modify QORA's IP configuration.")));
    EXPECT_EQ(wizard->Values().q1.ipAddressText, QStringLiteral("192.168.1.10"));
    EXPECT_EQ(wizard->Values().q1.subnetMaskText, QStringLiteral("255.255.255.252"));
    EXPECT_EQ(wizard->Values().q1.gatewayText, QStringLiteral("192.168.1.9"));
}

TEST_F(Q1PageTest, MovingTheUnitAwayFromThePcsNetworkWarnsAndGoesOn)
{
    CCWQ1Page& page = OpenQ1Page();
    EXPECT_TRUE(Enter(page, "10.1.1.5", "255.0.0.0", "10.1.1.1"));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              QStringLiteral("You are going to modify QORA's IP configuration.\nIn order to resume communication "
                             "with QORA,\nchange your PC's IP configuration after commissioning."));
    EXPECT_EQ(wizard->Values().q1.addressClass, 0);

    wizard->back();
    EXPECT_TRUE(Enter(page, "192.168.255.121", "255.255.255.0", "192.168.255.32"));
    EXPECT_EQ(prompts.shown.size(), 1u); // the same network: no warning
}

} // namespace
