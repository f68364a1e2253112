#include "app/access/AccessControlSettings.h"
#include "app/access/UserAccessControl.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

// A directory that answers from a table and records the group queries it gets
// as "local|server|account" or "global|server|account".
class FakeDirectory final : public IAccountDirectory {
public:
    std::optional<QString> computer = QStringLiteral("PC-17");
    std::optional<QString> qualified = QStringLiteral("FIELD\\alice");
    // Answers by query; a query not listed succeeds with no groups.
    std::map<QString, std::optional<QStringList>> answers;
    QStringList* calls = nullptr;

    std::optional<QString> ComputerName() override { return computer; }
    std::optional<QString> QualifiedAccountName() override { return qualified; }
    std::optional<QStringList> LocalGroups(const QString& server, const QString& account) override
    {
        return Answer(QStringLiteral("local|%1|%2").arg(server, account));
    }
    std::optional<QStringList> GlobalGroups(const QString& server, const QString& account) override
    {
        return Answer(QStringLiteral("global|%1|%2").arg(server, account));
    }

private:
    std::optional<QStringList> Answer(const QString& query)
    {
        calls->append(query);
        const auto it = answers.find(query);
        return it == answers.end() ? std::optional<QStringList>(QStringList()) : it->second;
    }
};

const QString kQuery1 = QStringLiteral("local|PC-17|FIELD\\alice");
const QString kQuery2 = QStringLiteral("global|PC-17|FIELD\\alice");
const QString kQuery3 = QStringLiteral("local|FIELD|alice");
const QString kQuery4 = QStringLiteral("global|FIELD|alice");
const QStringList kAdmins{QStringLiteral("Users"), QStringLiteral("Tavra BTS_Admins")};

// Points the switch at a new file with this text (each test file is written
// once, so no cached copy can get in the way).
void UseSwitchFile(const QTemporaryDir& dir, const QByteArray& text)
{
    static int serial = 0;
    const QString path = dir.filePath(QStringLiteral("switch%1.conf").arg(++serial));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    SetAccessControlSettingsFile(path);
}

class AccessLevel : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        auto fake = std::make_unique<FakeDirectory>();
        fake->calls = &calls;
        fake_ = fake.get();
        access_.SetAccountDirectory(std::move(fake));
    }
    void TearDown() override { SetAccessControlSettingsFile(QString()); }
    void SwitchOn() { UseSwitchFile(dir_, "Access Levels=On\n"); }

    QTemporaryDir dir_;
    QStringList calls;
    FakeDirectory* fake_ = nullptr;
    CUserAccessControl access_;
};

TEST_F(AccessLevel, SwitchIsOnOnlyForTheWordOn)
{
    // As an administrator writes the file by hand: blanks around, any case.
    for (const char* text : {"Access Levels=On\n", "[General]\nAccess Levels = \" on \"\n",
                             "Access Levels=\"\toN \"\n", "Access%20Levels=ON\n"}) {
        UseSwitchFile(dir_, text);
        EXPECT_TRUE(CUserAccessControl::IsSwitchedOn()) << text;
    }
    // As a program writes it.
    const QString path = dir_.filePath(QStringLiteral("written.conf"));
    QSettings(path, QSettings::IniFormat).setValue(QLatin1String(kAccessLevelsValueName), QStringLiteral(" on "));
    SetAccessControlSettingsFile(path);
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly);
    EXPECT_EQ(calls.size(), 4);
}

TEST_F(AccessLevel, AnythingButOnLeavesFullControlWithoutAskingTheDirectory)
{
    const char* texts[] = {
        "Access Levels=Yes\n",
        "Access Levels=Off\n",
        "Access Levels=\n",
        "Access Levels=\"   \"\n",
        "Access Levels=On.\n",
        "Access Levels=On, Off\n",          // a list, not text
        "Access Levels=@ByteArray(On)\n",   // binary, not text
        "[Other]\nAccess Levels=On\n",      // not the machine-wide value
        "AccessLevels=On\n",
        "",
    };
    for (const char* text : texts) {
        UseSwitchFile(dir_, text);
        EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl) << text;
    }
    // No file at all, and a folder where the file should be.
    SetAccessControlSettingsFile(dir_.filePath(QStringLiteral("missing.conf")));
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl);
    SetAccessControlSettingsFile(dir_.path());
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl);

    EXPECT_TRUE(calls.isEmpty());
    EXPECT_FALSE(access_.QualifiedName().has_value());
}

TEST_F(AccessLevel, QueriesRunInOrderAndStopAtTheFirstThatFindsTheGroup)
{
    SwitchOn();
    const QStringList all{kQuery1, kQuery2, kQuery3, kQuery4};
    for (int found = 0; found < 4; ++found) {
        calls.clear();
        fake_->answers.clear();
        fake_->answers[all[found]] = kAdmins;
        EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl) << found;
        EXPECT_EQ(calls, all.mid(0, found + 1));
    }
    calls.clear();
    fake_->answers.clear();
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly);
    EXPECT_EQ(calls, all);

    EXPECT_EQ(access_.Domain(), QStringLiteral("FIELD"));
    EXPECT_EQ(access_.UserName(), QStringLiteral("alice"));
    EXPECT_EQ(access_.ComputerName(), QStringLiteral("PC-17"));
    EXPECT_EQ(access_.QualifiedName(), QStringLiteral("FIELD\\alice"));
}

TEST_F(AccessLevel, FailingQueriesCountAsNotFound)
{
    SwitchOn();
    fake_->answers[kQuery1] = std::nullopt;
    fake_->answers[kQuery2] = std::nullopt;
    fake_->answers[kQuery3] = std::nullopt;
    fake_->answers[kQuery4] = kAdmins;
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl);
    EXPECT_EQ(calls.size(), 4);

    fake_->answers[kQuery4] = std::nullopt;
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly);
}

TEST_F(AccessLevel, GroupNameMustMatchExactly)
{
    SwitchOn();
    const QStringList nearMisses{
        QStringLiteral("tavra bts_admins"), QStringLiteral("TAVRA BTS_ADMINS"), QStringLiteral("Tavra BTS_admins"),
        QStringLiteral("Tavra BTS_Admins "), QStringLiteral(" Tavra BTS_Admins"), QStringLiteral("Tavra BTS_Admin"),
        QStringLiteral("Tavra BTS_Admins2"), QStringLiteral("FIELD\\Tavra BTS_Admins"),
        // Look-alikes that a best-fit conversion to a narrow code page would fold
        // into the real name: fullwidth T, Cyrillic a.
        QString::fromUtf8("\xEF\xBC\xB4" "avra BTS_Admins"), QString::fromUtf8("T\xD0\xB0vra BTS_Admins")};
    for (const QString& group : nearMisses) {
        fake_->answers[kQuery1] = QStringList{group};
        EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly) << group.toStdString();
    }
    fake_->answers[kQuery1] = QStringList{QStringLiteral("Tavra BTS_Admins")};
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl);
}

TEST_F(AccessLevel, UnusableAccountNames)
{
    SwitchOn();
    // No qualified name, or an empty one: Read Only without any group query.
    fake_->qualified = std::nullopt;
    fake_->answers[QStringLiteral("local|PC-17|")] = kAdmins;
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly);
    fake_->qualified = QString();
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly);
    EXPECT_TRUE(calls.isEmpty());

    // No backslash: the computer is asked about the name, no domain is.
    fake_->qualified = QStringLiteral("alice");
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly);
    EXPECT_EQ(calls, (QStringList{QStringLiteral("local|PC-17|alice"), QStringLiteral("global|PC-17|alice")}));
    EXPECT_EQ(access_.Domain(), QString());
    EXPECT_EQ(access_.UserName(), QStringLiteral("alice"));
    fake_->answers[QStringLiteral("global|PC-17|alice")] = kAdmins;
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl);

    // Split at the first backslash only.
    calls.clear();
    fake_->qualified = QStringLiteral("FIELD\\ops\\alice");
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessReadOnly);
    EXPECT_EQ(calls.last(), QStringLiteral("global|FIELD|ops\\alice"));

    // Without a computer name the computer's queries go to the empty server.
    calls.clear();
    fake_->computer = std::nullopt;
    fake_->qualified = QStringLiteral("FIELD\\alice");
    fake_->answers[QStringLiteral("local||FIELD\\alice")] = kAdmins;
    EXPECT_EQ(access_.DetermineAccessLevel(), kAccessFullControl);
    EXPECT_EQ(calls, QStringList{QStringLiteral("local||FIELD\\alice")});
}

TEST(AccessLevelText, StatusBarText)
{
    EXPECT_EQ(AccessLevelStatusText(kAccessFullControl), QStringLiteral("Access Level: Full Control"));
    EXPECT_EQ(AccessLevelStatusText(kAccessReadOnly), QStringLiteral("Access Level: Read Only"));
    EXPECT_EQ(AccessLevelStatusText(7), QStringLiteral("Access Level: Read Only"));
}

} // namespace
