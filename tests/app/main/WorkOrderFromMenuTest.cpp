// "Open Work Order" from the menu and at start-up, offscreen and without a
// unit: the frame asks for the unit in its selection dialog, takes a unit
// number given at start-up without asking, and tells a work order it cannot
// use in the reader's words, the reader's own message first.

#include "app/SettingsSandbox.h"
#include "app/frame/FrameCommands.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/CommissioningCommands.h"
#include "app/main/SableCommApp.h"
#include "app/shell/SplashWnd.h"
#include "commissioning/XmlPtr.h"
#include "commissioning/report/widgets/QORSelectionDlg.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

QString ProgramPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QORAManager");
}

QString Sample(const char* name)
{
    return QStringLiteral(QORA_WORKORDER_SAMPLES "/") + QString::fromLatin1(name);
}

QString UnitName(const CCommissioningCommands& commands)
{
    if (!commands.WorkOrder())
        return QStringLiteral("<none>");
    const XmlPtr<xmlChar> name(
        xmlGetNoNsProp(commands.WorkOrder()->UnitElement(), reinterpret_cast<const xmlChar*>("distName")));
    return QString::fromUtf8(reinterpret_cast<const char*>(name.get()));
}

// The samples' units carry values the wizard replaces (speed code 2, a
// negative frame clock delay), so each opening tells them in one check box and
// nothing else.
bool OnlyCheckBoxes(const std::vector<MessageBoxRequest>& shown)
{
    return std::all_of(shown.begin(), shown.end(), [](const MessageBoxRequest& request) {
        return request.caption == QLatin1String("Work Order Check");
    });
}

class WorkOrderFromMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("/Embedding")}));
        frame = app.MainFrame();
    }
    void TearDown() override
    {
        SetFileDialogFunction(std::move(previousDialog));
        CSplashWnd::HideSplashScreen();
    }
    void Open(const QString& path)
    {
        auto previous =
            SetFileDialogFunction([path](const FileDialogRequest&) -> std::optional<QString> { return path; });
        if (!previousDialog)
            previousDialog = std::move(previous);
        frame->RunCommand(ID_OPEN_WORK_ORDER);
    }

    SettingsSandbox sandbox;
    PromptRecorder prompts;
    CSableCommApp app;
    CMainFrame* frame = nullptr;
    FileDialogFunction previousDialog;
};

TEST_F(WorkOrderFromMenuTest, SeveralUnitsAreChosenInTheSelectionDialog)
{
    const QStringList units{QStringLiteral("BSC-4/QOR-1"), QStringLiteral("BSC-4/QOR-2"), QStringLiteral("BSC-4/QOR-3")};
    struct Case {
        bool ok;
        int entry;
        const char* kept;
    };
    // Cancel keeps the first unit whatever the list showed.
    for (const Case& c : {Case{true, 2, "BSC-4/QOR-3"}, Case{false, 1, "BSC-4/QOR-1"}}) {
        SCOPED_TRACE(c.kept);
        QStringList listed;
        {
            CModalAnswer modal([&](QDialog& shown) {
                auto& dialog = static_cast<CQORSelectionDlg&>(shown);
                EXPECT_EQ(dialog.parentWidget(), frame);
                for (int i = 0; i < dialog.UnitCombo().count(); ++i)
                    listed << dialog.UnitCombo().itemText(i);
                dialog.UnitCombo().setCurrentIndex(c.entry);
                if (c.ok)
                    dialog.OkButton().click();
                else
                    dialog.reject();
            });
            Open(Sample("several_units.xml"));
            EXPECT_TRUE(modal.Answered());
            EXPECT_FALSE(modal.SafetyClosed());
        }
        EXPECT_EQ(listed, units);
        EXPECT_EQ(UnitName(*app.Commissioning()), QLatin1String(c.kept));
        EXPECT_EQ(app.Commissioning()->WorkOrderPath(), Sample("several_units.xml"));
    }
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(OnlyCheckBoxes(prompts.shown));
}

TEST_F(WorkOrderFromMenuTest, AUnitNumberFromTheStartIsTakenWithoutAsking)
{
    CModalAnswer modal([](QDialog& shown) { shown.reject(); }, 500);
    EXPECT_TRUE(app.Commissioning()->LoadWorkOrder(Sample("several_units.xml"), 1));
    EXPECT_EQ(UnitName(*app.Commissioning()), QStringLiteral("BSC-4/QOR-2"));
    // A number the file does not have keeps the first unit.
    EXPECT_TRUE(app.Commissioning()->LoadWorkOrder(Sample("several_units.xml"), 7));
    EXPECT_EQ(UnitName(*app.Commissioning()), QStringLiteral("BSC-4/QOR-1"));
    EXPECT_FALSE(modal.Answered()) << "no dialog for a unit number given at start-up";
    EXPECT_EQ(prompts.shown.size(), 2u);
    EXPECT_TRUE(OnlyCheckBoxes(prompts.shown));
}

TEST_F(WorkOrderFromMenuTest, AWorkOrderThatCannotBeUsedIsToldAndNothingStaysOpen)
{
    struct Shown {
        QString text;
        MsgIcon icon;
    };
    const QString parsing = QStringLiteral("Parsing the work order file failed.");
    const QString reading = QStringLiteral("Error reading the Work Order file.");
    const QString noUnits = QStringLiteral("The work order file has no QORA units. Commission data\ncan't be loaded.");
    struct Case {
        QString path;
        std::vector<Shown> told;
    };
    for (const Case& c :
         {Case{QStringLiteral(QORA_WORKORDER_TESTDATA "/malformed.xml"),
               {{parsing, MsgIcon::Error}, {reading, MsgIcon::None}}},
          Case{QStringLiteral(QORA_WORKORDER_TESTDATA "/unnamed_unit.xml"),
               {{noUnits, MsgIcon::Error}, {reading, MsgIcon::None}}},
          Case{Sample("missing_parameter.xml"), {{reading, MsgIcon::None}}}}) {
        SCOPED_TRACE(c.path.toStdString());
        Open(Sample("one_unit.xml"));
        ASSERT_NE(app.Commissioning()->WorkOrder(), nullptr);
        prompts.shown.clear();

        EXPECT_FALSE(frame->WorkOrderPane()->isHidden());
        Open(c.path);
        EXPECT_EQ(app.Commissioning()->WorkOrder(), nullptr);
        EXPECT_TRUE(frame->WorkOrderPane()->isHidden()) << "no work order is open";
        EXPECT_TRUE(frame->statusBar()->currentMessage().endsWith(QStringLiteral(" not opened")));
        ASSERT_EQ(prompts.shown.size(), c.told.size());
        for (std::size_t i = 0; i < c.told.size(); ++i) {
            EXPECT_EQ(prompts.shown[i].text, c.told[i].text) << i;
            EXPECT_EQ(prompts.shown[i].icon, c.told[i].icon) << i;
        }
        // The path of the last work order that opened stays.
        EXPECT_EQ(app.Commissioning()->WorkOrderPath(), Sample("one_unit.xml"));
    }
}

TEST_F(WorkOrderFromMenuTest, TheChosenUnitsProblemsAreListedInOneBoxAndTheWizardStillOpens)
{
    // A unit that passes: no box; the status bar says so, and names the work
    // order and the unit while it is open.
    Open(QStringLiteral(QORA_APP_TESTDATA "/commission_order.xml"));
    ASSERT_NE(app.Commissioning()->WorkOrder(), nullptr);
    EXPECT_TRUE(prompts.shown.empty());
    const QString clean = UnitName(*app.Commissioning());
    EXPECT_EQ(frame->statusBar()->currentMessage(),
              QStringLiteral("Work order commission_order.xml opened for unit %1: no problems found").arg(clean));
    EXPECT_EQ(frame->WorkOrderText(), QStringLiteral("Work order: commission_order.xml, unit ") + clean);
    EXPECT_FALSE(frame->WorkOrderPane()->isHidden());

    // The third unit is chosen: its problems, and none of the first unit's.
    {
        CModalAnswer modal([](QDialog& shown) {
            auto& dialog = static_cast<CQORSelectionDlg&>(shown);
            dialog.UnitCombo().setCurrentIndex(2);
            dialog.OkButton().click();
        });
        Open(QStringLiteral(QORA_CHECK_TESTDATA "/several_units.xml"));
        EXPECT_TRUE(modal.Answered());
    }
    ASSERT_NE(app.Commissioning()->WorkOrder(), nullptr);
    EXPECT_EQ(frame->WorkOrderText(), QStringLiteral("Work order: several_units.xml, unit BSC-2/QOR-3"));
    EXPECT_TRUE(frame->statusBar()->currentMessage().startsWith(
        QStringLiteral("Work order several_units.xml opened for unit BSC-2/QOR-3: ")));
    EXPECT_TRUE(frame->statusBar()->currentMessage().endsWith(QStringLiteral(" problems to correct in the wizard")));
    ASSERT_EQ(prompts.shown.size(), 1u);
    const MessageBoxRequest& box = prompts.shown[0];
    EXPECT_EQ(box.caption, QStringLiteral("Work Order Check"));
    EXPECT_EQ(box.icon, MsgIcon::Warning);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_TRUE(box.text.contains(QStringLiteral("BSC-2/QOR-3"))) << box.text.toStdString();
    for (const char* line : {"\nqorGPSAntennaLatitudeLocation 950000000: the wizard would use 0 degrees instead of 95 "
                             "degrees",
                             "\nqorBtsFrDelay -45: Enter an integer between 0 and 4800.",
                             "\nqorBtsFrDelay -45: the wizard would use 0 instead",
                             "\nqorQ1Speed 12: the wizard would use 7 (9600) instead",
                             "\nqorQ1GW 192.168.1.12: warning: "})
        EXPECT_TRUE(box.text.contains(QString::fromUtf8(line))) << line << "\n" << box.text.toStdString();
    EXPECT_FALSE(box.text.contains(QStringLiteral("Valid range IP GW"))) << "unit 2's problem";

    // The wizard opens with the work order's values all the same, to be
    // corrected there; the box is not shown again.
    CCommissionWiz* shownWizard = nullptr;
    SWizardPageValues pages;
    {
        CModalAnswer modal([&](QDialog& shown) {
            shownWizard = qobject_cast<CCommissionWiz*>(&shown);
            if (shownWizard)
                pages = shownWizard->Values();
            shown.reject();
        });
        app.Commissioning()->RunWizardCommand();
        EXPECT_TRUE(modal.Answered());
    }
    ASSERT_NE(shownWizard, nullptr);
    EXPECT_EQ(pages.q1.ipOctets, (Ipv4Fields{192, 168, 1, 12}));
    EXPECT_EQ(pages.q1.gatewayOctets, (Ipv4Fields{192, 168, 1, 12}));
    EXPECT_EQ(pages.rf.frameClockDelayNs, 0);
    EXPECT_EQ(prompts.shown.size(), 1u);

    // A work order given at start-up is read again once the unit is in
    // commission mode: the same problems are not told a second time. Opened
    // again by hand, they are.
    EXPECT_TRUE(app.Commissioning()->LoadWorkOrder(QStringLiteral(QORA_CHECK_TESTDATA "/several_units.xml"), 2));
    EXPECT_EQ(prompts.shown.size(), 1u);
    {
        CModalAnswer modal([](QDialog& shown) {
            auto& dialog = static_cast<CQORSelectionDlg&>(shown);
            dialog.UnitCombo().setCurrentIndex(2);
            dialog.OkButton().click();
        });
        Open(QStringLiteral(QORA_CHECK_TESTDATA "/several_units.xml"));
    }
    EXPECT_EQ(prompts.shown.size(), 2u);
}

} // namespace

namespace {

// A work order given as a plain path (the file manager's double click) opens
// as "Open Work Order" opens it, once the window shows: the unit is asked for.
TEST(WorkOrderAtStartTest, APlainPathOpensAsOpenWorkOrderDoes)
{
    SettingsSandbox sandbox;
    PromptRecorder prompts;
    CSableCommApp app;
    bool windowShown = false;
    CModalAnswer modal([&](QDialog& shown) {
        auto& dialog = static_cast<CQORSelectionDlg&>(shown);
        windowShown = app.MainFrame() && app.MainFrame()->isVisible() && dialog.parentWidget() == app.MainFrame();
        dialog.UnitCombo().setCurrentIndex(2);
        dialog.OkButton().click();
    });
    ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("/Embedding"), Sample("several_units.xml")}));
    EXPECT_TRUE(modal.Answered());
    EXPECT_FALSE(modal.SafetyClosed());
    EXPECT_TRUE(windowShown) << "asked over the shown main window";
    EXPECT_EQ(app.Commissioning()->WorkOrderPath(), Sample("several_units.xml"));
    EXPECT_EQ(UnitName(*app.Commissioning()), QStringLiteral("BSC-4/QOR-3"));
    EXPECT_TRUE(OnlyCheckBoxes(prompts.shown));
    CSplashWnd::HideSplashScreen();
}

} // namespace
