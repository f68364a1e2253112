// Window titles as the window manager and task bar read them. Under a real X
// server (Xvfb) the program's windows are probed with xprop: _NET_WM_NAME and
// WM_NAME must be exactly the titles the program sets, with nothing appended.
// The test starts Xvfb and runs this same executable again as the probe, on
// the xcb platform; offscreen it checks what Qt hands to the platform window.

#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"
#include "app/frame/widgets/MainFrame.h"
#include "app/main/ApplicationIdentity.h"
#include "commissioning/procedure/widgets/CommFinishDlg.h"
#include "platform/UserPrompts.h"
#include "platform/widgets/WidgetPrompts.h"
#include "support/EventLoop.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <map>

namespace {

constexpr char kProbeVariable[] = "QORA_WINDOW_TITLE_PROBE";
const QString kAppTitle = QStringLiteral("Tavra QORA Manager");
const QString kLocalTitle = QStringLiteral("Tavra QORA Manager - Local (192.168.255.120)");
const QString kRemoteTitle = QStringLiteral("Tavra QORA Manager - Remote (QORA-131)");

// The window's name properties as xprop prints them: name -> text.
std::map<QString, QString> NameProperties(WId window)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window), QStringLiteral("_NET_WM_NAME"), QStringLiteral("WM_NAME")});
    std::map<QString, QString> names;
    if (!xprop.waitForFinished(10000))
        return names;
    static const QRegularExpression line(QStringLiteral(R"re(^(\w+)\([^)]*\) = "(.*)"$)re"));
    for (const QString& text : QString::fromUtf8(xprop.readAllStandardOutput()).split(u'\n')) {
        const QRegularExpressionMatch match = line.match(text);
        if (match.hasMatch())
            names[match.captured(1)] = match.captured(2);
    }
    return names;
}

// Both names once the X server has them (they are sent as the event loop runs).
::testing::AssertionResult NamedExactly(WId window, const QString& title)
{
    std::map<QString, QString> names;
    const bool ok = PumpUntil(
        [&] {
            names = NameProperties(window);
            return names[QStringLiteral("_NET_WM_NAME")] == title &&
                   (!names.count(QStringLiteral("WM_NAME")) || names[QStringLiteral("WM_NAME")] == title);
        },
        5000);
    if (ok)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected \"" << title.toStdString() << "\", the X server has _NET_WM_NAME \""
                                         << names[QStringLiteral("_NET_WM_NAME")].toStdString() << "\", WM_NAME \""
                                         << names[QStringLiteral("WM_NAME")].toStdString() << "\"";
}

// Xvfb on a display it picks itself, for the life of the object.
class VirtualXServer {
public:
    explicit VirtualXServer(const QString& program)
    {
        process_.start(program, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                 QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                 QStringLiteral("tcp")});
        QByteArray out;
        while (!out.contains('\n') && process_.waitForReadyRead(15000))
            out += process_.readAllStandardOutput();
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (ok)
            display_ = QStringLiteral(":%1").arg(number);
    }
    ~VirtualXServer()
    {
        process_.terminate();
        if (!process_.waitForFinished(5000))
            process_.kill();
        process_.waitForFinished(5000);
    }

    [[nodiscard]] const QString& Display() const { return display_; }
    [[nodiscard]] QString Errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

private:
    QProcess process_;
    QString display_;
};

TEST(WindowTitle, WhatQtHandsToThePlatformWindowIsTheTitleItself)
{
    SetApplicationIdentity();
    SettingsSandbox sandbox;
    CManagerSettings settings;
    CMainFrame frame(settings);
    frame.show();
    ASSERT_NE(frame.windowHandle(), nullptr);
    for (const QString& title : {kLocalTitle, kRemoteTitle, kAppTitle}) {
        frame.SetFrameTitle(title);
        EXPECT_EQ(frame.windowHandle()->title(), title);
    }
    // The platform appends a set display name to every title that does not
    // already end with it; the program sets none.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

TEST(WindowTitle, TheWindowManagerReadsTheTitlesUnderAnXServer)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty() || QStandardPaths::findExecutable(QStringLiteral("xprop")).isEmpty())
        GTEST_SKIP() << "needs Xvfb and xprop (packages xvfb and x11-utils, see scripts/install-deps.sh)";
    VirtualXServer server(xvfb);
    ASSERT_FALSE(server.Display().isEmpty()) << server.Errors().toStdString();

    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), server.Display());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QString::fromLatin1(kProbeVariable), QStringLiteral("1"));
    // Under the leak checker: the xcb platform's session bus connection
    // (libdbus) keeps a buffer to the end of the process; that is the
    // system's, not ours, and only it is excused.
    QTemporaryFile leaks;
    ASSERT_TRUE(leaks.open());
    leaks.write("leak:libdbus-1.so\n");
    leaks.flush();
    environment.insert(QStringLiteral("LSAN_OPTIONS"),
                       QStringLiteral("suppressions=%1:print_suppressions=0").arg(leaks.fileName()));
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=WindowTitleProbe.*")});
    ASSERT_TRUE(probe.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(probe.readAll());
    EXPECT_EQ(probe.exitCode(), 0) << output.toStdString();
    // It ran, rather than skipped.
    EXPECT_TRUE(output.contains(QStringLiteral("[  PASSED  ] 1 test"))) << output.toStdString();
}

// Run by the test above under Xvfb; it exists only in that process, so
// that test listings and runs never see it.
class WindowTitleProbe : public testing::Test {
public:
    void TestBody() override;
};

void WindowTitleProbe::TestBody()
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    SetApplicationIdentity();
    InstallWidgetPrompts();
    SettingsSandbox sandbox;
    CManagerSettings settings;
    CMainFrame frame(settings);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    EXPECT_TRUE(NamedExactly(frame.winId(), kAppTitle));
    frame.SetFrameTitle(kLocalTitle);
    EXPECT_TRUE(NamedExactly(frame.winId(), kLocalTitle));
    frame.SetFrameTitle(kRemoteTitle);
    EXPECT_TRUE(NamedExactly(frame.winId(), kRemoteTitle));

    // The commissioning confirmation, captioned with a part of the application's title.
    CCommFinishDlg dialog(&frame);
    ASSERT_EQ(dialog.windowTitle(), QStringLiteral("QORA Manager"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_TRUE(NamedExactly(dialog.winId(), QStringLiteral("QORA Manager")));
    dialog.hide();

    // A message box without a caption of its own: the application's title.
    bool boxNamed = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box || !box->isVisible())
            return;
        poll.stop();
        boxNamed = static_cast<bool>(NamedExactly(box->winId(), kAppTitle));
        box->close();
    });
    poll.start();
    QTimer::singleShot(20000, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            box->close();
    });
    ShowMessageBox(QStringLiteral("Probe"), MsgIcon::Information);
    EXPECT_TRUE(boxNamed);
}

[[maybe_unused]] const bool kProbeRegistered = [] {
    if (qEnvironmentVariableIsSet(kProbeVariable))
        testing::RegisterTest("WindowTitleProbe", "EveryWindowCarriesItsTitleUnchanged", nullptr, nullptr, __FILE__,
                              __LINE__, []() -> testing::Test* { return new WindowTitleProbe; });
    return true;
}();

} // namespace
