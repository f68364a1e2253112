// The commissioning road from the menu, offscreen, against the simulated unit
// through the real link: open a work order, run the wizard, confirm, watch the
// write, let the unit reset, find it again at its new address, and save the
// report that the operator's systems read back.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/widgets/CommParamDlg.h"
#include "app/main/CommissioningCommands.h"
#include "app/main/SableCommApp.h"
#include "app/main/StatusWindows.h"
#include "app/shell/SplashWnd.h"
#include "commissioning/XmlPtr.h"
#include "commissioning/procedure/widgets/CommFinishDlg.h"
#include "commissioning/procedure/widgets/CommissionDlg.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "link/CommHandler.h"
#include "status/history/StatusHistory.h"
#include "support/EventLoop.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"
#include "support/SimTrace.h"


#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QStatusBar>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <gtest/gtest.h>

namespace {

QString ProgramPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QORAManager");
}

void Screenshot(QWidget& widget, const QString& name)
{
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty())
        widget.grab().save(folder + QLatin1Char('/') + name);
}

// The text of the only p element matching the query in a saved report, and
// that element's namespace.
std::pair<QString, QString> OnlyParameter(const QString& path, const QByteArray& query)
{
    const XmlPtr<xmlDoc> doc(xmlReadFile(QFile::encodeName(path).constData(), nullptr, XML_PARSE_NONET));
    if (!doc)
        return {QStringLiteral("<unreadable>"), QString()};
    const XmlPtr<xmlXPathContext> context(xmlXPathNewContext(doc.get()));
    const XmlPtr<xmlXPathObject> found(
        context ? xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(query.constData()), context.get()) : nullptr);
    const int count = found && found->nodesetval ? found->nodesetval->nodeNr : 0;
    if (count > 1)
        return {QStringLiteral("<%1 times>").arg(count), QString()};
    if (count == 0)
        return {QStringLiteral("<missing>"), QString()};
    xmlNodePtr node = found->nodesetval->nodeTab[0];
    const XmlPtr<xmlChar> content(xmlNodeGetContent(node));
    return {QString::fromUtf8(reinterpret_cast<const char*>(content.get())),
            node->ns && node->ns->href ? QString::fromUtf8(reinterpret_cast<const char*>(node->ns->href)) : QString()};
}

// The text of the p element of that name under the unit in a saved report.
QString ReportParameter(const QString& path, const char* name)
{
    return OnlyParameter(path, QByteArray("//managedObject[@class='QOR']//p[@name='") + name + "']").first;
}

// The text of the p element of that name under the unit in a saved report
// whose elements live in a namespace, and that namespace.
std::pair<QString, QString> NamespacedReportParameter(const QString& path, const char* name)
{
    return OnlyParameter(path, QByteArray("//*[local-name()='managedObject'][@class='QOR']//*[local-name()='p'][@name='")
                                   + name + "']");
}

// Plays the engineer: Next through the wizard's pages and Finish, then Finish
// in the confirmation; the progress dialog is only watched.
class CommissioningOperator {
public:
    CommissioningOperator()
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Look(); });
        poll_.start();
    }

    std::vector<int> pagesSeen;
    bool confirmed = false;
    bool parametersShown = false;
    bool progressShown = false;
    QString wizardIp;

private:
    void Look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* wizard = qobject_cast<CCommissionWiz*>(modal)) {
            const int page = wizard->currentId();
            if (pagesSeen.empty() || pagesSeen.back() != page) {
                pagesSeen.push_back(page);
                Screenshot(*wizard, QStringLiteral("commissioning-wizard-%1.png").arg(pagesSeen.size()));
            }
            if (QAbstractButton* finish = wizard->button(QWizard::FinishButton);
                finish && finish->isVisible() && finish->isEnabled()) {
                wizard->accept();
                return;
            }
            wizard->next();
            if (wizard->currentId() == page && ++stuck_ > 20)
                wizard->reject(); // a page refused Next: give up rather than hang
        } else if (auto* parameters = qobject_cast<CCommParamDlg*>(modal)) {
            parametersShown = true;
            parameters->accept();
        } else if (auto* confirm = qobject_cast<CCommFinishDlg*>(modal)) {
            confirmed = true;
            Screenshot(*confirm, QStringLiteral("commissioning-confirm.png"));
            confirm->accept();
        } else if (auto* progress = qobject_cast<CCommissionDlg*>(modal)) {
            if (!progressShown)
                Screenshot(*progress, QStringLiteral("commissioning-progress.png"));
            progressShown = true;
        }
    }

    QTimer poll_;
    int stuck_ = 0;
};

class CommissioningFromMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        trace = folder.filePath(QStringLiteral("trace.jsonl"));
        sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--trace"), trace, QStringLiteral("--reboot-ms"),
                                                       QStringLiteral("300")});
        ASSERT_TRUE(sim->Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("Retry_conn_Time"), 2);
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("/Embedding")}));
        frame = app.MainFrame();
        frame->RunCommand(ID_LOCAL_CONNECTION);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Connected; }, 8000));
        frame->RunCommand(ID_COMMISSION_MODE);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 8000));
    }
    void TearDown() override
    {
        SetFileDialogFunction(std::move(previousDialog));
        SetShellOpenFunction(std::move(previousOpen));
        CSplashWnd::HideSplashScreen();
        qunsetenv("QORA_RKS_GATEWAY");
    }
    void AnswerFileDialogWith(const QString& path)
    {
        auto previous = SetFileDialogFunction([path](const FileDialogRequest&) -> std::optional<QString> { return path; });
        if (!previousDialog)
            previousDialog = std::move(previous);
    }

    SettingsSandbox sandbox;
    PromptRecorder prompts;
    QTemporaryDir folder;
    QString trace;
    std::unique_ptr<SimProcess> sim;
    CSableCommApp app;
    CMainFrame* frame = nullptr;
    FileDialogFunction previousDialog;
    ShellOpenFunction previousOpen;
};

TEST_F(CommissioningFromMenuTest, WorkOrderWizardWriteResetReconnectionAndReport)
{
    EXPECT_FALSE(frame->Action(ID_COMMISSIONING_WIZARD)->isEnabled()) << "no work order yet";
    AnswerFileDialogWith(QStringLiteral(QORA_APP_TESTDATA "/commission_order.xml"));
    frame->RunCommand(ID_OPEN_WORK_ORDER);
    ASSERT_NE(app.Commissioning()->WorkOrder(), nullptr);
    frame->CommandStateChanged();
    EXPECT_TRUE(frame->Action(ID_COMMISSIONING_WIZARD)->isEnabled());
    EXPECT_FALSE(frame->Action(ID_COMMISSIONING_REPORT)->isEnabled()) << "nothing recorded yet";

    // The GPS status window feeds the unit's status history before the move.
    frame->RunCommand(ID_GPS_STATUS);
    const CStatusHistory& history = app.StatusWindows()->History();
    ASSERT_TRUE(PumpUntil([&] { return !history.Gps().empty(); }, 8000));
    const std::int64_t firstSample = history.Gps().front().timeMs;

    {
        CommissioningOperator engineer;
        frame->RunCommand(ID_COMMISSIONING_WIZARD);
        EXPECT_EQ(engineer.pagesSeen.size(), 5u) << "welcome, GPS, time calculation, Q1, user";
        EXPECT_TRUE(engineer.confirmed);
    }
    // The only message is the warning that the unit's address changes; no problem reported.
    for (const MessageBoxRequest& shown : prompts.shown)
        EXPECT_FALSE(shown.text.startsWith(QStringLiteral("Problems encountered"))) << shown.text.toStdString();
    EXPECT_FALSE(frame->Controller().CommissioningRunning());

    // The local settings follow the unit to its new place.
    EXPECT_EQ(app.Settings().ipAddress, QStringLiteral("192.168.255.121"));
    EXPECT_EQ(app.Settings().q1Address, 140u);

    // The reset, then the tool finds the unit at its new address by itself.
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() != ConnectionState::Commission; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 20000));
    EXPECT_TRUE(frame->Controller().UnitAddressText() == QStringLiteral("140"))
        << frame->Controller().UnitAddressText().toStdString();

    // The tool moved the unit: the same unit, whose history goes on across
    // the gap, labelled with why.
    const auto afterMove = [&] {
        return std::find_if(history.Gps().begin(), history.Gps().end(), [](const SGpsSample& s) { return s.afterGap; });
    };
    ASSERT_TRUE(PumpUntil([&] { return afterMove() != history.Gps().end(); }, 12000));
    EXPECT_EQ(history.Gps().front().timeMs, firstSample);
    ASSERT_EQ(history.GapLabels().size(), 1u);
    EXPECT_EQ(history.GapLabels()[0].label, QStringLiteral("commissioned"));
    EXPECT_EQ(history.GapLabels()[0].timeMs, afterMove()->timeMs);
    EXPECT_EQ(history.Unit(), frame->Controller().LastConnection());

    // The unit got the bracket in order: opening command, the two blocks, closing command, reset.
    const std::vector<QByteArray> requests = TracedRequests(trace);
    const auto opening = std::find(requests.begin(), requests.end(), QByteArray("53010001"));
    ASSERT_NE(opening, requests.end());
    ASSERT_GE(requests.end() - opening, 5);
    EXPECT_TRUE(opening[1].startsWith("53539001" "58" + QByteArray("192.168.255.121").toHex()));
    EXPECT_TRUE(opening[2].startsWith("53539002"));
    EXPECT_EQ(opening[3], QByteArray("53010000"));
    EXPECT_EQ(opening[4], QByteArray("53770000"));

    // The report: saved where the engineer chose, opened with the desktop.
    frame->CommandStateChanged();
    ASSERT_TRUE(frame->Action(ID_COMMISSIONING_REPORT)->isEnabled());
    const QString report = folder.filePath(QStringLiteral("report.xml"));
    AnswerFileDialogWith(report);
    QString opened;
    previousOpen = SetShellOpenFunction([&](const QString& path) {
        opened = path;
        return true;
    });
    frame->RunCommand(ID_COMMISSIONING_REPORT);
    EXPECT_EQ(opened, report);
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("Saved to ") + QDir::toNativeSeparators(report));
    EXPECT_EQ(ReportParameter(report, "installStatus"), QStringLiteral("Commissioning was successful"));
    EXPECT_EQ(ReportParameter(report, "qorQ1IP"), QStringLiteral("192.168.255.121"));
    EXPECT_EQ(ReportParameter(report, "qorQ1Address"), QStringLiteral("140"));
    EXPECT_EQ(ReportParameter(report, "qorName"), QStringLiteral("Espoo QORA"));
    // The other object of the plan is not part of the report.
    QFile saved(report);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_FALSE(saved.readAll().contains("Espoo centre 1"));
    saved.close();

    // Saved again where the desktop has no program for it: a message names the file.
    SetShellOpenFunction([](const QString&) { return false; });
    prompts.shown.clear();
    frame->RunCommand(ID_COMMISSIONING_REPORT);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(prompts.shown[0].text.contains(QDir::toNativeSeparators(report)));

    // A save that fails says so, in a message and in the status bar, and opens nothing.
    const QString nowhere = folder.filePath(QStringLiteral("missing/report.xml"));
    AnswerFileDialogWith(nowhere);
    opened.clear();
    SetShellOpenFunction([&](const QString& path) {
        opened = path;
        return true;
    });
    prompts.shown.clear();
    frame->RunCommand(ID_COMMISSIONING_REPORT);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(prompts.shown[0].text.contains(nowhere));
    EXPECT_EQ(frame->statusBar()->currentMessage(), QStringLiteral("Not saved: ") + QDir::toNativeSeparators(nowhere));
    EXPECT_TRUE(opened.isEmpty());
}

// A plan exported in a default namespace commissions the unit like any other,
// and its report keeps the namespace, the results written into it.
TEST_F(CommissioningFromMenuTest, AWorkOrderInADefaultNamespaceCommissionsTheUnitAndKeepsItsNamespace)
{
    AnswerFileDialogWith(QStringLiteral(QORA_APP_TESTDATA "/commission_order_namespaced.xml"));
    frame->RunCommand(ID_OPEN_WORK_ORDER);
    ASSERT_NE(app.Commissioning()->WorkOrder(), nullptr);
    for (const MessageBoxRequest& shown : prompts.shown)
        ADD_FAILURE() << "no message expected: " << shown.text.toStdString();
    frame->CommandStateChanged();
    ASSERT_TRUE(frame->Action(ID_COMMISSIONING_WIZARD)->isEnabled());

    {
        CommissioningOperator engineer;
        frame->RunCommand(ID_COMMISSIONING_WIZARD);
        EXPECT_EQ(engineer.pagesSeen.size(), 5u);
        EXPECT_TRUE(engineer.confirmed);
    }
    for (const MessageBoxRequest& shown : prompts.shown)
        EXPECT_FALSE(shown.text.startsWith(QStringLiteral("Problems encountered"))) << shown.text.toStdString();

    // The work order's values reached the unit through the link.
    const std::vector<QByteArray> requests = TracedRequests(trace);
    const auto opening = std::find(requests.begin(), requests.end(), QByteArray("53010001"));
    ASSERT_NE(opening, requests.end());
    ASSERT_GE(requests.end() - opening, 4);
    EXPECT_TRUE(opening[1].startsWith("53539001" "58" + QByteArray("192.168.255.122").toHex())) << opening[1].constData();
    EXPECT_EQ(opening[3], QByteArray("53010000"));
    EXPECT_EQ(app.Settings().ipAddress, QStringLiteral("192.168.255.122"));
    EXPECT_EQ(app.Settings().q1Address, 142u);

    // Back at its new address, the report is saved from the menu.
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() != ConnectionState::Commission; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 20000));
    frame->CommandStateChanged();
    ASSERT_TRUE(frame->Action(ID_COMMISSIONING_REPORT)->isEnabled());
    const QString report = folder.filePath(QStringLiteral("report.xml"));
    AnswerFileDialogWith(report);
    previousOpen = SetShellOpenFunction([](const QString&) { return true; });
    frame->RunCommand(ID_COMMISSIONING_REPORT);

    const QString plan = QStringLiteral("raml20.xsd");
    using Value = std::pair<QString, QString>;
    EXPECT_EQ(NamespacedReportParameter(report, "qorName"), Value(QStringLiteral("Espoo QORA 9"), plan));
    EXPECT_EQ(NamespacedReportParameter(report, "qorQ1IP"), Value(QStringLiteral("192.168.255.122"), plan));
    EXPECT_EQ(NamespacedReportParameter(report, "installStatus"),
              Value(QStringLiteral("Commissioning was successful"), plan));
    EXPECT_EQ(NamespacedReportParameter(report, "qorMeasuredLatitudeLocation").second, plan);
    QFile saved(report);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_EQ(bytes.count("xmlns"), 1) << bytes.constData();
    EXPECT_FALSE(bytes.contains("Espoo centre 1"));
}

// Started with a work order and a unit number: the tool connects locally,
// commissions from the wizard without asking for confirmation, and neither
// changes its settings nor resets the unit.
TEST(CommissioningAtStartup, RunsTheWizardOnTheWorkOrderWithoutConfirmationOrReset)
{
    SettingsSandbox sandbox;
    PromptRecorder prompts;
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString trace = folder.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), trace});
    ASSERT_TRUE(sim.Running());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
    {
        CommissioningOperator engineer;
        CSableCommApp app;
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("SW"),
                                                     QStringLiteral("SCF=" QORA_APP_TESTDATA "/commission_order.xml"),
                                                     QStringLiteral("SNR=0")}));
        EXPECT_TRUE(engineer.parametersShown);
        CMainFrame* frame = app.MainFrame();
        ASSERT_TRUE(PumpUntil([&] { return engineer.pagesSeen.size() >= 5 && !QApplication::activeModalWidget(); },
                              20000));
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ReportReady(); }, 10000));
        EXPECT_FALSE(engineer.confirmed);
        EXPECT_EQ(app.Settings().ipAddress, QStringLiteral("192.168.255.120"));
        EXPECT_EQ(app.Settings().q1Address, 131u);
        PumpFor(300);
        EXPECT_EQ(frame->Controller().ConnectionState(), ConnectionState::Commission) << "no reset: the connection stays";
        CSplashWnd::HideSplashScreen();
    }
    const std::vector<QByteArray> requests = TracedRequests(trace);
    const auto closing = std::find(requests.begin(), requests.end(), QByteArray("53010000"));
    ASSERT_NE(closing, requests.end());
    EXPECT_EQ(std::find(closing, requests.end(), QByteArray("53770000")), requests.end());
    qunsetenv("QORA_RKS_GATEWAY");
}

// Started with the switch alone: the tool connects locally and enters
// commission mode, but no work order was named, so none is opened and no
// reading error is shown. A work order named without the switch is opened
// at start, and a bad one is reported then.
TEST(CommissioningAtStartup, TheSwitchAloneOpensNoWorkOrder)
{
    SettingsSandbox sandbox;
    PromptRecorder prompts;
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
    {
        CommissioningOperator engineer;
        CSableCommApp app;
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("SW")}));
        EXPECT_TRUE(engineer.parametersShown);
        CMainFrame* frame = app.MainFrame();
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 10000));
        PumpFor(200);
        EXPECT_EQ(app.Commissioning()->WorkOrder(), nullptr);
        EXPECT_TRUE(engineer.pagesSeen.empty()) << "no commissioning without a work order";
        for (const MessageBoxRequest& shown : prompts.shown)
            ADD_FAILURE() << "no message expected: " << shown.text.toStdString();
        CSplashWnd::HideSplashScreen();
    }
    {
        CSableCommApp app;
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("SCF=" QORA_APP_TESTDATA "/absent.xml")}));
        EXPECT_EQ(app.Commissioning()->WorkOrder(), nullptr);
        ASSERT_EQ(prompts.shown.size(), 2u);
        EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Parsing the work order file failed."));
        EXPECT_EQ(prompts.shown[1].text, QStringLiteral("Error reading the Work Order file."));
        CSplashWnd::HideSplashScreen();
    }
    qunsetenv("QORA_RKS_GATEWAY");
}

} // namespace
