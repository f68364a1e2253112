// The unit selection dialog, offscreen: what it lists, what OK and Cancel
// choose, typed text, and the dialog asked for the unit a work order keeps.

#include "commissioning/WorkOrder.h"
#include "commissioning/XmlPtr.h"
#include "commissioning/report/widgets/QORSelectionDlg.h"

#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QFontMetrics>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <gtest/gtest.h>

#include <libxml/tree.h>

namespace {
const QStringList kNames = {QStringLiteral("BSC-1/QOR-A"), QStringLiteral("BSC-1/QOR-B"),
                            QStringLiteral("BSC-2/QOR-C")};

QStringList Entries(const QComboBox& combo)
{
    QStringList out;
    for (int i = 0; i < combo.count(); ++i)
        out << combo.itemText(i);
    return out;
}

// Runs the dialog modally and lets `answer` act on it.
int RunDialog(const QStringList& names, const std::function<void(CQORSelectionDlg&)>& answer, bool* accepted = nullptr)
{
    CQORSelectionDlg dialog(names);
    CModalAnswer modal([&](QDialog& shown) { answer(static_cast<CQORSelectionDlg&>(shown)); }, 3000);
    const int result = dialog.exec();
    EXPECT_TRUE(modal.Answered());
    EXPECT_FALSE(modal.SafetyClosed());
    if (accepted)
        *accepted = result == QDialog::Accepted;
    return dialog.SelectedIndex();
}

QString UnitName(const CWorkOrder& order)
{
    const XmlPtr<xmlChar> value(xmlGetNoNsProp(order.UnitElement(), reinterpret_cast<const xmlChar*>("distName")));
    return QString::fromUtf8(reinterpret_cast<const char*>(value.get()));
}
} // namespace

TEST(QORSelectionDlg, ListsTheUnitsInOrderWithTheFirstChosen)
{
    CQORSelectionDlg dialog(kNames);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Select QORA for Commissioning"));
    EXPECT_TRUE(dialog.UnitCombo().isEditable());
    EXPECT_EQ(Entries(dialog.UnitCombo()), kNames);
    EXPECT_EQ(dialog.UnitCombo().currentIndex(), 0);
    EXPECT_EQ(dialog.SelectedIndex(), 0);
    EXPECT_TRUE(dialog.OkButton().isEnabled());
    // Shown at its own size, the title bar has room for the whole title in a
    // bold title font beside the window manager's icon and three buttons.
    dialog.show();
    QFont title = dialog.font();
    title.setBold(true);
    const int buttons = 4 * dialog.style()->pixelMetric(QStyle::PM_TitleBarHeight);
    EXPECT_GE(dialog.width(), QFontMetrics(title).horizontalAdvance(dialog.windowTitle()) + buttons);
}

TEST(QORSelectionDlg, OkTakesTheListSelectionAndCancelTheFirstUnit)
{
    bool accepted = false;
    EXPECT_EQ(RunDialog(kNames,
                        [](CQORSelectionDlg& d) {
                            d.UnitCombo().setCurrentIndex(2);
                            d.OkButton().click();
                        },
                        &accepted),
              2);
    EXPECT_TRUE(accepted);

    EXPECT_EQ(RunDialog(kNames,
                        [](CQORSelectionDlg& d) {
                            d.UnitCombo().setCurrentIndex(1);
                            QTest::keyClick(&d, Qt::Key_Escape);
                        },
                        &accepted),
              0);
    EXPECT_FALSE(accepted);
}

TEST(QORSelectionDlg, TypedTextMustNameAListedUnit)
{
    // Typing a listed name chooses it.
    EXPECT_EQ(RunDialog(kNames,
                        [](CQORSelectionDlg& d) {
                            d.UnitCombo().lineEdit()->selectAll();
                            QTest::keyClicks(d.UnitCombo().lineEdit(), QStringLiteral("BSC-1/QOR-B"));
                            EXPECT_TRUE(d.OkButton().isEnabled());
                            d.OkButton().click();
                        }),
              1);

    // Text naming no unit chooses none: OK is off and accepting keeps the
    // dialog open; Cancel then leaves the first unit.
    bool accepted = true;
    EXPECT_EQ(RunDialog(kNames,
                        [](CQORSelectionDlg& d) {
                            d.UnitCombo().setCurrentIndex(2);
                            d.UnitCombo().setEditText(QStringLiteral("BSC-9/QOR-X"));
                            EXPECT_FALSE(d.OkButton().isEnabled());
                            d.accept();
                            QTest::keyClick(d.UnitCombo().lineEdit(), Qt::Key_Return);
                            EXPECT_TRUE(d.isVisible());
                            EXPECT_EQ(d.UnitCombo().count(), 3); // nothing was added
                            EXPECT_EQ(d.SelectedIndex(), 0);
                            d.reject();
                        },
                        &accepted),
              0);
    EXPECT_FALSE(accepted);

    // Names are compared exactly.
    CQORSelectionDlg dialog(kNames);
    dialog.UnitCombo().setEditText(QStringLiteral("bsc-1/qor-b"));
    EXPECT_FALSE(dialog.OkButton().isEnabled());
    dialog.UnitCombo().setEditText(QStringLiteral("BSC-2/QOR-C"));
    EXPECT_TRUE(dialog.OkButton().isEnabled());
}

TEST(QORSelectionDlg, UnitsOfTheSameNameKeepTheListedOne)
{
    const QStringList twins = {QStringLiteral("QOR"), QStringLiteral("QOR"), QStringLiteral("other")};
    EXPECT_EQ(RunDialog(twins,
                        [](CQORSelectionDlg& d) {
                            d.UnitCombo().setCurrentIndex(1);
                            d.OkButton().click();
                        }),
              1);
}

TEST(QORSelectionDlg, ChoosesTheUnitTheWorkOrderKeeps)
{
    PromptRecorder prompts;
    const UnitChooser ask = [](const QStringList& names) { return AskForUnit(names); };

    QStringList listed;
    {
        CModalAnswer modal([&](QDialog& shown) {
            auto& d = static_cast<CQORSelectionDlg&>(shown);
            listed = Entries(d.UnitCombo());
            d.UnitCombo().setCurrentIndex(1);
            d.OkButton().click();
        });
        CWorkOrder order;
        ASSERT_TRUE(order.Load(QStringLiteral(WORKORDER_TESTDATA "/two_units.xml"), ask));
        EXPECT_TRUE(modal.Answered());
        EXPECT_EQ(UnitName(order), QStringLiteral("BSC-1/TRX-1/QOR-B"));
    }
    EXPECT_EQ(listed, (QStringList{QStringLiteral("BSC-1/QOR-A"), QStringLiteral("BSC-1/TRX-1/QOR-B")}));

    {
        CModalAnswer modal([](QDialog& shown) {
            auto& d = static_cast<CQORSelectionDlg&>(shown);
            d.UnitCombo().setCurrentIndex(1);
            d.reject();
        });
        CWorkOrder order;
        ASSERT_TRUE(order.Load(QStringLiteral(WORKORDER_TESTDATA "/two_units.xml"), ask));
        EXPECT_TRUE(modal.Answered());
        EXPECT_EQ(UnitName(order), QStringLiteral("BSC-1/QOR-A"));
    }
    EXPECT_TRUE(prompts.shown.empty());
}
