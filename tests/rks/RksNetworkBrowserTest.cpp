// The network browser: Resolve without a window, Browse through a chooser and
// through the real dialog (answered by a timer, with a safety close), and its
// registration.

#include "link/ComponentFactory.h"
#include "rks/DirectoryFile.h"
#include "support/ModalAnswer.h"
#include "rks/RksComponents.h"
#include "rks/RksNetworkBrowser.h"
#include "rks/widgets/RksBrowseDlg.h"
#include "rks/widgets/RksWidgetComponents.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

const std::string kOuluConnection = "HOST=10.30.0.2,PORT=7000,ADDR=7";
const std::string kSpareConnection = "WP=SOCKET,HOST=10.20.1.8,PORT=7000,WP=NEQ1,ADDR=132,TMO=8000";

// What Browse gave back.
struct BrowseResult {
    bool ok = false;
    std::uint16_t kind = 0xBEEF;
    std::string name = "stale name";
    std::string connection = "stale connection";
};

BrowseResult RunBrowse(INetworkBrowser& browser)
{
    BrowseResult result;
    result.ok = browser.Browse(result.kind, result.name, result.connection);
    return result;
}

void ExpectNothing(const BrowseResult& result)
{
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.kind, 0);
    EXPECT_EQ(result.name, "");
    EXPECT_EQ(result.connection, "");
}

// The user closed the browser without picking a unit: not a failure.
void ExpectNothingChosen(const BrowseResult& result)
{
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, 0);
    EXPECT_EQ(result.name, "");
    EXPECT_EQ(result.connection, "");
}

QTreeWidget* Tree(QDialog& dialog)
{
    return dialog.findChild<QTreeWidget*>(QStringLiteral("nodeTree"));
}

QLineEdit* FilterField(QDialog& dialog)
{
    return dialog.findChild<QLineEdit*>(QStringLiteral("filterEdit"));
}

QPushButton* Button(QDialog& dialog, QDialogButtonBox::StandardButton which)
{
    return dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(which);
}

QString Status(QDialog& dialog)
{
    return dialog.findChild<QLabel*>(QStringLiteral("statusLabel"))->text();
}

QTreeWidgetItem* Item(QDialog& dialog, const char* name)
{
    return Tree(dialog)->findItems(QString::fromUtf8(name), Qt::MatchExactly | Qt::MatchRecursive).value(0);
}

bool Shown(const QTreeWidgetItem* item)
{
    for (; item; item = item->parent()) {
        if (item->isHidden())
            return false;
    }
    return true;
}

// The names of the nodes (rows with a kind) the user can see, top to bottom.
std::vector<std::string> ShownNodes(QDialog& dialog)
{
    std::vector<std::string> names;
    for (QTreeWidgetItemIterator it(Tree(dialog)); *it; ++it) {
        if (!(*it)->text(1).isEmpty() && Shown(*it))
            names.push_back((*it)->text(0).toStdString());
    }
    return names;
}

void DoubleClick(QDialog& dialog, QTreeWidgetItem* item)
{
    QTreeWidget* tree = Tree(dialog);
    tree->scrollToItem(item);
    // As the window system delivers one: press, release, double-click, release.
    const QPoint at = tree->visualItemRect(item).center();
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, at);
    if (tree->isVisible())
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, at);
}

// The real browser with the real dialog, through the factory as the tool makes it.
std::unique_ptr<INetworkBrowser> RealBrowser()
{
    RegisterRksBrowser();
    return ComponentFactory<INetworkBrowser>::Create(CLSID_NetworkBrowser);
}

} // namespace

TEST(RksNetworkBrowser, ResolveLooksTheNameUpWithoutAWindow)
{
    CDirectoryFile file;
    CRksNetworkBrowser browser(nullptr);

    std::string connection = "stale";
    EXPECT_TRUE(browser.Resolve("Oulu mast", connection));
    EXPECT_EQ(connection, kOuluConnection);
    EXPECT_TRUE(browser.Resolve("  kallio SPARE ", connection));
    EXPECT_EQ(connection, kSpareConnection);
    EXPECT_TRUE(browser.LastError().isEmpty());

    for (const char* name : {"Oulu", "Site Oulu", "", "QORA-1310"}) {
        connection = "stale";
        EXPECT_FALSE(browser.Resolve(name, connection)) << name;
        EXPECT_EQ(connection, "") << name;
    }
    EXPECT_EQ(browser.LastError(), QStringLiteral("no node named \"QORA-1310\" in the node directory"));

    // An edit of the file counts at the next call.
    file.Write(R"({"nodes":[{"name":"Oulu mast","kind":1,"connection":"HOST=10.30.0.9,PORT=7000,ADDR=8"}]})");
    EXPECT_TRUE(browser.Resolve("Oulu mast", connection));
    EXPECT_EQ(connection, "HOST=10.30.0.9,PORT=7000,ADDR=8");

    // A broken file resolves nothing, not even the names it holds correctly.
    file.Write(R"({"nodes":[{"name":"Oulu mast","kind":1,"connection":"HOST=10.30.0.9,PORT=7000,ADDR=8"},
                            {"name":"Broken","kind":1,"connection":"HOST=10.30.0.9"}]})");
    EXPECT_FALSE(browser.Resolve("Oulu mast", connection));
    EXPECT_EQ(connection, "");
    EXPECT_TRUE(browser.LastError().startsWith(QStringLiteral("node directory: ") + file.Path()))
        << browser.LastError().toStdString();
    EXPECT_TRUE(browser.LastError().contains(QStringLiteral("nodes[1] (\"Broken\")")));

    unsetenv(kRksDirectoryVariable);
    EXPECT_FALSE(browser.Resolve("Oulu mast", connection));
    EXPECT_EQ(browser.LastError(), QStringLiteral("node directory: no node directory is configured"));
}

TEST(RksNetworkBrowser, BrowseReturnsWhatTheChooserPicks)
{
    CDirectoryFile file;
    int shown = 0;
    std::string wanted = "Oulu mast";
    CRksNetworkBrowser browser([&](const CRksNodeDirectory& directory) -> std::optional<RksNode> {
        ++shown;
        EXPECT_EQ(directory.NodeCount(), 4u);
        if (const RksNode* node = directory.Find(wanted))
            return *node;
        return std::nullopt;
    });

    BrowseResult result = RunBrowse(browser);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, 1);
    EXPECT_EQ(result.name, "Oulu mast");
    EXPECT_EQ(result.connection, kOuluConnection);

    wanted = "Lab bench";
    result = RunBrowse(browser);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, 0) << "kinds other than 1 are passed on as they are";

    // Cancelled: nothing stale comes back, and it is no failure.
    wanted = "nobody";
    ExpectNothingChosen(RunBrowse(browser));
    EXPECT_TRUE(browser.LastError().isEmpty());
    EXPECT_EQ(shown, 3);

    // Nothing to show: the chooser is not asked.
    file.Write("{\"nodes\":[");
    ExpectNothing(RunBrowse(browser));
    EXPECT_EQ(shown, 3);
    EXPECT_TRUE(browser.LastError().contains(QStringLiteral("not valid JSON"))) << browser.LastError().toStdString();

    CRksNetworkBrowser windowless(nullptr);
    ExpectNothing(RunBrowse(windowless));
}

TEST(RksNetworkBrowser, RegistrationProvidesTheBrowserAndTheLinkStaysWidgetFree)
{
    ComponentFactory<INetworkBrowser>::Register(CLSID_NetworkBrowser, nullptr);
    RegisterRksComponents();
    EXPECT_EQ(ComponentFactory<INetworkBrowser>::Create(CLSID_NetworkBrowser), nullptr);

    CDirectoryFile file;
    RegisterRksBrowser([](const CRksNodeDirectory& directory) { return std::optional<RksNode>(*directory.Find("QORA-131")); });
    auto browser = ComponentFactory<INetworkBrowser>::Create(CLSID_NetworkBrowser);
    ASSERT_NE(browser, nullptr);
    EXPECT_EQ(RunBrowse(*browser).name, "QORA-131");
    std::string connection;
    EXPECT_TRUE(browser->Resolve("Lab bench", connection));

    // Without a chooser the dialog is back.
    browser = RealBrowser();
    ASSERT_NE(browser, nullptr);
    CModalAnswer answer([](QDialog& dialog) { dialog.reject(); });
    ExpectNothingChosen(RunBrowse(*browser));
    EXPECT_TRUE(answer.Answered());
    EXPECT_FALSE(answer.SafetyClosed());
}

TEST(RksBrowseDialog, ShowsTheTreeAndOkPicksOnlyANode)
{
    CDirectoryFile file;
    auto browser = RealBrowser();
    bool okOnGroup = true, stayedOpen = false;
    CModalAnswer answer([&](QDialog& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Network Browser"));
        EXPECT_TRUE(dialog.isModal());
        QTreeWidget* tree = Tree(dialog);

        // Groups as the file has them, nodes of the top level after them.
        ASSERT_EQ(tree->topLevelItemCount(), 3);
        EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("Region North"));
        EXPECT_EQ(tree->topLevelItem(1)->text(0), QStringLiteral("Region South"));
        EXPECT_EQ(tree->topLevelItem(2)->text(0), QStringLiteral("Lab bench"));
        QTreeWidgetItem* oulu = Item(dialog, "Oulu mast");
        ASSERT_NE(oulu, nullptr);
        EXPECT_EQ(oulu->parent()->text(0), QStringLiteral("Site Oulu"));
        EXPECT_EQ(oulu->parent()->parent()->text(0), QStringLiteral("Region North"));
        EXPECT_EQ(oulu->text(1), QStringLiteral("1"));
        EXPECT_EQ(oulu->text(2).toStdString(), kOuluConnection);
        EXPECT_EQ(ShownNodes(dialog), (std::vector<std::string>{"QORA-131", "Kallio spare", "Oulu mast", "Lab bench"}));
        EXPECT_EQ(Status(dialog), QStringLiteral("4 units."));

        // The first node is ready to be picked.
        EXPECT_EQ(tree->currentItem(), Item(dialog, "QORA-131"));
        EXPECT_TRUE(Button(dialog, QDialogButtonBox::Ok)->isEnabled());

        // On a group OK is off, and Enter does not get round it.
        tree->setCurrentItem(Item(dialog, "Site Oulu"));
        okOnGroup = Button(dialog, QDialogButtonBox::Ok)->isEnabled();
        QTest::keyClick(tree, Qt::Key_Return);
        stayedOpen = dialog.isVisible();

        tree->setCurrentItem(oulu);
        ASSERT_TRUE(Button(dialog, QDialogButtonBox::Ok)->isEnabled());
        QTest::mouseClick(Button(dialog, QDialogButtonBox::Ok), Qt::LeftButton);
    });
    const BrowseResult result = RunBrowse(*browser);
    EXPECT_TRUE(answer.Answered());
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_FALSE(okOnGroup);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.kind, 1);
    EXPECT_EQ(result.name, "Oulu mast");
    EXPECT_EQ(result.connection, kOuluConnection);
}

TEST(RksBrowseDialog, CancelAndEscapeChooseNothing)
{
    CDirectoryFile file;
    auto browser = RealBrowser();
    {
        CModalAnswer answer([](QDialog& dialog) { QTest::mouseClick(Button(dialog, QDialogButtonBox::Cancel), Qt::LeftButton); });
        ExpectNothingChosen(RunBrowse(*browser));
        EXPECT_TRUE(answer.Answered());
        EXPECT_FALSE(answer.SafetyClosed());
    }
    {
        CModalAnswer answer([](QDialog& dialog) { QTest::keyClick(Tree(dialog), Qt::Key_Escape); });
        ExpectNothingChosen(RunBrowse(*browser));
        EXPECT_TRUE(answer.Answered());
        EXPECT_FALSE(answer.SafetyClosed());
    }
}

TEST(RksBrowseDialog, DoubleClickPicksANodeButOnlyFoldsAGroup)
{
    CDirectoryFile file;
    auto browser = RealBrowser();
    bool openAfterGroup = false, folded = false;
    CModalAnswer answer([&](QDialog& dialog) {
        QTreeWidgetItem* site = Item(dialog, "Site Kallio");
        DoubleClick(dialog, site);
        openAfterGroup = dialog.isVisible();
        folded = !site->isExpanded();
        DoubleClick(dialog, site);
        DoubleClick(dialog, Item(dialog, "Kallio spare"));
    });
    const BrowseResult result = RunBrowse(*browser);
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_TRUE(openAfterGroup);
    EXPECT_TRUE(folded);
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.name, "Kallio spare");
    EXPECT_EQ(result.connection, kSpareConnection);
}

TEST(RksBrowseDialog, FilterNarrowsTheTreeAndEnterPicksWhatIsShown)
{
    CDirectoryFile file;
    auto browser = RealBrowser();
    CModalAnswer answer([&](QDialog& dialog) {
        QLineEdit* filter = FilterField(dialog);
        ASSERT_NE(filter, nullptr);
        QTreeWidget* tree = Tree(dialog);
        tree->setCurrentItem(Item(dialog, "Lab bench"));

        // A group's name shows all of its nodes; case does not count.
        QTest::keyClicks(filter, QStringLiteral("kallio"));
        EXPECT_EQ(ShownNodes(dialog), (std::vector<std::string>{"QORA-131", "Kallio spare"}));
        EXPECT_EQ(Status(dialog), QStringLiteral("2 of 4 units shown."));
        EXPECT_EQ(tree->currentItem(), Item(dialog, "QORA-131")) << "the hidden choice gives way to the first match";
        EXPECT_TRUE(Item(dialog, "Region South")->isHidden()) << "a group with nothing to show goes";

        filter->clear();
        EXPECT_EQ(ShownNodes(dialog).size(), 4u);
        EXPECT_FALSE(Item(dialog, "Region South")->isHidden());

        QTest::keyClicks(filter, QStringLiteral("NORTH"));
        EXPECT_EQ(ShownNodes(dialog), (std::vector<std::string>{"QORA-131", "Kallio spare", "Oulu mast"}));

        // Connection strings count too.
        filter->setText(QStringLiteral("10.30."));
        EXPECT_EQ(ShownNodes(dialog), (std::vector<std::string>{"Oulu mast"}));
        EXPECT_EQ(tree->currentItem(), Item(dialog, "Oulu mast"));

        filter->setText(QStringLiteral("no such unit"));
        EXPECT_TRUE(ShownNodes(dialog).empty());
        EXPECT_FALSE(Button(dialog, QDialogButtonBox::Ok)->isEnabled());
        EXPECT_EQ(Status(dialog), QStringLiteral("No unit matches the filter."));
        QTest::keyClick(filter, Qt::Key_Return);
        EXPECT_TRUE(dialog.isVisible()) << "Enter with nothing shown picks nothing";

        filter->setText(QStringLiteral(" SPARE "));
        EXPECT_EQ(ShownNodes(dialog), (std::vector<std::string>{"Kallio spare"}));
        QTest::keyClick(filter, Qt::Key_Return);
    });
    const BrowseResult result = RunBrowse(*browser);
    EXPECT_TRUE(answer.Answered());
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.name, "Kallio spare");
}

TEST(RksBrowseDialog, NoWindowWithoutAReadableDirectoryAndAnEmptyOneOffersNothing)
{
    CDirectoryFile file("{\"nodes\":[{\"name\":\"a\"}]}");
    CRksNetworkBrowser browser(RksChooseNodeInDialog);
    {
        CModalAnswer answer([](QDialog& dialog) { dialog.reject(); }, 1000);
        ExpectNothing(RunBrowse(browser));
        EXPECT_FALSE(answer.Answered()) << "a broken directory shows no window";
        EXPECT_TRUE(browser.LastError().contains(QStringLiteral("\"kind\" is missing")));
    }

    file.Write("{\"groups\":[{\"name\":\"Region South\"}]}");
    bool okEnabled = true, stayedOpen = false;
    QString status;
    CModalAnswer answer([&](QDialog& dialog) {
        okEnabled = Button(dialog, QDialogButtonBox::Ok)->isEnabled();
        status = Status(dialog);
        EXPECT_EQ(Tree(dialog)->topLevelItemCount(), 1);
        QTest::keyClick(FilterField(dialog), Qt::Key_Return);
        stayedOpen = dialog.isVisible();
        dialog.reject();
    });
    ExpectNothingChosen(RunBrowse(browser));
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_FALSE(okEnabled);
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(status, QStringLiteral("The node directory lists no units."));
}

TEST(RksBrowseDialog, ClosingTheWindowBeneathEndsTheBrowse)
{
    CDirectoryFile file;
    auto* frame = new QWidget;
    QPointer<QWidget> frameGuard(frame);
    frame->show();
    QApplication::setActiveWindow(frame);
    ASSERT_EQ(QApplication::activeWindow(), frame);

    CRksNodeDirectory directory;
    QString error;
    ASSERT_TRUE(directory.Load(file.Path(), error));
    bool overFrame = false;
    CModalAnswer answer([&](QDialog& dialog) {
        overFrame = dialog.parentWidget() == frame;
        Tree(dialog)->setCurrentItem(Item(dialog, "Oulu mast"));
        delete frame; // takes the dialog with it
    });
    EXPECT_EQ(RksChooseNodeInDialog(directory), std::nullopt);
    EXPECT_TRUE(answer.Answered());
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_TRUE(overFrame);
    EXPECT_TRUE(frameGuard.isNull());
}
