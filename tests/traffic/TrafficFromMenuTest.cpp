// The unit traffic from the main window's menus, against the simulated unit
// through the real link: View > Unit Traffic shows what went over it, and
// File > Record Unit Traffic... writes a recording that reads back.

#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/SableCommApp.h"
#include "app/main/TrafficCommands.h"
#include "app/shell/SplashWnd.h"
#include "data/version/widgets/VersionInfoDlg.h"
#include "support/EventLoop.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"
#include "traffic/ExchangeDecoder.h"
#include "traffic/RecordingReader.h"
#include "traffic/TrafficSession.h"
#include "traffic/TrafficTableModel.h"
#include "traffic/widgets/TrafficWindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString ProgramPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/QORAManager");
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList Summaries(const CTrafficTableModel& model)
{
    QStringList summaries;
    for (int row = 0; row < model.rowCount(); row += 2)
        summaries << model.data(model.index(row, CTrafficTableModel::SummaryColumn)).toString();
    return summaries;
}

class TrafficFromMenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(app.InitInstance(ProgramPath(), {QStringLiteral("/Embedding")}));
        frame = app.MainFrame();
        previousDialog = SetFileDialogFunction([this](const FileDialogRequest& request) -> std::optional<QString> {
            asked.push_back(request);
            return answer;
        });
    }
    void TearDown() override
    {
        SetFileDialogFunction(std::move(previousDialog));
        CSplashWnd::HideSplashScreen();
        qunsetenv("QORA_RKS_GATEWAY");
    }

    void Connect(SimProcess& sim)
    {
        ASSERT_TRUE(sim.Running());
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim.Port()).toLatin1());
        frame->RunCommand(ID_LOCAL_CONNECTION);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Connected; }, 8000));
    }
    void Disconnect()
    {
        frame->RunCommand(ID_DISCONNECT);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Disconnected; }, 8000));
        // The driver reports the CLOSE from its own thread.
        ASSERT_TRUE(PumpUntil([&] {
            const auto last = app.Traffic().Ring().At(app.Traffic().Ring().Size() - 1);
            return last && last->kind == ETrafficKind::Close;
        }, 8000));
    }
    // The serial number "Version Information" shows once it has read the unit.
    QString ReadSerialNumber()
    {
        QString serial;
        CModalAnswer answer([&](QDialog& dialog) {
            auto* version = qobject_cast<CVersionInfoDlg*>(&dialog);
            PumpUntil([&] { return !dialog.isVisible() || (version && !version->FieldText("serialNumber").isEmpty()); },
                      8000);
            if (version && dialog.isVisible())
                serial = version->FieldText("serialNumber");
            dialog.accept();
        }, 15000);
        frame->RunCommand(ID_VERSION_INFORMATION);
        EXPECT_FALSE(answer.SafetyClosed());
        return serial;
    }
    void ConnectToTheSimulatedUnit(SimProcess& sim)
    {
        Connect(sim);
        frame->RunCommand(ID_COMMISSION_MODE);
        ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Commission; }, 8000));
    }

    SettingsSandbox sandbox;
    PromptRecorder prompts;
    QTemporaryDir folder;
    CSableCommApp app;
    CMainFrame* frame = nullptr;
    FileDialogFunction previousDialog;
    std::vector<FileDialogRequest> asked;
    std::optional<QString> answer;
};

TEST_F(TrafficFromMenuTest, ViewUnitTrafficOpensTheWindowOnceAndBringsItBack)
{
    EXPECT_TRUE(frame->Menu(QStringLiteral("View"))->actions().contains(frame->Action(ID_VIEW_UNIT_TRAFFIC)));
    EXPECT_TRUE(frame->Menu(QStringLiteral("File"))->actions().contains(frame->Action(ID_RECORD_UNIT_TRAFFIC)));
    EXPECT_TRUE(frame->Action(ID_VIEW_UNIT_TRAFFIC)->isEnabled());
    EXPECT_TRUE(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isEnabled());
    EXPECT_TRUE(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isCheckable());
    EXPECT_FALSE(frame->Action(ID_VIEW_UNIT_TRAFFIC)->isCheckable());

    EXPECT_EQ(app.TrafficCommands()->Window(), nullptr);
    frame->Action(ID_VIEW_UNIT_TRAFFIC)->trigger();
    CTrafficWindow* window = app.TrafficCommands()->Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(frame->MdiArea()->activeSubWindow()->widget(), window);
    EXPECT_TRUE(window->Model().IsLive());

    // Again: the same window, brought back from minimized.
    frame->MdiArea()->activeSubWindow()->showMinimized();
    frame->RunCommand(ID_VIEW_UNIT_TRAFFIC);
    EXPECT_EQ(app.TrafficCommands()->Window(), window);
    EXPECT_FALSE(window->parentWidget()->isMinimized());

    // Closed, it goes; the next use opens a new one where the last one was.
    window->parentWidget()->setGeometry(40, 30, 700, 420);
    window->parentWidget()->close();
    ASSERT_TRUE(PumpUntil([&] { return app.TrafficCommands()->Window() == nullptr; }));
    frame->RunCommand(ID_VIEW_UNIT_TRAFFIC);
    ASSERT_NE(app.TrafficCommands()->Window(), nullptr);
    EXPECT_EQ(app.TrafficCommands()->Window()->parentWidget()->geometry(), QRect(40, 30, 700, 420));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(TrafficFromMenuTest, TheWindowShowsTheExchangesWithTheSimulatedUnit)
{
    frame->RunCommand(ID_VIEW_UNIT_TRAFFIC);
    CTrafficWindow* window = app.TrafficCommands()->Window();
    ASSERT_NE(window, nullptr);
    SimProcess sim;
    ConnectToTheSimulatedUnit(sim);
    frame->RunCommand(ID_GPS_STATUS);
    frame->RunCommand(ID_INSTALLATION_STATUS);

    // The window catches up on its own timer.
    const CTrafficTableModel& model = window->Model();
    ASSERT_TRUE(PumpUntil([&] {
        const QStringList summaries = Summaries(model);
        return summaries.contains(QStringLiteral("GPS status")) && summaries.contains(QStringLiteral("installation status"));
    }, 8000))
        << Summaries(model).join(QLatin1Char('\n')).toStdString();
    const QStringList summaries = Summaries(model);
    ASSERT_FALSE(summaries.isEmpty());
    EXPECT_TRUE(summaries[0].startsWith(QStringLiteral("open WP=SOCKET,HOST=192.168.255.120,PORT=7000,")))
        << summaries[0].toStdString();
    EXPECT_TRUE(summaries.contains(QStringLiteral("identity query")));
    EXPECT_TRUE(summaries.contains(QStringLiteral("installation status")));
    const int gps = static_cast<int>(summaries.indexOf(QStringLiteral("GPS status")));
    EXPECT_EQ(model.data(model.index(2 * gps + 1, CTrafficTableModel::ResultColumn)).toString(), QStringLiteral("OK"));
    EXPECT_GT(model.data(model.index(2 * gps + 1, CTrafficTableModel::BytesColumn)).toInt(), 2);
    // Every row decodes as the decoder names the exchange it came from.
    for (int row = 0; row < model.rowCount(); row += 2) {
        const auto exchange = model.ExchangeAt(row);
        ASSERT_TRUE(exchange);
        if (exchange->kind == ETrafficKind::Transfer) {
            EXPECT_EQ(summaries[row / 2], DescribeRequest(exchange->req, exchange->route));
        }
        EXPECT_FALSE(exchange->failed) << summaries[row / 2].toStdString();
    }
    EXPECT_TRUE(prompts.shown.empty());
    // For people: QORA_SCREENSHOT_DIR=folder keeps a picture of the window.
    if (const QString folder = qEnvironmentVariable("QORA_SCREENSHOT_DIR"); !folder.isEmpty()) {
        window->parentWidget()->resize(900, 560);
        window->Table()->selectRow(2 * gps + 1);
        PumpFor(50);
        window->grab().save(folder + QStringLiteral("/traffic-window-live.png"));
    }
}

TEST_F(TrafficFromMenuTest, RecordUnitTrafficWritesARecordingThatReadsBack)
{
    const QString path = folder.filePath(QStringLiteral("site.jsonl"));
    answer = path;
    frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].save);
    EXPECT_EQ(asked[0].filter, QStringLiteral("Traffic recordings (*.jsonl)"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^QORA-traffic-\\d{8}-\\d{6}\\.jsonl$"))
                    .match(QFileInfo(asked[0].initialPath).fileName())
                    .hasMatch())
        << asked[0].initialPath.toStdString();
    EXPECT_TRUE(app.Traffic().IsRecording());
    EXPECT_TRUE(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isChecked());
    QLabel* pane = app.TrafficCommands()->RecordingPane();
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->text(), QStringLiteral("REC traffic"));
    EXPECT_EQ(pane->toolTip(), QStringLiteral("Recording unit traffic to ") + QDir::toNativeSeparators(path));

    SimProcess sim;
    ConnectToTheSimulatedUnit(sim);
    frame->RunCommand(ID_DISCONNECT);
    ASSERT_TRUE(PumpUntil([&] { return frame->Controller().ConnectionState() == ConnectionState::Disconnected; }, 8000));
    // The driver reports the CLOSE from its own thread.
    ASSERT_TRUE(PumpUntil([&] {
        const auto last = app.Traffic().Ring().At(app.Traffic().Ring().Size() - 1);
        return last && last->kind == ETrafficKind::Close;
    }, 8000));

    frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
    EXPECT_EQ(asked.size(), 1u); // stopping asks nothing
    EXPECT_FALSE(app.Traffic().IsRecording());
    EXPECT_FALSE(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isChecked());
    EXPECT_FALSE(pane->isVisible());

    QString error;
    const auto recording = ReadRecordingFile(path, error);
    ASSERT_TRUE(recording) << error.toStdString();
    ASSERT_GE(recording->size(), 3u);
    EXPECT_EQ(recording->front().kind, ETrafficKind::Open);
    EXPECT_EQ(recording->back().kind, ETrafficKind::Close);
    // The same exchanges the ring holds, byte for byte.
    const std::vector<STrafficExchange> ring = app.Traffic().Ring().Snapshot();
    ASSERT_EQ(ring.size(), recording->size());
    for (std::size_t i = 0; i < ring.size(); ++i) {
        EXPECT_EQ((*recording)[i].req, ring[i].req);
        EXPECT_EQ((*recording)[i].rep, ring[i].rep);
        EXPECT_EQ((*recording)[i].timeMs, ring[i].timeMs);
    }
    EXPECT_TRUE(prompts.shown.empty());

    // Cancelling the dialog starts nothing, and the entry the menu ticked
    // on the click is unticked again.
    answer.reset();
    frame->Action(ID_RECORD_UNIT_TRAFFIC)->trigger();
    EXPECT_FALSE(app.Traffic().IsRecording());
    EXPECT_FALSE(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isChecked());
    // The next dialog starts in the folder used last.
    EXPECT_EQ(QFileInfo(asked.back().initialPath).absolutePath(), QFileInfo(path).absolutePath());
}

TEST_F(TrafficFromMenuTest, ARecordingThatCannotStartOrStopsWritingSaysWhy)
{
    answer = folder.filePath(QStringLiteral("missing/site.jsonl"));
    frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("The unit traffic cannot be recorded.\n\n")));
    EXPECT_TRUE(prompts.shown[0].text.contains(*answer)) << prompts.shown[0].text.toStdString();
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
    EXPECT_FALSE(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isChecked());

    // A device that is always full: the first line fails, the recording
    // stops and the engineer hears of it instead of a check mark that lies.
    answer = QStringLiteral("/dev/full");
    frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
    ASSERT_TRUE(app.Traffic().IsRecording());
    const std::string connection = "WP=SOCKET,HOST=127.0.0.1,PORT=1,WP=NEQ1,ADDR=131";
    SLinkExchange open;
    open.kind = SLinkExchange::Kind::Open;
    open.connection = &connection;
    app.Traffic().Observer()->OnLinkExchange(open);
    ASSERT_TRUE(PumpUntil([&] { return prompts.shown.size() == 2; }, 5000));
    EXPECT_TRUE(prompts.shown[1].text.startsWith(QStringLiteral("Recording the unit traffic to /dev/full has stopped.")))
        << prompts.shown[1].text.toStdString();
    EXPECT_FALSE(app.Traffic().IsRecording());
    EXPECT_FALSE(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isChecked());
    EXPECT_FALSE(app.TrafficCommands()->RecordingPane()->isVisible());
    // The ring kept the exchange all the same.
    EXPECT_EQ(app.Traffic().Ring().Size(), 1u);
}

TEST_F(TrafficFromMenuTest, ARecordingStartedWhileConnectedReplaysThroughTheSimulator)
{
    const QString path = folder.filePath(QStringLiteral("mid-connection.jsonl"));
    {
        SimProcess sim;
        Connect(sim);
        answer = path;
        frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
        ASSERT_TRUE(app.Traffic().IsRecording());
        EXPECT_EQ(ReadSerialNumber(), QStringLiteral("QSIM131"));
        Disconnect();
        frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
        ASSERT_FALSE(app.Traffic().IsRecording());
    }

    // It begins with the connection's OPEN and the identity answer as they
    // happened before it started, marked as carried over.
    QString error;
    const auto recording = ReadRecordingFile(path, error);
    ASSERT_TRUE(recording) << error.toStdString();
    const std::vector<STrafficExchange> ring = app.Traffic().Ring().Snapshot();
    ASSERT_GE(recording->size(), 4u);
    ASSERT_GE(ring.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        STrafficExchange before = ring[i];
        before.carriedOver = true;
        EXPECT_EQ((*recording)[i], before) << "line " << i + 1;
    }
    EXPECT_EQ((*recording)[0].kind, ETrafficKind::Open);
    EXPECT_EQ((*recording)[1].route, std::optional<std::string>("wp=opt,pr=q1dl"));
    EXPECT_FALSE((*recording)[2].carriedOver);
    EXPECT_EQ(recording->back().kind, ETrafficKind::Close);

    // The simulator plays it back: the program connects and reads the same.
    SimProcess replay({QStringLiteral("--replay"), path});
    Connect(replay);
    EXPECT_EQ(ReadSerialNumber(), QStringLiteral("QSIM131"));
    EXPECT_TRUE(prompts.shown.empty()) << prompts.shown.front().text.toStdString();
}

TEST_F(TrafficFromMenuTest, AnExistingRecordingIsReplacedOrAppendedToAsTheEngineerChooses)
{
    const QString path = folder.filePath(QStringLiteral("site.jsonl"));
    STrafficExchange old;
    old.req = {0x53, 0x01};
    old.rep = std::vector<std::uint8_t>{0x54, 0x02};
    const QByteArray oldLine = QByteArray::fromStdString(FormatRecordingLine(old));
    const std::vector<std::uint8_t> request{0x53, 0x54, 0x01, 0x00, 0x90, 0x04};
    SLinkExchange seen;
    seen.request = request;

    const struct {
        MsgAnswer answer;
        bool recording;
        qsizetype oldLines; // the old line's copies the file ends up with
        qsizetype lines;
    } cases[] = {
        {MsgAnswer::Yes, true, 0, 1}, // "Replace"
        {MsgAnswer::No, true, 1, 2},  // "Append"
        {MsgAnswer::Cancel, false, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.answer));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(oldLine);
        file.close();
        PromptRecorder question(c.answer);
        answer = path;
        frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
        // The save dialog leaves the question to the program, which names
        // its answers.
        EXPECT_FALSE(asked.back().confirmOverwrite);
        ASSERT_EQ(question.shown.size(), 1u);
        EXPECT_TRUE(question.shown[0].text.startsWith(QDir::toNativeSeparators(path) + QStringLiteral(" already exists.")));
        EXPECT_EQ(question.shown[0].buttons, MsgButtons::YesNoCancel);
        EXPECT_EQ(question.shown[0].buttonNames,
                  (std::vector<std::pair<MsgAnswer, QString>>{{MsgAnswer::Yes, QStringLiteral("&Replace")},
                                                              {MsgAnswer::No, QStringLiteral("&Append")}}));
        EXPECT_EQ(app.Traffic().IsRecording(), c.recording);
        EXPECT_EQ(frame->Action(ID_RECORD_UNIT_TRAFFIC)->isChecked(), c.recording);
        if (c.recording) {
            app.Traffic().Observer()->OnLinkExchange(seen);
            frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
        }
        const QByteArray bytes = FileBytes(path);
        EXPECT_EQ(bytes.count('\n'), c.lines) << bytes.toStdString();
        EXPECT_EQ(bytes.count(oldLine), c.oldLines) << bytes.toStdString();
        EXPECT_EQ(bytes.startsWith(oldLine), c.oldLines > 0);
    }

    // An empty file or none is simply written: nothing to ask about.
    PromptRecorder question(MsgAnswer::Cancel);
    answer = folder.filePath(QStringLiteral("new.jsonl"));
    frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
    EXPECT_TRUE(question.shown.empty());
    EXPECT_TRUE(app.Traffic().IsRecording());
    frame->RunCommand(ID_RECORD_UNIT_TRAFFIC);
}

} // namespace
