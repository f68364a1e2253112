#pragma once
// The whole program, offscreen, against a simulated unit that misbehaves on
// purpose: the fixture every fault test shares. It starts the unit with the
// faults of a test (and a trace, a state file and a firmware folder), the
// program as the engineer would run it, connects from the menu, and tells
// what the engineer would see afterwards: the messages, the connection, the
// commands on offer, any dialog still open.

#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/SableCommApp.h"
#include "app/main/StatusWindows.h"
#include "app/shell/SplashWnd.h"
#include "data/version/widgets/VersionInfoDlg.h"
#include "link/CommHandler.h"
#include "platform/StringTable.h"
#include "platform/TimerScale.h"
#include "platform/UserPrompts.h"
#include "support/EventLoop.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"
#include "support/SimProcess.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace faults {

// The program's periods run fifty times faster: the 5 s status refresh takes
// 100 ms, the 10 s watchdog 200 ms, the reconnection wait of N s N * 20 ms.
inline constexpr double kTimerScale = 0.02;

inline const QString kBareTitle = QStringLiteral("Tavra QORA Manager");

// The message of a failed, refused or lost connection, as the user reads it.
inline const QString kCannotConnect = QStringLiteral(
    "Can't create a connection to the target device.\n\nCheck that the required cable is properly connected,\n"
    "communication parameters are correctly set and the\ntarget device is powered on then try again.");

// The connection commands on offer, in a fixed order, as one text.
inline QString ConnectionMenus(CMainFrame& frame)
{
    frame.CommandStateChanged();
    const std::pair<int, const char*> commands[] = {
        {ID_LOCAL_CONNECTION, "Local"},     {ID_REMOTE_CONNECTION, "Remote"}, {ID_COMMISSION_MODE, "Commission"},
        {ID_DISCONNECT, "Disconnect"},      {ID_SW_DOWNLOAD, "Download"},     {ID_RESET_QORA, "Reset"},
        {ID_GPS_PARAMETERS, "GpsParameters"}, {ID_VERSION_INFORMATION, "Version"}};
    QStringList enabled;
    for (const auto& [id, name] : commands)
        if (frame.Action(id)->isEnabled())
            enabled << QString::fromLatin1(name);
    return enabled.join(QLatin1Char(' '));
}

inline const QString kMenusDisconnected = QStringLiteral("Local Remote");
inline const QString kMenusConnected = QStringLiteral("Commission Disconnect Download Version");
inline const QString kMenusCommissionMode = QStringLiteral("Disconnect Download Reset GpsParameters Version");

// Class names of the dialogs still on screen (the modeless connecting one too).
inline QStringList OpenDialogs()
{
    QStringList open;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && qobject_cast<QDialog*>(widget))
            open << QString::fromLatin1(widget->metaObject()->className());
    return open;
}

// One JSON object per line of the unit's trace.
inline std::vector<QJsonObject> TraceLines(const QString& path)
{
    std::vector<QJsonObject> lines;
    QFile trace(path);
    if (!trace.open(QIODevice::ReadOnly))
        return lines;
    while (!trace.atEnd())
        lines.push_back(QJsonDocument::fromJson(trace.readLine()).object());
    return lines;
}

inline QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class FaultRig : public testing::Test {
protected:
    FaultRig() : prompts(MsgAnswer::Yes) {}

    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        SetTimerScale(kTimerScale);
        qunsetenv("QORA_RKS_GATEWAY");
        qunsetenv("QORA_RKS_DIRECTORY");
    }
    void TearDown() override
    {
        CSplashWnd::HideSplashScreen();
        SetTimerScale(1.0);
        qunsetenv("QORA_RKS_GATEWAY");
        qunsetenv("QORA_RKS_DIRECTORY");
    }

    [[nodiscard]] QString TracePath() const { return folder.filePath(QStringLiteral("trace.jsonl")); }
    [[nodiscard]] QString StatePath() const { return folder.filePath(QStringLiteral("state.json")); }
    [[nodiscard]] QString FirmwareDir() const { return folder.filePath(QStringLiteral("unit")); }

    // Starts (or restarts, on `port` when it is not 0) the unit with these faults.
    void StartUnit(const QStringList& faults, quint16 port = 0)
    {
        QStringList arguments{QStringLiteral("--trace"), TracePath(), QStringLiteral("--state"), StatePath(),
                              QStringLiteral("--firmware-dir"), FirmwareDir()};
        if (port != 0)
            arguments << QStringLiteral("--listen") << QStringLiteral("127.0.0.1:%1").arg(port);
        sim = std::make_unique<SimProcess>(arguments + faults);
        ASSERT_TRUE(sim->Running());
    }
    void StopUnit() { sim->Kill(); }
    // The same unit, faults gone, back on the port the program knows.
    void RestartUnitWithout()
    {
        const quint16 port = sim->Port();
        sim.reset();
        StartUnit({}, port);
    }

    void StartProgram()
    {
        ASSERT_TRUE(app.InitInstance(QCoreApplication::applicationDirPath() + QStringLiteral("/QORAManager"),
                                     {QStringLiteral("/Embedding")}));
        frame = app.MainFrame();
        ASSERT_NE(frame, nullptr);
        CSplashWnd::HideSplashScreen();
    }

    // "&Local Connection" through the unit as the gateway; `state` is the frame's state waited for.
    bool ConnectLocally(ConnectionState state = ConnectionState::Connected, int ms = 8000)
    {
        qputenv("QORA_RKS_GATEWAY", QStringLiteral("127.0.0.1:%1").arg(sim->Port()).toLatin1());
        frame->RunCommand(ID_LOCAL_CONNECTION);
        return PumpUntil([&] { return State() == state; }, ms);
    }
    // "Remote &Connection..." to the node "QORA-131" of a directory whose
    // connection string gives the link a transfer timeout of `timeoutMs`.
    bool ConnectRemotely(int timeoutMs, ConnectionState state = ConnectionState::Connected, int ms = 8000)
    {
        const QString directory = folder.filePath(QStringLiteral("nodes.json"));
        QFile file(directory);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral(R"({"version":1,"nodes":[{"name":"QORA-131","kind":1,)"
                                  R"("connection":"WP=SOCKET,HOST=127.0.0.1,PORT=%1,WP=NEQ1,ADDR=131,TMO=%2"}]})")
                       .arg(sim->Port())
                       .arg(timeoutMs)
                       .toLatin1());
        file.close();
        qputenv("QORA_RKS_DIRECTORY", directory.toLocal8Bit());
        app.Settings().startupNodeName = QStringLiteral("QORA-131"); // resolved without the browser's window
        frame->RunCommand(ID_REMOTE_CONNECTION);
        return PumpUntil([&] { return State() == state; }, ms);
    }
    bool EnterCommissionMode()
    {
        frame->RunCommand(ID_COMMISSION_MODE);
        return PumpUntil([&] { return State() == ConnectionState::Commission; }, 8000);
    }

    [[nodiscard]] ConnectionState State() const { return frame->Controller().ConnectionState(); }
    [[nodiscard]] ConnectionState HandlerState() const { return frame->Controller().Handler().GetState(); }
    [[nodiscard]] QString Menus() const { return ConnectionMenus(*frame); }

    // The texts of the message boxes shown so far.
    [[nodiscard]] QStringList Messages() const
    {
        QStringList texts;
        for (const MessageBoxRequest& shown : prompts.shown)
            texts << shown.text;
        return texts;
    }

    // Runs a command whose modal dialog reads from the unit. `filled` tells
    // when the dialog shows what it read; `then` acts on a filled dialog (by
    // default OK). Returns whether it was filled; a dialog that closed itself
    // (after a reading problem) was not.
    bool RunReadingDialog(int command, const std::function<bool(QDialog&)>& filled,
                          const std::function<void(QDialog&)>& then = [](QDialog& dialog) { dialog.accept(); })
    {
        bool wasFilled = false;
        CModalAnswer answer([&](QDialog& dialog) {
            wasFilled = PumpUntil([&] { return !dialog.isVisible() || filled(dialog); }, 8000) && dialog.isVisible();
            if (wasFilled)
                then(dialog);
        }, 15000);
        frame->RunCommand(command);
        // A dialog whose read fails at once may close before it is seen.
        EXPECT_FALSE(answer.SafetyClosed());
        return wasFilled;
    }

    // "Version Information": whether it showed the unit's serial number.
    bool ReadVersion()
    {
        return RunReadingDialog(ID_VERSION_INFORMATION, [](QDialog& dialog) {
            auto* version = qobject_cast<CVersionInfoDlg*>(&dialog);
            return version && version->FieldText("serialNumber") == QStringLiteral("QSIM131");
        });
    }

    SettingsSandbox sandbox;
    PromptRecorder prompts; // answers Yes to questions (the reset), OK otherwise
    QTemporaryDir folder;
    std::unique_ptr<SimProcess> sim;
    CSableCommApp app;
    CMainFrame* frame = nullptr;
};

} // namespace faults
