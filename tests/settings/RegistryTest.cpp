// The registry-style store: keys, typed values, the read limits, and object
// values in their archive form.

#include "app/SettingsSandbox.h"
#include "settings/ArchiveForm.h"
#include "settings/Registry.h"

#include <QRect>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

const QString kKey = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");
const QString kGroup = QStringLiteral("Settings/Coordinates");

QByteArray Bytes(std::initializer_list<int> bytes)
{
    QByteArray out;
    for (const int byte : bytes)
        out.append(static_cast<char>(byte));
    return out;
}

TEST(Registry, KeysMustExistToBeOpenedUnlessCreated)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    EXPECT_FALSE(registry.OpenKeyForRead(RegRoot::CurrentUser, kKey));
    EXPECT_EQ(registry.LastResult(), RegResult::NotFound);
    EXPECT_FALSE(registry.OpenKey(RegRoot::CurrentUser, kKey));
    EXPECT_FALSE(registry.OpenKeyForWrite(RegRoot::CurrentUser, kKey));
    EXPECT_FALSE(registry.WriteDword(QStringLiteral("x"), 1));
    EXPECT_EQ(registry.LastResult(), RegResult::NotOpen);

    ASSERT_TRUE(registry.CreateKey(RegRoot::CurrentUser, kKey));
    EXPECT_EQ(registry.LastPath(), kKey);
    EXPECT_TRUE(registry.WriteDword(QStringLiteral("x"), 1));
    EXPECT_TRUE(registry.CloseKey());
    EXPECT_TRUE(sandbox.StoreExists());

    ASSERT_TRUE(registry.OpenKeyForRead(RegRoot::CurrentUser, kKey));
    EXPECT_FALSE(registry.WriteDword(QStringLiteral("x"), 2)); // read access only
    EXPECT_EQ(registry.LastResult(), RegResult::AccessDenied);
    std::uint32_t value = 0;
    EXPECT_TRUE(registry.ReadDword(QStringLiteral("x"), value));
    EXPECT_EQ(value, 1u);
    registry.CloseKey();

    // The parent key exists through its subkey; the machine's keys are apart.
    EXPECT_TRUE(registry.OpenKeyForRead(RegRoot::CurrentUser, QStringLiteral("Software\\QORAManager\\Settings")));
    EXPECT_FALSE(registry.OpenKeyForRead(RegRoot::LocalMachine, kKey));
}

TEST(Registry, FailedReadsLeaveTheOutputAndSayWhy)
{
    SettingsSandbox sandbox;
    sandbox.Plant(kGroup, QStringLiteral("text"), QStringLiteral("abc"));
    sandbox.Plant(kGroup, QStringLiteral("rect"), QRect(1, 2, 3, 4));
    sandbox.Plant(kGroup, QStringLiteral("big"), QStringLiteral("4294967296"));
    sandbox.Plant(kGroup, QStringLiteral("bytes"), Bytes({1, 0, 5, 0, 0, 0}));
    sandbox.Plant(kGroup, QStringLiteral("list"), QStringList{QStringLiteral("a"), QStringLiteral("b")});

    CRegistry registry;
    ASSERT_TRUE(registry.OpenKeyForRead(RegRoot::CurrentUser, kKey));
    const struct {
        const char* name;
        RegResult dword, string, object;
    } rows[] = {
        {"missing", RegResult::NotFound, RegResult::NotFound, RegResult::NotFound},
        {"text", RegResult::WrongType, RegResult::Success, RegResult::WrongType},
        {"rect", RegResult::WrongType, RegResult::WrongType, RegResult::WrongType},
        {"big", RegResult::TooLarge, RegResult::Success, RegResult::WrongType},
        {"bytes", RegResult::WrongType, RegResult::WrongType, RegResult::Success},
        {"list", RegResult::WrongType, RegResult::WrongType, RegResult::WrongType},
    };
    for (const auto& row : rows) {
        const QString name = QLatin1String(row.name);
        std::uint32_t dword = 77;
        EXPECT_EQ(registry.ReadDword(name, dword), row.dword == RegResult::Success) << row.name;
        EXPECT_EQ(registry.LastResult(), row.dword) << row.name;
        if (row.dword != RegResult::Success) {
            EXPECT_EQ(dword, 77u) << row.name;
        }

        QString string = QStringLiteral("kept");
        EXPECT_EQ(registry.ReadString(name, string), row.string == RegResult::Success) << row.name;
        EXPECT_EQ(registry.LastResult(), row.string) << row.name;
        if (row.string != RegResult::Success) {
            EXPECT_EQ(string, QStringLiteral("kept")) << row.name;
        }

        std::vector<std::uint32_t> object{9, 9};
        EXPECT_EQ(registry.ReadObject(name, object), row.object == RegResult::Success) << row.name;
        EXPECT_EQ(registry.LastResult(), row.object) << row.name;
        if (row.object != RegResult::Success) {
            EXPECT_EQ(object, (std::vector<std::uint32_t>{9, 9})) << row.name;
        }
    }
}

TEST(Registry, DwordsKeepAll32BitsAndReadSignedText)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    ASSERT_TRUE(registry.CreateKey(RegRoot::CurrentUser, kKey));
    EXPECT_TRUE(registry.WriteDword(QStringLiteral("max"), 0xFFFFFFFFu));
    EXPECT_TRUE(registry.WriteDword(QStringLiteral("high"), 0x80000000u));
    EXPECT_EQ(registry.LastType(), RegType::Dword);
    EXPECT_EQ(registry.LastSize(), 4u);
    ASSERT_TRUE(registry.CloseKey());
    sandbox.Plant(kGroup, QStringLiteral("negative"), QStringLiteral("-5"));
    sandbox.Plant(kGroup, QStringLiteral("lowest"), QStringLiteral("-2147483649"));

    ASSERT_TRUE(registry.OpenKeyForRead(RegRoot::CurrentUser, kKey));
    std::uint32_t value = 0;
    EXPECT_TRUE(registry.ReadDword(QStringLiteral("max"), value));
    EXPECT_EQ(value, 0xFFFFFFFFu);
    EXPECT_TRUE(registry.ReadDword(QStringLiteral("high"), value));
    EXPECT_EQ(value, 0x80000000u);
    EXPECT_TRUE(registry.ReadDword(QStringLiteral("negative"), value));
    EXPECT_EQ(value, 0xFFFFFFFBu);
    EXPECT_FALSE(registry.ReadDword(QStringLiteral("lowest"), value));
    EXPECT_EQ(registry.LastResult(), RegResult::TooLarge);
}

TEST(Registry, StringsAreReadUpToTheFirstNulAndCutAtTheReadLimit)
{
    SettingsSandbox sandbox;
    const QString twoByteChars(150, QChar(0x00E9)); // 300 bytes in UTF-8
    sandbox.Plant(kGroup, QStringLiteral("long"), QString(300, QLatin1Char('a')));
    sandbox.Plant(kGroup, QStringLiteral("wide"), twoByteChars);
    sandbox.Plant(kGroup, QStringLiteral("fits"), QString(199, QLatin1Char('b')));
    sandbox.Plant(kGroup, QStringLiteral("nul"), QStringLiteral("abc") + QChar(0) + QStringLiteral("def"));

    CRegistry registry;
    ASSERT_TRUE(registry.OpenKeyForRead(RegRoot::CurrentUser, kKey));
    QString text;
    EXPECT_TRUE(registry.ReadString(QStringLiteral("long"), text));
    EXPECT_EQ(text, QString(199, QLatin1Char('a')));
    EXPECT_EQ(registry.LastSize(), 200u);
    EXPECT_TRUE(registry.ReadString(QStringLiteral("wide"), text));
    EXPECT_EQ(text, QString(99, QChar(0x00E9))); // 198 bytes: the 100th character would not fit whole
    EXPECT_TRUE(registry.ReadString(QStringLiteral("fits"), text));
    EXPECT_EQ(text.size(), 199);
    EXPECT_TRUE(registry.ReadString(QStringLiteral("nul"), text));
    EXPECT_EQ(text, QStringLiteral("abc"));
}

TEST(Registry, ObjectValuesAreStoredInTheArchiveForm)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    const std::vector<std::uint32_t> widths{70, 80, 0x12345678u};
    ASSERT_TRUE(registry.SaveObject(kKey, QStringLiteral("GPSStatusWnd columns"), widths));
    EXPECT_EQ(registry.LastType(), RegType::Binary);
    EXPECT_EQ(sandbox.Raw(kGroup)->value(QStringLiteral("GPSStatusWnd columns")).toByteArray(),
              Bytes({0x03, 0x00, 70, 0, 0, 0, 80, 0, 0, 0, 0x78, 0x56, 0x34, 0x12}));

    std::vector<std::uint32_t> loaded{1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(registry.LoadObject(kKey, QStringLiteral("GPSStatusWnd columns"), loaded));
    EXPECT_EQ(loaded, widths);

    // An empty array, and one that starts empty (as a view's does) and takes the stored elements.
    ASSERT_TRUE(registry.SaveObject(kKey, QStringLiteral("empty"), {}));
    EXPECT_EQ(sandbox.Raw(kGroup)->value(QStringLiteral("empty")).toByteArray(), Bytes({0, 0}));
    EXPECT_TRUE(registry.LoadObject(kKey, QStringLiteral("empty"), loaded));
    EXPECT_TRUE(loaded.empty());
    EXPECT_TRUE(registry.LoadObject(kKey, QStringLiteral("GPSStatusWnd columns"), loaded));
    EXPECT_EQ(loaded, widths);

    EXPECT_FALSE(registry.LoadObject(kKey, QStringLiteral("missing"), loaded));
    EXPECT_EQ(loaded, widths);
}

TEST(Registry, ObjectValuesBeyondTheLimitOrCutShortAreIgnored)
{
    SettingsSandbox sandbox;
    CRegistry registry;
    // 1023 elements take 4094 bytes and are kept; 1024 would take 4098.
    ASSERT_TRUE(registry.SaveObject(kKey, QStringLiteral("largest"), std::vector<std::uint32_t>(1023, 7)));
    EXPECT_FALSE(registry.SaveObject(kKey, QStringLiteral("too large"), std::vector<std::uint32_t>(1024, 7)));
    EXPECT_EQ(registry.LastResult(), RegResult::TooLarge);
    EXPECT_FALSE(sandbox.Raw(kGroup)->contains(QStringLiteral("too large")));

    sandbox.Plant(kGroup, QStringLiteral("oversized"), DwordArrayToArchive(std::vector<std::uint32_t>(1024, 7)));
    sandbox.Plant(kGroup, QStringLiteral("short"), Bytes({5, 0, 1, 0, 0, 0, 2, 0, 0, 0}));
    sandbox.Plant(kGroup, QStringLiteral("one byte"), Bytes({1}));

    std::vector<std::uint32_t> object{70};
    EXPECT_TRUE(registry.LoadObject(kKey, QStringLiteral("largest"), object));
    EXPECT_EQ(object.size(), 1023u);
    object = {70};
    EXPECT_FALSE(registry.LoadObject(kKey, QStringLiteral("oversized"), object));
    EXPECT_EQ(registry.LastResult(), RegResult::TooLarge);
    EXPECT_FALSE(registry.LoadObject(kKey, QStringLiteral("short"), object));
    EXPECT_EQ(registry.LastResult(), RegResult::Malformed);
    EXPECT_FALSE(registry.LoadObject(kKey, QStringLiteral("one byte"), object));
    EXPECT_EQ(object, std::vector<std::uint32_t>{70});
}

TEST(ArchiveForm, ReadsTheLongCountFormAndIgnoresTrailingBytes)
{
    EXPECT_EQ(DwordArrayFromArchive(Bytes({0xFF, 0xFF, 2, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0, 0})),
              (std::vector<std::uint32_t>{1, 2}));
    EXPECT_EQ(DwordArrayFromArchive(Bytes({1, 0, 9, 0, 0, 0, 0xAA})), std::vector<std::uint32_t>{9});
    EXPECT_FALSE(DwordArrayFromArchive(Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF})));
    EXPECT_FALSE(DwordArrayFromArchive(Bytes({0xFF, 0xFF, 2, 0})));
    EXPECT_FALSE(DwordArrayFromArchive(QByteArray()));
    const std::vector<std::uint32_t> many(0x10000, 3);
    const QByteArray longForm = DwordArrayToArchive(many);
    EXPECT_EQ(longForm.left(6), Bytes({0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}));
    EXPECT_EQ(DwordArrayFromArchive(longForm), many);
}

TEST(Registry, MachineKeysAreKeptApartFromTheUsers)
{
    SettingsSandbox sandbox;
    const QString key = QStringLiteral("SOFTWARE\\Tavra\\2G_Managers");
    CRegistry machine;
    ASSERT_TRUE(machine.CreateKey(RegRoot::LocalMachine, key));
    EXPECT_TRUE(machine.WriteString(QStringLiteral("Access Levels"), QStringLiteral("On")));
    EXPECT_EQ(machine.LastSize(), 3u);
    ASSERT_TRUE(machine.CloseKey());

    CRegistry registry;
    EXPECT_FALSE(registry.OpenKeyForRead(RegRoot::CurrentUser, key));
    ASSERT_TRUE(registry.OpenKeyForRead(RegRoot::LocalMachine, key));
    QString text;
    EXPECT_TRUE(registry.ReadString(QStringLiteral("Access Levels"), text));
    EXPECT_EQ(text, QStringLiteral("On"));
    EXPECT_TRUE(CRegistry::Location(RegRoot::LocalMachine, key).startsWith(sandbox.Folder() + QStringLiteral("/system/")));
}

} // namespace
