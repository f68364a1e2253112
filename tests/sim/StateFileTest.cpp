// The state file: values survive a restart; a damaged file changes nothing
// and is not overwritten.

#include "sim/GatewayDispatcher.h"
#include "sim/LinkFrames.h"
#include "sim/StateFile.h"
#include "sim/TestCatalog.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace simtest;
using sim::CStateFile;

namespace {

class SimStateFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // A freshly started simulator's units.
    static std::unique_ptr<sim::CUnitRegistry> Units()
    {
        auto registry = std::make_unique<sim::CUnitRegistry>();
        registry->Add({QHostAddress(QStringLiteral("192.168.255.120")), 131}, TestCatalog());
        registry->Add({QHostAddress(QStringLiteral("10.0.0.2")), 5}, TestCatalog());
        return registry;
    }

    static Bytes ValueOf(const sim::CUnitRegistry& registry, std::size_t unit, std::uint16_t id)
    {
        const auto v = registry.Units()[unit]->Model().Value(id);
        return Bytes(v.begin(), v.end());
    }

    void WriteFile(const QByteArray& content) const
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

    [[nodiscard]] QByteArray FileContent() const
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("units.json"));
};

} // namespace

TEST_F(SimStateFile, WrittenValuesSurviveARestart)
{
    {
        auto registry = Units();
        CStateFile state(path);
        QString error;
        EXPECT_EQ(state.Load(*registry, error), CStateFile::LoadResult::Missing);
        sim::CGatewayDispatcher dispatcher(*registry, {}, nullptr, &state);
        sim::SessionState session;
        Bytes out;
        dispatcher.Handle(session, OpenBody(1, "ADDR=5"), out);
        dispatcher.Handle(session, TransferBody(2, {0x53, 0x53, 0xC0, 0x05, 4, 0xDE, 0xAD, 0xBE, 0xEF}), out);
        dispatcher.Handle(session, TransferBody(3, {0x53, 0x53, 0x90, 0x02, 5, 'h', 'e', 'l', 'l', 'o'}), out);
        EXPECT_TRUE(dispatcher.SaveIfDirty());
    }
    // Nothing but the state file itself is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("units.json")});
    // Only written values are kept: 0xB002's default is one a write may not
    // set, and must not make the file unloadable.
    const QJsonArray units = QJsonDocument::fromJson(FileContent()).object().value(QLatin1String("units")).toArray();
    ASSERT_EQ(units.size(), 2);
    EXPECT_TRUE(units[0].toObject().value(QLatin1String("parameters")).toObject().isEmpty());
    EXPECT_EQ(units[1].toObject().value(QLatin1String("parameters")).toObject().keys(),
              (QStringList{QStringLiteral("9002"), QStringLiteral("c005")}));

    auto restarted = Units();
    CStateFile state(path);
    QString error;
    ASSERT_EQ(state.Load(*restarted, error), CStateFile::LoadResult::Loaded) << error.toStdString();
    EXPECT_EQ(ValueOf(*restarted, 1, 0xC005), (Bytes{0xDE, 0xAD, 0xBE, 0xEF}));
    EXPECT_EQ(ValueOf(*restarted, 1, 0x9002), (Bytes{'h', 'e', 'l', 'l', 'o'}));
    // The other unit kept its defaults.
    EXPECT_EQ(ValueOf(*restarted, 0, 0xC005), (Bytes{0x00, 0x0A, 0x0D, 0xD4}));
}

TEST_F(SimStateFile, DamagedFilesChangeNothingAndStayUntouched)
{
    const QByteArray good = R"({"format":"qora-unit-sim-state","version":1,"units":[)"
                            R"({"unit":"10.0.0.2:5","parameters":{"c005":"01020304"}}]})";
    const std::vector<std::pair<const char*, QByteArray>> cases = {
        {"truncated", good.left(good.size() - 7)},
        {"empty", QByteArray()},
        {"binary", QByteArray("\x00\xff\x13\x37", 4)},
        {"not an object", "[1,2,3]"},
        {"someone else's file", R"({"format":"other","version":1,"units":[]})"},
        {"future version", R"({"format":"qora-unit-sim-state","version":2,"units":[]})"},
        {"no unit list", R"({"format":"qora-unit-sim-state","version":1})"},
        {"bad unit key", R"({"format":"qora-unit-sim-state","version":1,"units":[{"unit":"x","parameters":{}}]})"},
        {"odd hex", QByteArray(good).replace("01020304", "0102030")},
        {"not hex", QByteArray(good).replace("01020304", "0102030g")},
        {"wrong length", QByteArray(good).replace("01020304", "010203")},
        {"value the unit refuses",
         QByteArray(good).replace(R"("c005":"01020304")", R"("c005":"01020304","b002":"0001")")},
    };
    for (const auto& [what, content] : cases) {
        SCOPED_TRACE(what);
        // A good value for the first unit next to the damage: all or nothing.
        WriteFile(content);
        auto registry = Units();
        CStateFile state(path);
        QString error;
        EXPECT_EQ(state.Load(*registry, error), CStateFile::LoadResult::Bad);
        EXPECT_TRUE(error.contains(path));
        EXPECT_EQ(ValueOf(*registry, 1, 0xC005), (Bytes{0x00, 0x0A, 0x0D, 0xD4}));
        EXPECT_EQ(FileContent(), content);
    }
}

TEST_F(SimStateFile, ForeignEntriesAreKeptAndUnknownParametersIgnored)
{
    WriteFile(R"({"format":"qora-unit-sim-state","version":1,"units":[)"
              R"({"unit":"10.0.0.9:1","parameters":{"c005":"aabbccdd"}},)"
              R"({"unit":"10.0.0.2:5","parameters":{"c005":"01020304","9004":"00","7777":"ff"}}]})");
    auto registry = Units();
    CStateFile state(path);
    QString error;
    ASSERT_EQ(state.Load(*registry, error), CStateFile::LoadResult::Loaded) << error.toStdString();
    EXPECT_EQ(ValueOf(*registry, 1, 0xC005), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(ValueOf(*registry, 1, 0x9004).size(), 164u) << "read-only values are not taken from the file";

    ASSERT_TRUE(state.Save(*registry, error));
    const QJsonArray units = QJsonDocument::fromJson(FileContent()).object().value(QLatin1String("units")).toArray();
    QStringList names;
    for (const QJsonValue& u : units)
        names << u.toObject().value(QLatin1String("unit")).toString();
    EXPECT_EQ(names, (QStringList{QStringLiteral("192.168.255.120:131"), QStringLiteral("10.0.0.2:5"),
                                  QStringLiteral("10.0.0.9:1")}));
}

TEST_F(SimStateFile, FailedSaveStillAnswersAndIsRetried)
{
    const QString blocked = dir.filePath(QStringLiteral("missing-folder/units.json"));
    auto registry = Units();
    CStateFile state(blocked);
    sim::CGatewayDispatcher dispatcher(*registry, {}, nullptr, &state);
    sim::SessionState session;
    Bytes out;
    dispatcher.Handle(session, OpenBody(1), out);
    out.clear();
    dispatcher.Handle(session, TransferBody(2, {0x53, 0x53, 0xC0, 0x05, 4, 1, 2, 3, 4}), out);
    const auto reply = TakeReply(out);
    ASSERT_TRUE(reply.has_value());
    EXPECT_EQ(reply->bytes, (Bytes{0x54, 0x56, 0xC0, 0x05, 0}));
    EXPECT_FALSE(dispatcher.SaveIfDirty());

    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("missing-folder")));
    EXPECT_TRUE(dispatcher.SaveIfDirty());
    EXPECT_TRUE(QFile::exists(blocked));
}

TEST_F(SimStateFile, FirmwareBanksSurviveARestart)
{
    {
        auto registry = Units();
        CStateFile state(path);
        QString error;
        sim::CGatewayDispatcher dispatcher(*registry, {}, nullptr, &state);
        sim::SessionState session;
        Bytes out;
        dispatcher.Handle(session, OpenBody(1, "ADDR=5"), out);
        // Activating the inactive bank swaps the banks; the file follows.
        Bytes activate = {0x53, 0x77, 12};
        activate.insert(activate.end(), {'Q', 'O', 'R', '0', '2', '9', '0', '.', 'b', 'i', 'n', 0});
        dispatcher.Handle(session, TransferBody(2, activate), out);
        EXPECT_TRUE(dispatcher.SaveIfDirty());
    }
    const QJsonArray units = QJsonDocument::fromJson(FileContent()).object().value(QLatin1String("units")).toArray();
    ASSERT_EQ(units.size(), 2);
    EXPECT_FALSE(units[0].toObject().contains(QLatin1String("firmware"))) << "unchanged banks stay out";
    EXPECT_EQ(units[1].toObject().value(QLatin1String("firmware")).toObject(),
              (QJsonObject{{QLatin1String("active"), QStringLiteral("QOR0290.bin")},
                           {QLatin1String("inactive"), QStringLiteral("QOR0300.bin")}}));

    auto restarted = Units();
    CStateFile state(path);
    QString error;
    ASSERT_EQ(state.Load(*restarted, error), CStateFile::LoadResult::Loaded) << error.toStdString();
    EXPECT_EQ(restarted->Units()[1]->Model().Firmware().Banks().Active(), "QOR0290.bin");
    EXPECT_EQ(restarted->Units()[1]->Model().Firmware().Banks().Inactive(), "QOR0300.bin");
    EXPECT_EQ(restarted->Units()[0]->Model().Firmware().Banks().Active(), "QOR0300.bin");

    // Banks a unit cannot hold make the whole file unusable.
    for (const char* banks : {R"({"active":"","inactive":"x"})", R"({"active":"A","inactive":7})",
                              R"({"active":"SIXTEEN_CHARS.bi","inactive":""})", R"("QOR0300.bin")"}) {
        SCOPED_TRACE(banks);
        WriteFile(QByteArray(R"({"format":"qora-unit-sim-state","version":1,"units":[)"
                             R"({"unit":"10.0.0.2:5","parameters":{"c005":"01020304"},"firmware":)")
                  + banks + "}]}");
        auto registry = Units();
        CStateFile bad(path);
        EXPECT_EQ(bad.Load(*registry, error), CStateFile::LoadResult::Bad);
        EXPECT_EQ(registry->Units()[1]->Model().Firmware().Banks().Active(), "QOR0300.bin");
        EXPECT_EQ(ValueOf(*registry, 1, 0xC005), (Bytes{0x00, 0x0A, 0x0D, 0xD4}));
    }
}
