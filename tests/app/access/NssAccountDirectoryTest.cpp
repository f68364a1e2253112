#include "app/access/AccessControlSettings.h"
#include "app/access/NssAccountDirectory.h"
#include "app/access/UserAccessControl.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

namespace {

QString PrimaryGroupName()
{
    const group* entry = getgrgid(getgid());
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

TEST(NssAccountDirectory, CurrentAccountAndItsGroups)
{
    CNssAccountDirectory directory;
    const auto computer = directory.ComputerName();
    ASSERT_TRUE(computer && !computer->isEmpty());
    EXPECT_FALSE(computer->contains(QLatin1Char('.')));

    const auto qualified = directory.QualifiedAccountName();
    ASSERT_TRUE(qualified && !qualified->isEmpty());
    const qsizetype slash = qualified->indexOf(QLatin1Char('\\'));
    ASSERT_GT(slash, 0) << qualified->toStdString();
    const QString domain = qualified->left(slash);
    const QString user = qualified->mid(slash + 1);
    const passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    EXPECT_TRUE(QString::fromLocal8Bit(me->pw_name).contains(user));

    const QString primary = PrimaryGroupName();
    ASSERT_FALSE(primary.isEmpty());
    // The four queries as the access level makes them.
    const auto local = directory.LocalGroups(*computer, *qualified);
    ASSERT_TRUE(local.has_value());
    EXPECT_TRUE(local->contains(primary)) << local->join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(directory.GlobalGroups(*computer, *qualified), QStringList{primary});
    const auto onDomain = directory.LocalGroups(domain, user);
    ASSERT_TRUE(onDomain.has_value());
    EXPECT_EQ(*onDomain, *local);
    EXPECT_EQ(directory.GlobalGroups(domain, user), QStringList{primary});
}

TEST(NssAccountDirectory, AccountsItCannotFindFail)
{
    CNssAccountDirectory directory;
    const QString computer = directory.ComputerName().value_or(QString());
    const passwd* me = getpwuid(geteuid());
    ASSERT_NE(me, nullptr);
    const QString user = QString::fromLocal8Bit(me->pw_name);

    EXPECT_FALSE(directory.LocalGroups(computer, QStringLiteral("NOSUCHDOMAIN\\qora-no-such-user")));
    EXPECT_FALSE(directory.GlobalGroups(QString(), QStringLiteral("qora-no-such-user")));
    EXPECT_FALSE(directory.LocalGroups(computer, computer + QLatin1Char('\\')));
    // A user of another domain is not the local account of the same name.
    EXPECT_FALSE(directory.LocalGroups(computer, QStringLiteral("QORA-OTHER-DOMAIN\\") + user));
    EXPECT_FALSE(directory.GlobalGroups(QStringLiteral("QORA-OTHER-DOMAIN"), user));
    // This computer's own accounts are found with or without its name.
    EXPECT_TRUE(directory.GlobalGroups(QString(), user));
    EXPECT_TRUE(directory.GlobalGroups(computer.toLower(), user));
}

TEST(NssAccountDirectory, DecidesTheLevelOfTheCurrentUser)
{
    if (getgrnam("Tavra BTS_Admins") != nullptr)
        GTEST_SKIP() << "this machine has the administrators' group";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("2G_Managers.conf"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("Access Levels=On\n");
    file.close();
    SetAccessControlSettingsFile(path);
    CUserAccessControl access;
    EXPECT_EQ(access.DetermineAccessLevel(), kAccessReadOnly);
    EXPECT_EQ(access.ComputerName(), CNssAccountDirectory().ComputerName());
    EXPECT_FALSE(access.UserName().value_or(QString()).isEmpty());
    SetAccessControlSettingsFile(QString());
}

} // namespace
