// The commissioning wizard as a whole, offscreen: which pages it has, where
// Back leads, what a finished run gives back and hands over.

#include "WizardFixture.h"

#include "commissioning/wizard/widgets/CWGpsPage.h"
#include "commissioning/wizard/widgets/CWQ1Page.h"
#include "commissioning/wizard/widgets/CWUserPage.h"
#include "controls/IpAddressEdit.h"
#include "controls/LatLongCtrl.h"
#include "controls/SmartEdit.h"
#include "support/ModalAnswer.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

namespace {

using Wiz = CCommissionWiz;

TEST_F(WizardFixture, ALocalWizardHasFivePagesWithTheirBanners)
{
    CCommissionWiz& wiz = MakeWizard();
    EXPECT_EQ(wiz.windowTitle(), QStringLiteral("Commissioning Wizard"));
    EXPECT_EQ(wiz.pageIds(), (QList<int>{Wiz::kWelcomePageId, Wiz::kGpsPageId, Wiz::kRfPageId, Wiz::kQ1PageId,
                                         Wiz::kUserPageId}));
    EXPECT_TRUE(wiz.HasQ1Page());
    for (int id : wiz.pageIds()) {
        const auto* banner = wiz.page(id)->findChild<QLabel*>(QStringLiteral("banner"));
        ASSERT_TRUE(banner);
        const QPixmap picture = banner->pixmap();
        ASSERT_FALSE(picture.isNull()) << id;
        // Drawn on white, which shows through.
        EXPECT_TRUE(picture.hasAlphaChannel());
        EXPECT_EQ(picture.toImage().pixelColor(0, 0).alpha(), 0) << id;
    }

    wiz.show();
    EXPECT_EQ(wiz.currentId(), Wiz::kWelcomePageId);
    EXPECT_FALSE(wiz.button(QWizard::BackButton)->isVisible());
    EXPECT_TRUE(wiz.button(QWizard::NextButton)->isEnabled());
    Screenshot(QStringLiteral("1-welcome"));
    ASSERT_TRUE(Next());
    Screenshot(QStringLiteral("2-gps"));
    ASSERT_TRUE(Next());
    Screenshot(QStringLiteral("3-time-calculation"));
    ASSERT_TRUE(Next());
    Screenshot(QStringLiteral("4-q1"));
    ASSERT_TRUE(Next());
    EXPECT_EQ(wiz.currentId(), Wiz::kUserPageId);
    Screenshot(QStringLiteral("5-user"));
    QAbstractButton* finish = wiz.button(QWizard::FinishButton);
    EXPECT_TRUE(finish->isVisible());
    EXPECT_TRUE(finish->isEnabled());
    // It reads "Next >" and answers Alt+N, as the other pages' Next does.
    EXPECT_EQ(finish->text(), wiz.button(QWizard::NextButton)->text());
    EXPECT_EQ(finish->text(), QStringLiteral("&Next >"));
    EXPECT_TRUE(wiz.button(QWizard::BackButton)->isEnabled());
    EXPECT_TRUE(prompts.shown.empty());

    // Back from the user page goes to the Q1 page, from there to time calculation.
    wiz.button(QWizard::BackButton)->click();
    EXPECT_EQ(wiz.currentId(), Wiz::kQ1PageId);
    wiz.button(QWizard::BackButton)->click();
    EXPECT_EQ(wiz.currentId(), Wiz::kRfPageId);
}

TEST_F(WizardFixture, ARemoteWizardHasNoQ1Page)
{
    remote = true;
    CCommissionWiz& wiz = MakeWizard();
    EXPECT_FALSE(wiz.HasQ1Page());
    EXPECT_EQ(wiz.pageIds(), (QList<int>{Wiz::kWelcomePageId, Wiz::kGpsPageId, Wiz::kRfPageId, Wiz::kUserPageId}));
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kUserPageId));
    wiz.button(QWizard::BackButton)->click();
    EXPECT_EQ(wiz.currentId(), Wiz::kRfPageId);
}

TEST_F(WizardFixture, ARemoteConnectionLaterKeepsTheQ1PageButDisablesItsInputs)
{
    CCommissionWiz& wiz = MakeWizard();
    remote = true;
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kQ1PageId));
    CCWQ1Page* page = wiz.Q1Page();
    EXPECT_FALSE(page->Q1AddressEdit()->isEnabled());
    EXPECT_FALSE(page->SpeedList()->isEnabled());
    EXPECT_FALSE(page->IpAddressEdit()->isEnabled());
    EXPECT_FALSE(page->SubnetEdit()->isEnabled());
    EXPECT_FALSE(page->GatewayEdit()->isEnabled());
    ASSERT_TRUE(Next());
    EXPECT_TRUE(prompts.shown.empty()); // no warning about the PC's network remotely
    // Back skips the Q1 page on a remote connection.
    wiz.button(QWizard::BackButton)->click();
    EXPECT_EQ(wiz.currentId(), Wiz::kRfPageId);

    // The next run on a local connection opens the page with its inputs again.
    wiz.hide();
    remote = false;
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kQ1PageId));
    EXPECT_TRUE(page->Q1AddressEdit()->isEnabled());
    EXPECT_TRUE(page->IpAddressEdit()->isEnabled());
}

TEST_F(WizardFixture, FinishingGivesTheFinishResultAndRunCommissioningHandsTheValuesOver)
{
    CCommissionWiz& wiz = MakeWizard();
    WorkOrderValues order;
    order.q1Address = 300;
    order.q1SpeedCode = 9;
    order.antennaAltitude = 5000;
    order.gpsAntennaDelay = 120;
    order.frameClockDelay = 40;
    order.ipAddress = QStringLiteral("192.168.255.121");
    order.subnetMask = QStringLiteral("255.255.255.0");
    order.gatewayAddress = QStringLiteral("192.168.255.1");
    wiz.ResetPages();
    wiz.ApplyWorkOrderValues(order);

    EXPECT_FALSE(wiz.RunCommissioning()); // no runner yet

    int result = 0;
    CModalAnswer answer([this](QDialog&) {
        ASSERT_TRUE(GoTo(Wiz::kUserPageId));
        wizard->UserPage()->NameEdit()->setText(QStringLiteral("Ann Installer"));
        wizard->UserPage()->DateEdit()->setDate(QDate(2009, 3, 7));
        wizard->button(QWizard::FinishButton)->click();
    });
    result = wiz.ShowWizard();
    EXPECT_TRUE(answer.Answered());
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_EQ(result, Wiz::kFinishResult);
    EXPECT_TRUE(prompts.shown.empty());

    std::vector<SCommissionValues> handed;
    bool answerOfRunner = true;
    wiz.SetCommissioningRunner([&](const SCommissionValues& values) {
        handed.push_back(values);
        return answerOfRunner;
    });
    EXPECT_TRUE(wiz.RunCommissioning());
    answerOfRunner = false;
    EXPECT_FALSE(wiz.RunCommissioning());
    ASSERT_EQ(handed.size(), 2u);
    const SCommissionValues& values = handed[0];
    EXPECT_EQ(values.altitudeCm, 5000);
    EXPECT_EQ(values.gpsAntennaDelayNs, 120);
    EXPECT_EQ(values.frameClockDelayNs, 40);
    EXPECT_EQ(values.q1Address, 300);
    EXPECT_EQ(values.q1SpeedCode, 9);
    EXPECT_EQ(values.ipAddress, QStringLiteral("192.168.255.121"));
    EXPECT_EQ(values.subnetMask, QStringLiteral("255.255.255.0"));
    EXPECT_EQ(values.gatewayAddress, QStringLiteral("192.168.255.1"));
    EXPECT_TRUE(values.q1Relay);
    EXPECT_FALSE(values.onePps);
    EXPECT_EQ(values.userName, QStringLiteral("Ann Installer"));
    EXPECT_EQ(values.year, 2009);
    EXPECT_EQ(values.month, 3);
    EXPECT_EQ(values.day, 7);
}

// The addresses handed over on a remote connection: none from a wizard that
// has no Q1 page (the unit keeps the ones it is reached at), what the
// disabled controls show from one made on a local connection.
TEST_F(WizardFixture, ARemoteRunHandsOverTheQ1PagesAddressTextsOnlyWhenThePageWasPassed)
{
    WorkOrderValues order;
    order.q1Address = 300;
    order.q1SpeedCode = 9;
    order.ipAddress = QStringLiteral("10.1.2.3");
    order.subnetMask = QStringLiteral("255.255.0.0");
    order.gatewayAddress = QStringLiteral("10.1.0.1");
    const auto finishWith = [&](CCommissionWiz& wiz) {
        wiz.ResetPages();
        wiz.ApplyWorkOrderValues(order);
        CModalAnswer answer([this](QDialog&) {
            ASSERT_TRUE(GoTo(Wiz::kUserPageId));
            wizard->button(QWizard::FinishButton)->click();
        });
        EXPECT_EQ(wiz.ShowWizard(), Wiz::kFinishResult);
        SCommissionValues handed;
        wiz.SetCommissioningRunner([&](const SCommissionValues& values) {
            handed = values;
            return true;
        });
        EXPECT_TRUE(wiz.RunCommissioning());
        return handed;
    };

    remote = true;
    const SCommissionValues withoutPage = finishWith(MakeWizard());
    EXPECT_TRUE(withoutPage.ipAddress.isEmpty());
    EXPECT_TRUE(withoutPage.subnetMask.isEmpty());
    EXPECT_TRUE(withoutPage.gatewayAddress.isEmpty());
    EXPECT_EQ(withoutPage.q1Address, 300);
    EXPECT_EQ(withoutPage.q1SpeedCode, 9);

    remote = false;
    CCommissionWiz& local = MakeWizard();
    remote = true;
    const SCommissionValues withPage = finishWith(local);
    EXPECT_EQ(withPage.ipAddress, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(withPage.subnetMask, QStringLiteral("255.255.0.0"));
    EXPECT_EQ(withPage.gatewayAddress, QStringLiteral("10.1.0.1"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(WizardFixture, BasicModeAfterAnAdvancedRunHandsOverTheInitialPosition)
{
    CCommissionWiz& wiz = MakeWizard();
    WorkOrderValues order;
    order.antennaLatitude = 60.5;
    order.antennaLongitude = 24.25;
    order.antennaAltitude = 1500;
    order.gpsMode = QStringLiteral("Survey");
    std::vector<SCommissionValues> handed;
    wiz.SetCommissioningRunner([&](const SCommissionValues& values) {
        handed.push_back(values);
        return true;
    });
    // Each run as the main frame's command makes it: reset, work order, wizard, commissioning.
    const auto run = [&] {
        wiz.ResetPages();
        wiz.ApplyWorkOrderValues(order);
        CModalAnswer answer([this](QDialog&) {
            ASSERT_TRUE(GoTo(Wiz::kUserPageId));
            wizard->button(QWizard::FinishButton)->click();
        });
        ASSERT_EQ(wiz.ShowWizard(), Wiz::kFinishResult);
        EXPECT_TRUE(wiz.RunCommissioning());
    };

    run();
    ASSERT_EQ(handed.size(), 1u);
    EXPECT_DOUBLE_EQ(handed[0].latitude, 60.5);
    EXPECT_DOUBLE_EQ(handed[0].longitude, 24.25);

    // The same connection, advanced features now off: the controls still held
    // the work order's position, but the page takes its initial value.
    advanced = false;
    run();
    ASSERT_EQ(handed.size(), 2u);
    EXPECT_EQ(handed[1].latitude, 0.0);
    EXPECT_EQ(handed[1].longitude, 0.0);
    EXPECT_EQ(handed[1].altitudeCm, 1500);
    EXPECT_TRUE(handed[1].selfSurvey);
    EXPECT_FALSE(handed[1].positionLocked);
    CCWGpsPage* page = wiz.GpsPage();
    EXPECT_FALSE(page->LatitudeCtrl()->isEnabled());
    EXPECT_EQ(page->LatitudeCtrl()->GetValue(), 0.0);
    EXPECT_EQ(page->LongitudeCtrl()->GetValue(), 0.0);

    // Back in advanced mode the work order's position is shown and taken again.
    advanced = true;
    run();
    ASSERT_EQ(handed.size(), 3u);
    EXPECT_DOUBLE_EQ(handed[2].latitude, 60.5);
    EXPECT_DOUBLE_EQ(handed[2].longitude, 24.25);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(WizardFixture, CancellingGivesTheCancelResultAndTheNextRunStartsAtTheWelcomePage)
{
    CCommissionWiz& wiz = MakeWizard();
    CModalAnswer cancel([this](QDialog& dialog) {
        GoTo(Wiz::kRfPageId);
        dialog.reject();
    });
    EXPECT_EQ(wiz.ShowWizard(), Wiz::kCancelResult);
    EXPECT_TRUE(cancel.Answered());

    int startedAt = -1;
    CModalAnswer look([&](QDialog& dialog) {
        startedAt = wizard->currentId();
        dialog.reject();
    });
    EXPECT_EQ(wiz.ShowWizard(), Wiz::kCancelResult);
    EXPECT_EQ(startedAt, Wiz::kWelcomePageId);
}

TEST_F(WizardFixture, PageValuesLastBetweenRunsUntilReset)
{
    CCommissionWiz& wiz = MakeWizard();
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kQ1PageId));
    wiz.Q1Page()->Q1AddressEdit()->setText(QStringLiteral("77"));
    wiz.Q1Page()->SpeedList()->setCurrentIndex(1);
    ASSERT_TRUE(Next());
    wiz.UserPage()->NameEdit()->setText(QStringLiteral("Bob"));
    wiz.hide();

    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kUserPageId));
    EXPECT_EQ(wiz.Q1Page()->Q1AddressEdit()->text(), QStringLiteral("77"));
    EXPECT_EQ(wiz.Q1Page()->SpeedList()->currentText(), QStringLiteral("1200"));
    EXPECT_EQ(wiz.UserPage()->NameEdit()->text(), QStringLiteral("Bob"));
    wiz.hide();

    wiz.ResetPages();
    wiz.show();
    ASSERT_TRUE(GoTo(Wiz::kUserPageId));
    EXPECT_EQ(wiz.Q1Page()->Q1AddressEdit()->text(), QStringLiteral("131"));
    EXPECT_EQ(wiz.Q1Page()->SpeedList()->currentText(), QStringLiteral("9600"));
    EXPECT_TRUE(wiz.UserPage()->NameEdit()->text().isEmpty());
}

} // namespace
