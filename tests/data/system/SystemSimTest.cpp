// Both dialogs through the real link (handler, driver, TCP) to the simulated
// unit, run modally offscreen: a write the unit applies, then read back.

#include "cli/CliSession.h"
#include "cli/SystemCommand.h"
#include "cli/UserCommand.h"
#include "data/AccessLevel.h"
#include "data/system/UserData.h"
#include "data/system/widgets/SystemParamDlg.h"
#include "data/system/widgets/UserInfoDlg.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MainWindow.h"
#include "rks/RksComponents.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"
#include "support/ModalAnswer.h"
#include "platform/MessageIds.h"
#include "support/SimProcess.h"
#include "support/SimTrace.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

template <typename T>
T* Child(const QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

class OverTheLink : public testing::Test {
protected:
    void Connect(SimProcess& sim)
    {
        ASSERT_TRUE(sim.Running());
        frame.received.clear();
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
        handler = std::make_unique<CCommHandler>();
        handler->SetSilentConnect(true);
        SetAppCommHandler(handler.get());
        handler->Connect(ConnectionRoute::Direct, "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131");
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECTED); }, 10000));
    }
    void SetUp() override
    {
        RegisterRksComponents();
        SetAppFullControl(true);
        SetMainWindowTarget(&frame);
    }
    void TearDown() override
    {
        if (handler)
            handler->CloseConnection();
        handler.reset();
        SetAppCommHandler(nullptr);
        SetMainWindowTarget(nullptr);
        qunsetenv("QORA_RKS_GATEWAY");
    }

    MessageRecorder frame;
    std::unique_ptr<CCommHandler> handler;
};

TEST_F(OverTheLink, SystemParametersShowTheUnitsOffsets)
{
    SimProcess sim;
    Connect(sim);
    CSystemParamDlg dlg;
    QString frameNumber, timeSlot;
    bool lastDevice = false;
    CModalAnswer answer([&](QDialog& d) {
        PumpUntil([&] { return Child<QLineEdit>(d, "frameNumberEdit")->text() != QStringLiteral("0"); }, 5000);
        frameNumber = Child<QLineEdit>(d, "frameNumberEdit")->text();
        timeSlot = Child<QLineEdit>(d, "timeSlotEdit")->text();
        lastDevice = Child<QCheckBox>(d, "lastDeviceCheck")->isChecked();
        Child<QPushButton>(d, "closeButton")->click();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_EQ(frameNumber, QStringLiteral("7"));
    EXPECT_EQ(timeSlot, QStringLiteral("3"));
    EXPECT_TRUE(lastDevice);
}

TEST_F(OverTheLink, UserInformationWrittenIsReadBackAndKeptInTheStateFile)
{
    QTemporaryDir dir;
    const QString state = dir.filePath(QStringLiteral("unit.state"));
    {
        SimProcess sim({QStringLiteral("--state"), state});
        Connect(sim);
        CUserInfoDlg dlg;
        CModalAnswer answer([&](QDialog& d) {
            auto* ok = Child<QPushButton>(d, "okButton");
            PumpUntil([&] { return Child<QLineEdit>(d, "nameEdit")->isEnabled(); }, 5000);
            Child<QLineEdit>(d, "nameEdit")->setText(QStringLiteral("Field Engineer"));
            Child<QDateEdit>(d, "dateEdit")->setDate(QDate(2009, 11, 4));
            Child<QPlainTextEdit>(d, "commentsEdit")->setPlainText(QStringLiteral("antenna moved\nsecond line"));
            Child<QPlainTextEdit>(d, "actionsEdit")->setPlainText(QStringLiteral("checked"));
            ok->click();
        });
        EXPECT_EQ(dlg.exec(), QDialog::Accepted);
        EXPECT_FALSE(answer.SafetyClosed());
        handler->CloseConnection();
        handler.reset();
    }
    // A new run of the unit with the same state answers what was written.
    SimProcess sim({QStringLiteral("--state"), state});
    Connect(sim);
    CUserInfoDlg dlg;
    QString name, comments, actions;
    QDate date;
    CModalAnswer answer([&](QDialog& d) {
        PumpUntil([&] { return Child<QLineEdit>(d, "nameEdit")->isEnabled(); }, 5000);
        name = Child<QLineEdit>(d, "nameEdit")->text();
        date = Child<QDateEdit>(d, "dateEdit")->date();
        comments = Child<QPlainTextEdit>(d, "commentsEdit")->toPlainText();
        actions = Child<QPlainTextEdit>(d, "actionsEdit")->toPlainText();
        Child<QPushButton>(d, "cancelButton")->click();
    });
    EXPECT_EQ(dlg.exec(), QDialog::Rejected);
    EXPECT_EQ(name, QStringLiteral("Field Engineer"));
    EXPECT_EQ(date, QDate(2009, 11, 4));
    EXPECT_EQ(comments, QStringLiteral("antenna moved\nsecond line"));
    EXPECT_EQ(actions, QStringLiteral("checked"));
}

// Texts at the limits, the unit's own texts and a block too long for its
// length byte, through the link; the unit's trace tells what it received.
TEST_F(OverTheLink, UserTextsReachTheUnitWholeAndAnOverLongBlockNeverLeaves)
{
    QTemporaryDir dir;
    const QString tracePath = dir.filePath(QStringLiteral("trace.jsonl"));
    SimProcess sim({QStringLiteral("--trace"), tracePath});
    Connect(sim);
    MessageRecorder window;
    const auto writeAndWait = [&](CUserData& group) {
        window.received.clear();
        group.WriteAll();
        int result = -1;
        PumpUntil([&] {
            for (const RecordedMessage& m : window.received)
                if (m.message == WM_USERINFO_WRITE_DONE)
                    result = static_cast<int>(m.wParam);
            return result >= 0;
        }, 5000);
        return result;
    };
    const auto readBack = [&](CUserData& group) {
        window.received.clear();
        group.ReadAll();
        return PumpUntil([&] { return !window.received.empty(); }, 5000);
    };
    const auto writesOfBlock = [&] {
        int count = 0;
        for (const QByteArray& request : TracedRequests(tracePath))
            for (qsizetype at = request.indexOf("9002"); at >= 0; at = request.indexOf("9002", at + 1))
                if (at % 2 == 0) { // on a byte boundary
                    ++count;
                    break;
                }
        return count;
    };

    // The unit's texts as another tool left them: lone line break bytes, a
    // Latin-1 letter, 99 bytes each.
    QByteArray comments("lone LF\nlone CR\rpair\r\n\xE9");
    comments += QByteArray(99 - comments.size(), 'c');
    CUserData group;
    group.AddWindow(&window);
    group.Register();
    group.SetName("Old Name");
    group.SetDate({2009, 11, 4});
    group.SetComments(comments);
    group.SetActions(QByteArray(99, 'a'));
    ASSERT_EQ(writeAndWait(group), 1);

    // The dialog: 49 typed lines of "a" and a break fill the actions with 33
    // (99 bytes as sent); the comments are left alone.
    {
        CUserInfoDlg dlg;
        CModalAnswer answer([&](QDialog& d) {
            PumpUntil([&] { return Child<QLineEdit>(d, "nameEdit")->isEnabled(); }, 5000);
            auto* actions = Child<QPlainTextEdit>(d, "actionsEdit");
            actions->selectAll();
            QTest::keyClick(actions, Qt::Key_Delete);
            for (int line = 0; line < 49; ++line) {
                QTest::keyClicks(actions, "a");
                QTest::keyClick(actions, Qt::Key_Return);
            }
            Child<QPushButton>(d, "okButton")->click();
        });
        EXPECT_EQ(dlg.exec(), QDialog::Accepted);
        EXPECT_FALSE(answer.SafetyClosed());
    }
    ASSERT_TRUE(readBack(group));
    QByteArray lines;
    for (int line = 0; line < 33; ++line)
        lines += "a\r\n";
    EXPECT_EQ(group.GetActions(), lines);
    EXPECT_EQ(group.GetComments(), comments) << "written back byte for byte";
    EXPECT_EQ(group.GetName(), QByteArray("Old Name"));
    EXPECT_EQ(writesOfBlock(), 2);

    // Texts the unit could hold but whose block would not fit: not sent.
    group.SetName(QByteArray(99, 'n'));
    group.SetComments(QByteArray(99, 'c'));
    EXPECT_EQ(writeAndWait(group), 0);
    EXPECT_EQ(writesOfBlock(), 2);
    group.Unregister();
}

// The cli commands in this process against the unit: what they print, what
// "user set" writes, and the arguments it refuses.
class CommandTest : public testing::Test {
protected:
    void SetUp() override { RegisterRksComponents(); }
    void TearDown() override { qunsetenv("QORA_RKS_GATEWAY"); }
    void UseGateway(const SimProcess& sim)
    {
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
    }
    static constexpr const char* kConnection = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";
};

TEST_F(CommandTest, SystemPrintsTheOffsetsAndOptions)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    UseGateway(sim);
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunSystemCommand(kConnection), kExitOk);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Frame Number Offset: 7\nTime Slot Offset: 3\nLast Q1 device in the chain: yes\n"
              "External clock output in 1PPS mode: no\n");
}

TEST_F(CommandTest, UserSetWritesAndPrintsWhatTheUnitThenHolds)
{
    SimProcess sim;
    ASSERT_TRUE(sim.Running());
    UseGateway(sim);
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunUserCommand(kConnection, {"set", "Jo", "04/11/2009", "two\nlines", ""}), kExitOk);
    EXPECT_EQ(RunUserCommand(kConnection, {}), kExitOk);
    const std::string expected = "Name: Jo\nDate: 04/11/2009\nComments: two\nlines\nActions: \n";
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected + expected);

    // Beyond the dialog's limits, or no date: refused before connecting.
    EXPECT_EQ(RunUserCommand(kConnection, {"set", std::string(32, 'n'), "-", "", ""}), kExitUsage);
    EXPECT_EQ(RunUserCommand(kConnection, {"set", "Jo", "-", std::string(49, 'c') + "\n" + std::string(49, 'c'), ""}),
              kExitUsage);
    EXPECT_EQ(RunUserCommand(kConnection, {"set", "Jo", "31/02/2009", "", ""}), kExitUsage);
    EXPECT_EQ(RunUserCommand(kConnection, {"set", "Jo"}), kExitUsage);
}

TEST(UserDateArgument, AcceptedForms)
{
    const auto date = [](const char* text) {
        const auto d = ParseUserDateArgument(QString::fromLatin1(text));
        return d ? UserDateText(*d) : QByteArray("none");
    };
    EXPECT_EQ(date("04/11/2009"), QByteArray("2009/11/04"));
    EXPECT_EQ(date("2009-11-04"), QByteArray("2009/11/04"));
    EXPECT_EQ(date("-"), QByteArray("-001/-1/-1"));
    EXPECT_EQ(date("2009/11/4"), QByteArray("none"));
}

} // namespace
