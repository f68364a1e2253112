// The application settings in a temporary store: defaults, round trip, missing
// and damaged values, and the local connection built from them.

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "app/SettingsSandbox.h"

#include <QDir>
#include <QFile>
#include <QRect>
#include <QStringList>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

const QString kGroup = QStringLiteral("Settings");

const QStringList kStoredNames = {
    QStringLiteral("IP address"),       QStringLiteral("Q1 Address"),    QStringLiteral("Port Address"),
    QStringLiteral("SwDl Logical Channel"), QStringLiteral("SwDl Packet Size"), QStringLiteral("Advanced Mode"),
    QStringLiteral("Retry_conn_Time")};

void ExpectDefaults(const CManagerSettings& settings)
{
    EXPECT_EQ(settings.ipAddress, QStringLiteral("192.168.255.120"));
    EXPECT_EQ(settings.q1Address, 131u);
    EXPECT_EQ(settings.portAddress, 7000u);
    EXPECT_EQ(settings.swdlLogicalChannel, 0u);
    EXPECT_EQ(settings.swdlPacketSize, 228u);
    EXPECT_EQ(settings.advancedMode, 0u);
    EXPECT_EQ(settings.retryConnTime, 60u);
}

void SetOthers(CManagerSettings& settings)
{
    settings.ipAddress = QStringLiteral("10.200.1.1");
    settings.q1Address = 4095;
    settings.portAddress = 7100;
    settings.swdlLogicalChannel = 3;
    settings.swdlPacketSize = 506;
    settings.advancedMode = 1;
    settings.retryConnTime = 0xFFFFFFFFu;
}

TEST(ManagerSettings, WithoutAStoreLoadGivesTheDefaultsAndCreatesNothing)
{
    SettingsSandbox sandbox;
    CManagerSettings settings;
    EXPECT_FALSE(settings.LoadSettings());
    ExpectDefaults(settings);
    EXPECT_TRUE(settings.startupNodeName.isEmpty());
    EXPECT_EQ(settings.saveEnabled, 1u);
    EXPECT_FALSE(sandbox.StoreExists());
    for (const auto& value : settings.StoredValues())
        EXPECT_FALSE(value.loaded) << value.name.toStdString();
}

TEST(ManagerSettings, SaveThenLoadRoundTripsEveryValueUnderItsName)
{
    SettingsSandbox sandbox;
    CManagerSettings saved;
    SetOthers(saved);
    ASSERT_TRUE(saved.SaveSettings());

    auto raw = sandbox.Raw(kGroup);
    QStringList names = raw->childKeys();
    names.sort();
    QStringList expected = kStoredNames;
    expected.sort();
    EXPECT_EQ(names, expected);
    EXPECT_EQ(raw->value(QStringLiteral("IP address")).toString(), QStringLiteral("10.200.1.1"));
    EXPECT_EQ(raw->value(QStringLiteral("Retry_conn_Time")).toString(), QStringLiteral("4294967295"));

    CManagerSettings loaded;
    EXPECT_TRUE(loaded.LoadSettings());
    EXPECT_EQ(loaded.ipAddress, saved.ipAddress);
    EXPECT_EQ(loaded.q1Address, saved.q1Address);
    EXPECT_EQ(loaded.portAddress, saved.portAddress);
    EXPECT_EQ(loaded.swdlLogicalChannel, saved.swdlLogicalChannel);
    EXPECT_EQ(loaded.swdlPacketSize, saved.swdlPacketSize);
    EXPECT_EQ(loaded.advancedMode, saved.advancedMode);
    EXPECT_EQ(loaded.retryConnTime, saved.retryConnTime);

    const auto values = loaded.StoredValues();
    ASSERT_EQ(values.size(), 7u);
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i].name, kStoredNames[static_cast<qsizetype>(i)]);
        EXPECT_TRUE(values[i].loaded);
    }
}

TEST(ManagerSettings, EachMissingValueKeepsItsDefaultAndMakesLoadFail)
{
    for (const QString& missing : kStoredNames) {
        SettingsSandbox sandbox;
        CManagerSettings saved;
        SetOthers(saved);
        ASSERT_TRUE(saved.SaveSettings());
        sandbox.Raw(kGroup)->remove(missing);

        CManagerSettings loaded;
        EXPECT_FALSE(loaded.LoadSettings()) << missing.toStdString();
        for (const auto& value : loaded.StoredValues()) {
            EXPECT_EQ(value.loaded, value.name != missing) << value.name.toStdString();
            if (value.name == missing) {
                const CManagerSettings defaults;
                const auto defaultValues = defaults.StoredValues();
                const auto it = std::find_if(defaultValues.begin(), defaultValues.end(),
                                             [&](const auto& d) { return d.name == missing; });
                EXPECT_EQ(value.text, it->text);
            }
        }
    }
}

TEST(ManagerSettings, ValuesOfTheWrongTypeOrSizeGiveTheDefaults)
{
    SettingsSandbox sandbox;
    sandbox.Plant(kGroup, QStringLiteral("IP address"), QByteArray("\x0a\x00\x00\x01", 4));
    sandbox.Plant(kGroup, QStringLiteral("Q1 Address"), QStringLiteral("one hundred"));
    sandbox.Plant(kGroup, QStringLiteral("Port Address"), QStringLiteral("4294967296")); // 33 bits
    sandbox.Plant(kGroup, QStringLiteral("SwDl Logical Channel"), QStringList{QStringLiteral("1"), QStringLiteral("2")});
    sandbox.Plant(kGroup, QStringLiteral("SwDl Packet Size"), QRect(1, 2, 3, 4));
    sandbox.Plant(kGroup, QStringLiteral("Advanced Mode"), QStringLiteral("1.5"));
    sandbox.Plant(kGroup, QStringLiteral("Retry_conn_Time"), true);

    CManagerSettings settings;
    EXPECT_FALSE(settings.LoadSettings());
    ExpectDefaults(settings);
}

TEST(ManagerSettings, AnUnreadableOrGarbledStoreGivesTheDefaultsWithoutACrash)
{
    {
        SettingsSandbox sandbox; // the store's file is a folder: can be neither read nor written
        ASSERT_TRUE(QDir().mkpath(sandbox.IniPath()));
        CManagerSettings settings;
        SetOthers(settings);
        EXPECT_FALSE(settings.SaveSettings());
        CManagerSettings loaded;
        EXPECT_FALSE(loaded.LoadSettings());
        ExpectDefaults(loaded);
    }
    {
        SettingsSandbox sandbox;
        QFile file(sandbox.IniPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray garbage;
        for (int i = 0; i < 4096; ++i)
            garbage.append(static_cast<char>((i * 7919) & 0xFF));
        file.write("[Settings]\nQ1%20Address=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x3\n");
        file.write(garbage);
        file.close();
        CManagerSettings loaded;
        EXPECT_FALSE(loaded.LoadSettings());
        EXPECT_EQ(loaded.q1Address, 131u);
    }
}

TEST(ManagerSettings, SavingDisabledWritesNothing)
{
    SettingsSandbox sandbox;
    CManagerSettings settings;
    settings.saveEnabled = 0;
    SetOthers(settings);
    EXPECT_TRUE(settings.SaveSettings());
    EXPECT_FALSE(sandbox.StoreExists());
}

TEST(ManagerSettings, LongIpAddressIsCutToTheReadLimit)
{
    SettingsSandbox sandbox;
    sandbox.Plant(kGroup, QStringLiteral("IP address"), QString(500, QLatin1Char('9')));
    CManagerSettings settings;
    settings.LoadSettings();
    EXPECT_EQ(settings.ipAddress, QString(199, QLatin1Char('9')));
}

TEST(ManagerSettings, LocalConnectionStringComesFromTheStoredSettings)
{
    SettingsSandbox sandbox;
    EXPECT_EQ(BuildLocalConnectionString(ReadLocalConnectionSettings()),
              QStringLiteral("WP=SOCKET,HOST=192.168.255.120,PORT=7000,WP=NEQ1,ADDR=131"));

    CManagerSettings saved;
    saved.ipAddress = QStringLiteral("172.16.4.2");
    saved.q1Address = 12;
    saved.portAddress = 7010;
    ASSERT_TRUE(saved.SaveSettings());
    EXPECT_EQ(BuildLocalConnectionString(ReadLocalConnectionSettings()),
              QStringLiteral("WP=SOCKET,HOST=172.16.4.2,PORT=7010,WP=NEQ1,ADDR=12"));
    CManagerSettings loaded;
    loaded.LoadSettings();
    EXPECT_EQ(BuildLocalConnectionString(loaded), QStringLiteral("WP=SOCKET,HOST=172.16.4.2,PORT=7010,WP=NEQ1,ADDR=12"));
    EXPECT_EQ(UnitAddressText(BuildLocalConnectionString(loaded)), QStringLiteral("12"));
}

} // namespace
