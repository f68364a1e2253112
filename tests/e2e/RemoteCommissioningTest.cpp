// The whole program against the simulated unit, offscreen, through the real
// link: a commissioning over a remote connection leaves the unit where the
// tool reaches it, and a reset that the unit does not answer (it goes down at
// once, or its link just drops) still ends in the reconnection and commission
// mode. Timers run fifty times faster (the shared fault rig).

#include "faults/FaultRig.h"
#include "faults/WizardOperator.h"

#include "app/main/CommissioningCommands.h"
#include "commissioning/WorkOrder.h"
#include "commissioning/verify/widgets/VerifyDlg.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"

#include "platform/widgets/WidgetPrompts.h"

#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QTableWidget>

namespace faults {
namespace {

// The text of a parameter of the unit in a saved report.
QString ReportParameter(const QString& path, const char* name)
{
    CWorkOrder report;
    QString text;
    if (!report.Load(path) || !report.FindParameterText(QString::fromLatin1(name), text))
        return QStringLiteral("<missing>");
    return text;
}

const QString kResetRequest = QStringLiteral("53770000");

int UInt16(const QByteArray& bytes, int at)
{
    return std::uint8_t(bytes[at]) << 8 | std::uint8_t(bytes[at + 1]);
}

class WindowResetAndCommissioning : public FaultRig {
protected:
    // The unit with `faults`, the program with a reconnection wait of 30 s
    // (600 ms scaled), connected in commission mode.
    void StartConnected(const QStringList& faults, bool remote, int timeoutMs = 5000)
    {
        sandbox.Plant(QStringLiteral("Settings"), QStringLiteral("Retry_conn_Time"), 30);
        StartUnit(faults);
        StartProgram();
        ASSERT_TRUE(remote ? ConnectRemotely(timeoutMs) : ConnectLocally());
        ASSERT_TRUE(EnterCommissionMode());
    }

    void OpenWorkOrder()
    {
        auto previous = SetFileDialogFunction(
            [](const FileDialogRequest&) -> std::optional<QString> { return QStringLiteral(QORA_COMMISSION_ORDER); });
        frame->RunCommand(ID_OPEN_WORK_ORDER);
        SetFileDialogFunction(std::move(previous));
        ASSERT_NE(app.Commissioning()->WorkOrder(), nullptr);
    }

    // Opens the work order and runs the wizard to the end; returns the pages seen.
    std::vector<int> Commission()
    {
        OpenWorkOrder();
        WizardOperator engineer;
        frame->RunCommand(ID_COMMISSIONING_WIZARD);
        EXPECT_TRUE(engineer.finished);
        EXPECT_TRUE(engineer.confirmed);
        return engineer.pagesSeen;
    }

    // The reset's wait ends, the tool opens the unit again and is back in
    // commission mode: at least `opens` OPENs in all (tries while the unit
    // was still restarting add theirs).
    bool Reconnected(int opens)
    {
        return PumpUntil([&] { return !frame->Controller().ResetPending(); }, 5000)
            && PumpUntil([&] { return Opens() >= opens && State() == ConnectionState::Commission; },
                         8000);
    }

    [[nodiscard]] std::vector<QJsonObject> Transfers() const
    {
        std::vector<QJsonObject> transfers;
        for (const QJsonObject& line : TraceLines(TracePath()))
            if (line.value(QStringLiteral("kind")).toString() == QStringLiteral("transfer"))
                transfers.push_back(line);
        return transfers;
    }
    [[nodiscard]] std::vector<QJsonObject> Opened() const
    {
        std::vector<QJsonObject> opens;
        for (const QJsonObject& line : TraceLines(TracePath()))
            if (line.value(QStringLiteral("kind")).toString() == QStringLiteral("open")
                && line.value(QStringLiteral("result")).toInt() == 0)
                opens.push_back(line);
        return opens;
    }
    [[nodiscard]] int Opens() const { return static_cast<int>(Opened().size()); }
    // The trace lines of the requests that start with `hex`.
    [[nodiscard]] std::vector<QJsonObject> Requests(const QString& hex) const
    {
        std::vector<QJsonObject> found;
        for (const QJsonObject& line : Transfers())
            if (line.value(QStringLiteral("req")).toString().startsWith(hex))
                found.push_back(line);
        return found;
    }
};

TEST_F(WindowResetAndCommissioning, ARemoteCommissioningSendsNoAddressesAndTheUnitIsFoundWhereItWas)
{
    StartConnected({QStringLiteral("--reboot-ms"), QStringLiteral("150")}, true);
    const std::vector<int> pages = Commission();
    EXPECT_EQ(pages, (std::vector<int>{CCommissionWiz::kWelcomePageId, CCommissionWiz::kGpsPageId,
                                       CCommissionWiz::kRfPageId, CCommissionWiz::kUserPageId}))
        << "no Q1 page on a remote connection";
    for (const QString& text : Messages())
        EXPECT_FALSE(text.startsWith(QStringLiteral("Problems encountered"))) << text.toStdString();

    // The block as the unit got it: 53 53 90 01, length 88, then the block.
    const std::vector<QJsonObject> blocks = Requests(QStringLiteral("5353900158"));
    ASSERT_EQ(blocks.size(), 1u);
    const QByteArray block = QByteArray::fromHex(blocks[0].value(QStringLiteral("req")).toString().toLatin1()).mid(5);
    ASSERT_EQ(block.size(), 88);
    EXPECT_EQ(block.left(48), QByteArray(48, '\0')) << "IP address, subnet mask and gateway empty";
    EXPECT_EQ(block.mid(84, 4), QByteArray("\x00\x00\x00\x01", 4)) << "remote";
    EXPECT_EQ(UInt16(block, 80), 140) << "the page's Q1 address goes, the unit does not take it";
    EXPECT_EQ(blocks[0].value(QStringLiteral("result")).toInt(), 0);
    EXPECT_EQ(Requests(QStringLiteral("53010000")).size(), 1u) << "the closing command";

    // The unit restarts, and the tool finds it again with the same connection string.
    ASSERT_TRUE(Reconnected(2));
    EXPECT_EQ(Requests(kResetRequest).size(), 1u);
    const std::vector<QJsonObject> opens = Opened();
    EXPECT_EQ(opens[1].value(QStringLiteral("conn")), opens[0].value(QStringLiteral("conn")));
    EXPECT_EQ(opens[1].value(QStringLiteral("unit")).toString(), QStringLiteral("192.168.255.120:131"));
    EXPECT_TRUE(frame->Controller().IsRemote());
    // The settings of the local connection are not touched remotely.
    EXPECT_EQ(app.Settings().ipAddress, QStringLiteral("192.168.255.120"));
    EXPECT_EQ(app.Settings().q1Address, 131u);
    // What the unit runs with after its restart: the work order's position,
    // its own addresses.
    const QByteArray state = FileBytes(StatePath());
    EXPECT_TRUE(state.contains("\"address\": \"192.168.255.120:131\"")) << state.toStdString();
    EXPECT_TRUE(ReadVersion()) << "the unit answers where it was";

    // The report records that no address was commissioned.
    frame->CommandStateChanged();
    ASSERT_TRUE(frame->Action(ID_COMMISSIONING_REPORT)->isEnabled());
    const QString report = folder.filePath(QStringLiteral("report.xml"));
    auto previousDialog =
        SetFileDialogFunction([&](const FileDialogRequest&) -> std::optional<QString> { return report; });
    auto previousOpen = SetShellOpenFunction([](const QString&) { return true; });
    frame->RunCommand(ID_COMMISSIONING_REPORT);
    SetFileDialogFunction(std::move(previousDialog));
    SetShellOpenFunction(std::move(previousOpen));
    EXPECT_EQ(ReportParameter(report, "installStatus"), QStringLiteral("Commissioning was successful"));
    EXPECT_EQ(ReportParameter(report, "qorQ1IP"), QString());
    EXPECT_EQ(ReportParameter(report, "qorQ1GW"), QString());
    EXPECT_EQ(ReportParameter(report, "qorQ1Mask"), QString());
    EXPECT_EQ(ReportParameter(report, "qorQ1Address"), QStringLiteral("140"));
}

TEST_F(WindowResetAndCommissioning, ALocalCommissioningIsToldAndVerifiedOnceTheUnitIsBack)
{
    StartConnected({QStringLiteral("--reboot-ms"), QStringLiteral("150")}, false);
    Commission();
    EXPECT_TRUE(Messages().contains(
        QStringLiteral("The unit acknowledged every value; QORA restarting with the new settings")))
        << Messages().join(QStringLiteral(" | ")).toStdString();
    ASSERT_TRUE(PumpUntil([&] { return app.Commissioning()->VerificationWindow() != nullptr; }, 8000));
    EXPECT_EQ(State(), ConnectionState::Commission);
    EXPECT_EQ(Opened().back().value(QStringLiteral("unit")).toString(), QStringLiteral("192.168.255.121:140"));
    const CVerifyDlg* table = app.Commissioning()->VerificationWindow();
    EXPECT_TRUE(table->Summary()->text().startsWith(
        QStringLiteral("Verified: the unit answers at 192.168.255.121, Q1 address 140")))
        << table->Summary()->text().toStdString();
    ASSERT_EQ(table->Table()->rowCount(), 14);
    for (int row = 0; row < table->Table()->rowCount(); ++row)
        EXPECT_EQ(table->Table()->item(row, 3)->text(), QStringLiteral("yes"))
            << table->Table()->item(row, 0)->text().toStdString();
    // The read-back reached the unit at its new place.
    EXPECT_EQ(Requests(QStringLiteral("53540100e004")).size(), 1u);

    // A plain reset afterwards brings no second table.
    const_cast<CVerifyDlg*>(table)->close();
    PumpFor(50);
    frame->RunCommand(ID_RESET_QORA);
    ASSERT_TRUE(PumpUntil([&] { return !frame->Controller().ResetPending() && State() == ConnectionState::Commission; },
                          8000));
    PumpFor(200);
    EXPECT_EQ(app.Commissioning()->VerificationWindow(), nullptr);
}

// A unit that acknowledges its reset and answers with its old setup for a
// while before it restarts: the window's verification reads the restarted
// unit, and the "restarting" notice is closed when the unit is back, never
// standing over the verification window.
TEST_F(WindowResetAndCommissioning, ARemoteUnitThatRestartsLateIsVerifiedAfterItsRestart)
{
    // The desktop's own notice box, gone again with the test.
    struct WidgetNotices {
        WidgetNotices() { InstallWidgetNotices(); }
        ~WidgetNotices() { SetNoticeFunctions({}); }
    } notices;
    const QString restarting = QStringLiteral("The unit acknowledged every value; QORA restarting with the new settings");
    const auto noticeShown = [&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible() && box->text() == restarting)
                return true;
        return false;
    };
    // Restarts 300 ms after the reset, back 150 ms later; the wait is 600 ms.
    StartConnected({QStringLiteral("--restart-delay-ms"), QStringLiteral("300"), QStringLiteral("--reboot-ms"),
                    QStringLiteral("150")},
                   true);
    bool noticeSeen = false, noticeOverVerification = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        noticeSeen = noticeSeen || noticeShown();
        noticeOverVerification = noticeOverVerification
            || (app.Commissioning()->VerificationWindow() != nullptr && noticeShown());
    });
    watch.start(5);
    Commission();
    ASSERT_TRUE(PumpUntil([&] { return app.Commissioning()->VerificationWindow() != nullptr; }, 8000));
    PumpFor(50);
    watch.stop();
    EXPECT_TRUE(noticeSeen);
    EXPECT_FALSE(noticeOverVerification);
    EXPECT_FALSE(noticeShown());
    const CVerifyDlg* table = app.Commissioning()->VerificationWindow();
    EXPECT_TRUE(table->Summary()->text().startsWith(QStringLiteral("Verified: the unit answers on its node")))
        << table->Summary()->text().toStdString();
    for (int row = 0; row < table->Table()->rowCount(); ++row)
        EXPECT_EQ(table->Table()->item(row, 3)->text(), QStringLiteral("yes"))
            << table->Table()->item(row, 0)->text().toStdString();
}

// The unit never comes back: the notice goes with the wait, and no
// verification is left waiting for a later reconnection.
TEST_F(WindowResetAndCommissioning, AVerificationIsDroppedWhenItsWaitEndsWithoutTheUnit)
{
    StartConnected({QStringLiteral("--reboot-ms"), QStringLiteral("100000")}, false);
    Commission();
    ASSERT_TRUE(PumpUntil([&] { return Messages().contains(kCannotConnect); }, 8000));
    EXPECT_EQ(State(), ConnectionState::Failed);
    // The unit is found later, and reset again: no verification comes of it.
    sim.reset();
    StartUnit({QStringLiteral("--reboot-ms"), QStringLiteral("150")});
    ASSERT_TRUE(ConnectLocally());
    ASSERT_TRUE(EnterCommissionMode());
    frame->RunCommand(ID_RESET_QORA);
    ASSERT_TRUE(PumpUntil([&] { return !frame->Controller().ResetPending() && State() == ConnectionState::Commission; },
                          8000));
    PumpFor(200);
    EXPECT_EQ(app.Commissioning()->VerificationWindow(), nullptr);
}

TEST(VerificationWindow, MismatchesStandOut)
{
    SVerification v;
    v.unitBack = true;
    v.place = SUnitPlace{false, QStringLiteral("10.0.0.2"), 9};
    v.rows = {{QStringLiteral("Latitude"), QStringLiteral("1.0000000"), QStringLiteral("1.0000000"), true},
              {QStringLiteral("User name"), QStringLiteral("\"Ann\""), QStringLiteral("\"\""), false}};
    CVerifyDlg dialog(v);
    ASSERT_EQ(dialog.Table()->rowCount(), 2);
    EXPECT_EQ(dialog.Table()->item(1, 3)->text(), QStringLiteral("NO"));
    EXPECT_NE(dialog.Table()->item(1, 2)->background(), dialog.Table()->item(0, 2)->background());
    EXPECT_TRUE(dialog.Summary()->text().endsWith(QStringLiteral("reads back other values for: User name")))
        << dialog.Summary()->text().toStdString();
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty())
        dialog.grab().save(folder + QStringLiteral("/verification.png"));
}

TEST_F(WindowResetAndCommissioning, TheResetCommandReconnectsWhenTheUnitGoesDownWithoutAnswering)
{
    StartConnected({QStringLiteral("--reset-unanswered"), QStringLiteral("--reboot-ms"), QStringLiteral("150")},
                   false);
    frame->RunCommand(ID_RESET_QORA);
    EXPECT_TRUE(frame->Controller().ResetPending());
    ASSERT_TRUE(Reconnected(2));
    EXPECT_EQ(Messages().size(), 1) << Messages().join(QStringLiteral(" | ")).toStdString()
                                    << ": only the question, no failure";
    const std::vector<QJsonObject> resets = Requests(kResetRequest);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0].value(QStringLiteral("result")).toInt(), 2);
    EXPECT_TRUE(resets[0].value(QStringLiteral("rep")).isNull());
    EXPECT_TRUE(ReadVersion());
}

TEST_F(WindowResetAndCommissioning, ACommissioningsUnansweredResetFindsTheUnitAtItsNewAddress)
{
    StartConnected({QStringLiteral("--reset-unanswered"), QStringLiteral("--reboot-ms"), QStringLiteral("150")},
                   false);
    Commission();
    // The local settings follow the unit (the work order moves it).
    EXPECT_EQ(app.Settings().ipAddress, QStringLiteral("192.168.255.121"));
    EXPECT_EQ(app.Settings().q1Address, 140u);
    ASSERT_TRUE(Reconnected(2));
    EXPECT_EQ(Opened()[1].value(QStringLiteral("unit")).toString(), QStringLiteral("192.168.255.121:140"));
    const std::vector<QJsonObject> resets = Requests(kResetRequest);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_EQ(resets[0].value(QStringLiteral("result")).toInt(), 2);
    for (const QString& text : Messages())
        EXPECT_FALSE(text.startsWith(QStringLiteral("Problems encountered"))) << text.toStdString();
}

TEST_F(WindowResetAndCommissioning, TheResetCommandReconnectsWhenTheUnitDropsTheLinkWithoutAReply)
{
    // The transfer timeout of the remote connection string ends the wait for
    // the reset's reply.
    StartConnected({QStringLiteral("--reset-silent"), QStringLiteral("--reboot-ms"), QStringLiteral("150")}, true,
                   500);
    frame->RunCommand(ID_RESET_QORA);
    ASSERT_TRUE(Reconnected(2));
    EXPECT_TRUE(Requests(kResetRequest).empty()) << "nothing answered, nothing traced";
    EXPECT_EQ(Messages().size(), 1) << Messages().join(QStringLiteral(" | ")).toStdString();
    EXPECT_TRUE(ReadVersion());
}

} // namespace
} // namespace faults
