// The "Unit Traffic" window offscreen: the filter, Pause, Clear, Copy, the
// detail pane, and a recording opened read only beside it.

#include "support/PromptRecorder.h"
#include "traffic/TrafficTableModel.h"
#include "traffic/widgets/TrafficWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

STrafficExchange Read(std::uint16_t parameter, std::int64_t timeMs)
{
    STrafficExchange e;
    e.timeMs = timeMs;
    e.req = {0x53, 0x54, 0x01, 0x00, static_cast<std::uint8_t>(parameter >> 8), static_cast<std::uint8_t>(parameter)};
    e.rep = Bytes{0x54, 0x57, 0x01, 0x00, e.req[4], e.req[5], 0x00, 0x00};
    e.rttMs = 9;
    return e;
}

STrafficExchange Failed(std::int64_t timeMs)
{
    STrafficExchange e;
    e.timeMs = timeMs;
    e.req = {0x53, 0x66};
    e.result = 2;
    e.failed = true;
    e.rttMs = 2000;
    return e;
}

class TrafficWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ring.Append(Read(0x9004, 1000));
        ring.Append(Failed(2000));
        ring.Append(Read(0xC001, 3000));
        area.resize(1000, 700);
        area.show();
        window = CTrafficWindow::OpenLive(area, ring);
        window->Model().CatchUp();
    }

    CTrafficRing ring;
    QMdiArea area;
    CTrafficWindow* window = nullptr;
    PromptRecorder prompts;
};

TEST_F(TrafficWindowTest, OpensInsideTheAreaWithTheTraffic)
{
    ASSERT_EQ(area.subWindowList().size(), 1);
    EXPECT_EQ(area.subWindowList()[0]->widget(), window);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Unit Traffic"));
    EXPECT_EQ(window->Table()->model()->rowCount(), 6);
    EXPECT_EQ(window->CountLabel()->text(), QStringLiteral("3 exchanges"));
    EXPECT_TRUE(window->PauseButton()->isVisible());
    EXPECT_TRUE(window->ClearButton()->isVisible());
}

TEST_F(TrafficWindowTest, TypingAFilterNarrowsTheRows)
{
    QTest::keyClicks(window->FilterEdit(), QStringLiteral("gps"));
    EXPECT_EQ(window->Table()->model()->rowCount(), 4); // "GPS status" and "GPS parameters"
    window->FilterEdit()->setText(QStringLiteral("failed"));
    ASSERT_EQ(window->Table()->model()->rowCount(), 2);
    EXPECT_EQ(window->Model().ExchangeAt(0)->req, (Bytes{0x53, 0x66}));
    EXPECT_EQ(window->CountLabel()->text(), QStringLiteral("1 of 3 exchanges"));
    window->FilterEdit()->clear();
    EXPECT_EQ(window->Table()->model()->rowCount(), 6);
}

TEST_F(TrafficWindowTest, PauseHoldsTheTableAndResumeBringsWhatCameMeanwhile)
{
    window->PauseButton()->click();
    EXPECT_TRUE(window->Model().IsPaused());
    EXPECT_EQ(window->CountLabel()->text(), QStringLiteral("3 exchanges, paused"));
    ring.Append(Read(0x9001, 4000));
    window->Model().CatchUp();
    EXPECT_EQ(window->Table()->model()->rowCount(), 6);
    window->PauseButton()->click();
    EXPECT_EQ(window->Table()->model()->rowCount(), 8);
    EXPECT_EQ(window->CountLabel()->text(), QStringLiteral("4 exchanges"));

    window->ClearButton()->click();
    EXPECT_EQ(window->Table()->model()->rowCount(), 0);
    EXPECT_EQ(ring.Size(), 0u);
}

TEST_F(TrafficWindowTest, CopyPutsTheSelectedRowsOnTheClipboardAndTheDetailShowsTheBytes)
{
    QTableView* table = window->Table();
    table->selectRow(2);
    EXPECT_TRUE(window->Detail()->toPlainText().startsWith(QStringLiteral("GPS status\n")));
    EXPECT_TRUE(window->Detail()->toPlainText().contains(QStringLiteral("route none   2 - unit did not answer")));
    EXPECT_TRUE(window->Detail()->toPlainText().contains(QStringLiteral("Request, 2 bytes\n0000  53 66  ")));
    EXPECT_TRUE(window->Detail()->toPlainText().endsWith(QStringLiteral("No reply\n")));
    table->selectionModel()->select(table->model()->index(3, 0),
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    window->CopyButton()->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("Time\tDirection\tRoute\tSummary\tBytes\tResult\tRound Trip\n"
                             "00:00:02.000\t\u2192\t\tGPS status\t2\t\t\n"
                             "00:00:04.000\t\u2190\t\tno reply\t\t2 - unit did not answer\t2000 ms\n"));

    table->selectRow(1);
    EXPECT_TRUE(window->Detail()->toPlainText().contains(
        QStringLiteral("Reply, 8 bytes\n0000  54 57 01 00 90 04 00 00  ")));
    // Ctrl+C in the table copies as the button does.
    QApplication::clipboard()->clear();
    QApplication::setActiveWindow(&area);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&area));
    table->setFocus();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QApplication::clipboard()->text().endsWith(QStringLiteral("\t8\tOK\t9 ms\n")));
}

TEST_F(TrafficWindowTest, ARecordingOpensReadOnlyBesideTheLiveWindowAndADamagedOneSaysWhy)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("site.jsonl"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"kind\":\"transfer\",\"time\":\"2026-12-08T08:41:18.123Z\",\"conn\":null,\"route\":null,"
               "\"req\":\"535401009004\",\"result\":0,\"rep\":\"5457010090040000\",\"rtt_ms\":12,\"failed\":false}\n");
    file.close();
    const QString damaged = dir.filePath(QStringLiteral("damaged.jsonl"));
    QFile::copy(path, damaged);
    QFile more(damaged);
    ASSERT_TRUE(more.open(QIODevice::Append));
    more.write("{\"kind\":\"transfer\",\"req\":\"5\"}\n");
    more.close();

    QString answer = path;
    auto previous = SetFileDialogFunction([&](const FileDialogRequest& request) -> std::optional<QString> {
        EXPECT_FALSE(request.save);
        EXPECT_TRUE(request.filter.startsWith(QStringLiteral("Traffic recordings (*.jsonl)")));
        return answer;
    });
    window->OpenRecordingButton()->click();
    ASSERT_EQ(area.subWindowList().size(), 2);
    auto* recording = qobject_cast<CTrafficWindow*>(area.subWindowList()[1]->widget());
    ASSERT_NE(recording, nullptr);
    EXPECT_EQ(recording->windowTitle(), QStringLiteral("Unit Traffic - site.jsonl"));
    EXPECT_FALSE(recording->Model().IsLive());
    EXPECT_FALSE(recording->PauseButton()->isVisible());
    EXPECT_FALSE(recording->ClearButton()->isVisible());
    EXPECT_EQ(recording->CountLabel()->text(), QStringLiteral("1 exchanges, read only"));
    ASSERT_EQ(recording->Table()->model()->rowCount(), 2);
    EXPECT_EQ(recording->Model().data(recording->Model().index(0, CTrafficTableModel::SummaryColumn)).toString(),
              QStringLiteral("read 0x9004 version block"));
    EXPECT_TRUE(prompts.shown.empty());

    answer = damaged;
    EXPECT_EQ(window->AskAndOpenRecording(), nullptr);
    EXPECT_EQ(area.subWindowList().size(), 2);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("The recording cannot be shown.\n\n")));
    EXPECT_TRUE(prompts.shown[0].text.contains(QStringLiteral("damaged.jsonl: line 2: ")))
        << prompts.shown[0].text.toStdString();

    // Cancelling the dialog opens nothing and says nothing.
    SetFileDialogFunction([](const FileDialogRequest&) -> std::optional<QString> { return std::nullopt; });
    EXPECT_EQ(window->AskAndOpenRecording(), nullptr);
    EXPECT_EQ(prompts.shown.size(), 1u);
    SetFileDialogFunction(std::move(previous));
}

TEST_F(TrafficWindowTest, TheTableFollowsNewRowsUnlessTheEngineerScrolledAwayOrPaused)
{
    QTableView* table = window->Table();
    const auto newestInSight = [&] {
        QApplication::processEvents();
        return table->rowAt(table->viewport()->height() - 2) == table->model()->rowCount() - 1;
    };
    const auto more = [&](int count) {
        for (int n = 0; n < count; ++n)
            ring.Append(Read(0x9004, 10000 + n));
        window->Model().CatchUp();
    };
    window->parentWidget()->resize(700, 400);
    more(300);
    EXPECT_TRUE(newestInSight());

    // A filter keeps following what it lets through.
    window->FilterEdit()->setText(QStringLiteral("version"));
    more(50);
    EXPECT_TRUE(newestInSight()) << "after a filter";
    window->FilterEdit()->clear();
    EXPECT_TRUE(newestInSight()) << "after the filter was cleared";
    // A larger window still shows the newest row at its bottom.
    window->parentWidget()->resize(700, 600);
    EXPECT_TRUE(newestInSight()) << "after a resize";

    // Scrolled up, the table stays where the engineer reads.
    table->verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepSub);
    const int top = table->rowAt(0);
    more(20);
    QApplication::processEvents();
    EXPECT_FALSE(window->IsFollowing());
    EXPECT_EQ(table->rowAt(0), top);
    // Back at the bottom it follows again.
    table->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    more(20);
    EXPECT_TRUE(newestInSight()) << "back at the bottom";
    // Paused, nothing moves; resumed, the newest row comes into sight.
    window->PauseButton()->click();
    more(20);
    window->parentWidget()->resize(700, 500);
    QApplication::processEvents();
    const int pausedTop = table->rowAt(0);
    window->PauseButton()->click();
    EXPECT_TRUE(newestInSight()) << "after Pause";
    EXPECT_NE(table->rowAt(0), pausedTop);
}

TEST_F(TrafficWindowTest, OpensAtTheNewestRowAndF1ShowsItsHelpFromAnyChild)
{
    delete window->parentWidget();
    for (int n = 0; n < 500; ++n)
        ring.Append(Read(0x9004, 10000 + n));
    window = CTrafficWindow::OpenLive(area, ring);
    window->Model().CatchUp();
    QApplication::processEvents();
    QTableView* table = window->Table();
    EXPECT_EQ(table->rowAt(table->viewport()->height() - 2), table->model()->rowCount() - 1);

    int asked = 0;
    window->SetHelp([&asked] { ++asked; });
    QApplication::setActiveWindow(&area);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&area));
    for (QWidget* child : {static_cast<QWidget*>(table), static_cast<QWidget*>(window->FilterEdit()),
                           static_cast<QWidget*>(window->Detail())}) {
        child->setFocus();
        QTest::keyClick(child, Qt::Key_F1);
    }
    EXPECT_EQ(asked, 3);
}

// For people: QORA_SCREENSHOT_DIR=folder keeps a picture of the window over a
// short session with a download under way, a refusal and a lost reply.
TEST_F(TrafficWindowTest, APictureOfASession)
{
    const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "QORA_SCREENSHOT_DIR not set";
    window->ClearButton()->click();
    const std::int64_t t0 = 1796722878101; // 2026-12-08T09:41:18.101Z
    STrafficExchange open;
    open.kind = ETrafficKind::Open;
    open.timeMs = t0;
    open.conn = "WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131";
    open.rttMs = 3;
    ring.Append(open);
    STrafficExchange identity;
    identity.timeMs = t0 + 4;
    identity.route = "wp=opt,pr=q1dl";
    identity.req = {0x03};
    identity.rep = Bytes{'Q', 'O', 'R', 'H', 'W', '2', 0x00};
    identity.rttMs = 6;
    ring.Append(identity);
    ring.Append(Read(0x9004, t0 + 12));
    ring.Append(Read(0xC001, t0 + 30));
    STrafficExchange nak = Read(0xC005, t0 + 45);
    nak.rep = Bytes{0x54, 0xF0};
    nak.failed = true;
    ring.Append(nak);
    ring.Append(Failed(t0 + 60));
    STrafficExchange start;
    start.timeMs = t0 + 2100;
    start.req = {'M', ':', '1', '7', ',', '2', ',', '1', 0x00};
    start.rep = Bytes{'O', 'K', 0x00};
    start.rttMs = 21;
    ring.Append(start);
    for (std::uint16_t block = 1; block <= 12; ++block) {
        STrafficExchange data;
        data.timeMs = t0 + 2130 + block * 7;
        data.route = "wp=opt,pr=q1ad";
        data.req = {0x00, 0x03, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
        for (int i = 0; i < 506; ++i)
            data.req.push_back(static_cast<std::uint8_t>(i * 7 + block));
        data.rep = Bytes{0x00, 0x04, static_cast<std::uint8_t>(block >> 8), static_cast<std::uint8_t>(block)};
        data.rttMs = 6;
        if (block == 9) {
            data.rep.reset();
            data.result = 2;
            data.failed = true;
            data.rttMs = 2000;
        }
        ring.Append(data);
    }
    window->Model().CatchUp();
    window->parentWidget()->resize(980, 640);
    QApplication::processEvents();
    window->Table()->selectRow(8);
    window->Table()->scrollToTop();
    QApplication::processEvents();
    EXPECT_TRUE(window->grab().save(folder + QStringLiteral("/traffic-window.png")));
}

} // namespace
