#include "app/shell/ResourceLibrary.h"
#include "app/shell/SplashPicture.h"
#include "platform/StringTable.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

const QString kBuiltInNotConnected = QStringLiteral("The device is not connected.");
const QString kSiteNotConnected = QStringLiteral("The unit is not connected (site text).");

QByteArray ReadLibrary(const char* dir)
{
    QFile file(QString::fromUtf8(dir) + QStringLiteral("/QORA.000"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

// A folder holding bytes as QORA.000.
bool WriteLibrary(const QTemporaryDir& dir, const QByteArray& bytes)
{
    QFile file(dir.filePath(QString::fromLatin1(kResourceLibraryName)));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void SetU32(QByteArray& bytes, qsizetype at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
}

bool IsBuiltInSplash(const QPixmap& picture)
{
    return picture.size() == QSize(320, 240);
}

// Every test starts and ends with the program's own texts and pictures.
class ResourceLibrary : public ::testing::Test {
protected:
    void SetUp() override { UnloadResourceLibrary(); }
    void TearDown() override { UnloadResourceLibrary(); }
};

} // namespace

TEST_F(ResourceLibrary, MissingOrDamagedFilesChangeNothing)
{
    const QByteArray good = ReadLibrary(SHELL_TEST_LIBRARY_DIR);
    ASSERT_TRUE(IsWellFormedResourceFile(good));

    QTemporaryDir empty;
    EXPECT_FALSE(LoadResourceLibrary(empty.path()));

    // Cut short inside the node tree, then inside the data; garbage; a tree
    // offset past the end; a data block that claims more than the file holds.
    std::vector<QByteArray> damaged{good.left(good.size() - 5), good.left(40), QByteArray(200, 'x'),
                                    QByteArray("qres")};
    QByteArray badTree = good;
    SetU32(badTree, 8, static_cast<quint32>(good.size() + 100));
    damaged.push_back(badTree);
    QByteArray badData = good;
    const quint32 dataStart = (quint8(good[12]) << 24) | (quint8(good[13]) << 16) | (quint8(good[14]) << 8) |
                              quint8(good[15]);
    SetU32(badData, dataStart, 0x7fffffff); // the first data block's length
    damaged.push_back(badData);

    // The string table is stored compressed; a damaged header claims a
    // gigantic uncompressed size, which Qt would try to allocate.
    const qsizetype zstd = good.indexOf(QByteArray::fromHex("28b52ffd"));
    const qsizetype zlib = good.indexOf(QByteArray::fromHex("789c"));
    ASSERT_TRUE(zstd > 0 || zlib > 4);
    QByteArray badSize = good;
    if (zstd > 0)
        badSize[zstd + 4] = static_cast<char>(0xE0); // an 8-byte size field: compressed bytes read as a size
    else
        SetU32(badSize, zlib - 4, 0x7ffff000);
    damaged.push_back(badSize);

    for (const QByteArray& bytes : damaged) {
        SCOPED_TRACE(bytes.size());
        EXPECT_FALSE(IsWellFormedResourceFile(bytes));
        QTemporaryDir dir;
        ASSERT_TRUE(WriteLibrary(dir, bytes));
        EXPECT_FALSE(LoadResourceLibrary(dir.path()));
        EXPECT_FALSE(ResourceLibraryLoaded());
        EXPECT_EQ(LoadResString(StringId::DeviceNotConnected), kBuiltInNotConnected);
        EXPECT_TRUE(IsBuiltInSplash(LoadBitmapResource(kSplashBitmapId)));
    }
}

TEST_F(ResourceLibrary, AStringTableThatDoesNotParseRejectsTheWholeLibrary)
{
    EXPECT_TRUE(IsWellFormedResourceFile(ReadLibrary(SHELL_TEST_BROKEN_STRINGS_DIR)));
    EXPECT_FALSE(LoadResourceLibrary(QStringLiteral(SHELL_TEST_BROKEN_STRINGS_DIR)));
    EXPECT_FALSE(ResourceLibraryLoaded());
    EXPECT_EQ(LoadResString(StringId::DeviceNotConnected), kBuiltInNotConnected);
    // Its picture is not used either.
    EXPECT_TRUE(IsBuiltInSplash(LoadBitmapResource(kSplashBitmapId)));
}

TEST_F(ResourceLibrary, ASiteLibraryReplacesItsTextsAndPictures)
{
    EXPECT_EQ(LoadResString(StringId::DeviceNotConnected), kBuiltInNotConnected);
    ASSERT_TRUE(LoadResourceLibrary(QStringLiteral(SHELL_TEST_LIBRARY_DIR)));
    EXPECT_TRUE(ResourceLibraryLoaded());

    EXPECT_EQ(LoadResString(StringId::DeviceNotConnected), kSiteNotConnected);
    // Texts it does not name stay.
    EXPECT_EQ(LoadResString(StringId::AppTitle), QStringLiteral("Tavra QORA Manager"));
    EXPECT_EQ(LoadResString(StringId::VersionText), QStringLiteral("Version 1.50"));

    const QPixmap splash = LoadBitmapResource(kSplashBitmapId);
    ASSERT_EQ(splash.size(), QSize(8, 6));
    EXPECT_EQ(splash.toImage().pixelColor(3, 3), QColor(0x12, 0x34, 0x56));
    EXPECT_TRUE(ResourceLibraryEntry(QStringLiteral("bitmaps/999")).isEmpty());
    EXPECT_TRUE(LoadBitmapResource(999).isNull());

    // Taken away again, everything is as built.
    UnloadResourceLibrary();
    EXPECT_FALSE(ResourceLibraryLoaded());
    EXPECT_EQ(LoadResString(StringId::DeviceNotConnected), kBuiltInNotConnected);
    EXPECT_TRUE(IsBuiltInSplash(LoadBitmapResource(kSplashBitmapId)));
}
