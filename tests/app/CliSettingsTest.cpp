// "qora-cli settings" against a settings file of the test's own.

#include "support/CliRun.h"

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

CliRun RunCli(const QStringList& arguments, const QString& configHome)
{
    return ::RunCli(arguments, {{QStringLiteral("XDG_CONFIG_HOME"), configHome}});
}

TEST(CliSettings, PrintsWhatTheSettingsFileHoldsAndWhereItIs)
{
    QTemporaryDir home;
    const QString file = home.filePath(QStringLiteral("QORAManager/QORAManager.ini"));
    {
        QSettings settings(file, QSettings::IniFormat);
        settings.beginGroup(QStringLiteral("Settings"));
        settings.setValue(QStringLiteral("IP address"), QStringLiteral("10.1.2.3"));
        settings.setValue(QStringLiteral("Q1 Address"), 44);
        settings.setValue(QStringLiteral("Port Address"), 7100);
        settings.setValue(QStringLiteral("SwDl Packet Size"), QStringLiteral("lots")); // unreadable: default
        settings.setValue(QStringLiteral("Retry_conn_Time"), 30);
        settings.sync();
        ASSERT_EQ(settings.status(), QSettings::NoError);
    }
    const CliRun run = RunCli({QStringLiteral("settings")}, home.path());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("stored in: %1 [Settings]\n"
                                      "IP address: 10.1.2.3\n"
                                      "Q1 Address: 44\n"
                                      "Port Address: 7100\n"
                                      "SwDl Logical Channel: 0 (default)\n"
                                      "SwDl Packet Size: 228 (default)\n"
                                      "Advanced Mode: 0 (default)\n"
                                      "Retry_conn_Time: 30\n"
                                      "local connection: WP=SOCKET,HOST=10.1.2.3,PORT=7100,WP=NEQ1,ADDR=44\n")
                           .arg(file));
}

TEST(CliSettings, WithoutAFileItPrintsTheDefaultsAndRefusesArguments)
{
    QTemporaryDir home;
    CliRun run = RunCli({QStringLiteral("settings")}, home.path());
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[0], QStringLiteral("stored in: %1 [Settings] (nothing stored yet)")
                            .arg(home.filePath(QStringLiteral("QORAManager/QORAManager.ini"))));
    EXPECT_EQ(lines[1], QStringLiteral("IP address: 192.168.255.120 (default)"));
    EXPECT_EQ(lines[8], QStringLiteral("local connection: WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131"));
    EXPECT_FALSE(QDir(home.filePath(QStringLiteral("QORAManager"))).exists()); // looking creates nothing

    run = RunCli({QStringLiteral("settings"), QStringLiteral("extra")}, home.path());
    EXPECT_EQ(run.status, 64);
    EXPECT_TRUE(run.err.startsWith(QStringLiteral("qora-cli: ")));
}

} // namespace
