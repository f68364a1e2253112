#include "app/frame/FrameCommands.h"
#include "app/frame/widgets/FrameIcons.h"

#include <QDir>
#include <QImage>
#include <QSet>

#include <gtest/gtest.h>

namespace {

// How many pixels of the icon at that size are not transparent.
int InkedPixels(const QIcon& icon, int size)
{
    const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
    int inked = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            inked += qAlpha(image.pixel(x, y)) > 0;
    return inked;
}

const int kToolbarCommands[] = {ID_OPEN_WORK_ORDER,      ID_LOCAL_CONNECTION,         ID_REMOTE_CONNECTION,
                                ID_DISCONNECT,           ID_COMMISSION_MODE,          ID_COMMISSIONING_WIZARD,
                                ID_COMMISSIONING_REPORT, ID_CONSTELLATION_LOG,        ID_GPS_STATUS,
                                ID_CONSTELLATION_STATISTICS, ID_INSTALLATION_STATUS};

} // namespace

TEST(FrameIcons, EveryToolbarCommandIsDrawnFromItsOwnSvgSource)
{
    QSet<QString> paths;
    for (int id : kToolbarCommands) {
        SCOPED_TRACE(id);
        const QString path = FrameCommandIconPath(id);
        ASSERT_FALSE(path.isEmpty());
        paths.insert(path);
        const QIcon icon = FrameCommandIcon(id);
        ASSERT_FALSE(icon.isNull());
        // Drawn at 16 and at 32 pixels (a high-density screen), and not blank.
        EXPECT_GT(InkedPixels(icon, 16), 16 * 16 / 8);
        EXPECT_EQ(icon.pixmap(32, 32).size(), QSize(32, 32));
        EXPECT_GT(InkedPixels(icon, 32), 4 * InkedPixels(icon, 16) / 2);
    }
    EXPECT_EQ(paths.size(), static_cast<qsizetype>(std::size(kToolbarCommands)));

    // Every picture in the resource is one of them or the application icon:
    // none is left over from a command that has gone.
    const QStringList files = QDir(QStringLiteral(":/qora/icons")).entryList({QStringLiteral("*.svg")});
    EXPECT_EQ(files.size(), paths.size() + 1);
    for (const QString& file : files)
        EXPECT_TRUE(file == QStringLiteral("qora-manager.svg") || paths.contains(QStringLiteral(":/qora/icons/") + file))
            << file.toStdString();

    EXPECT_TRUE(FrameCommandIcon(ID_APP_ABOUT).isNull());
    EXPECT_TRUE(FrameCommandIconPath(ID_APP_ABOUT).isEmpty());
}

TEST(FrameIcons, ApplicationIconAtEveryDesktopSizeAndNothingFromAMissingOrBrokenFile)
{
    const QIcon icon = ApplicationIcon();
    ASSERT_FALSE(icon.isNull());
    for (int size : {16, 32, 48, 256})
        EXPECT_GT(InkedPixels(icon, size), size * size / 2) << size;

    EXPECT_TRUE(SvgIcon(QStringLiteral(":/qora/icons/no-such-icon.svg")).isNull());
    EXPECT_TRUE(SvgIcon(QStringLiteral(":/qora/strings.tsv")).isNull());
}
