#include "app/shell/AboutDlg.h"
#include "app/shell/SplashPicture.h"
#include "app/shell/SplashWnd.h"
#include "platform/TimerScale.h"

#include "support/EventLoop.h"

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Stands in for the main window: records what reaches it.
class MainWindowStandIn : public QWidget {
public:
    MainWindowStandIn()
    {
        resize(400, 300);
        setFocusPolicy(Qt::StrongFocus);
        auto* accelerator = new QAction(this);
        accelerator->setShortcut(QKeySequence(Qt::Key_L));
        accelerator->setShortcutContext(Qt::ApplicationShortcut);
        connect(accelerator, &QAction::triggered, this, [this] { ++acceleratorFired; });
        addAction(accelerator);
    }
    std::vector<int> keys;
    int presses = 0;
    int acceleratorFired = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key()); }
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        main.show();
        main.activateWindow();
        main.setFocus();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
        CSplashWnd::EnableSplashScreen(true);
    }
    void TearDown() override
    {
        CSplashWnd::HideSplashScreen();
        SetTimerScale(1.0);
        PumpFor(20);
    }
    MainWindowStandIn main;
};

// Dark pixels of the given colour family inside box of an image.
int CountTextPixels(const QImage& image, const QRect& box)
{
    int count = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() < 120 && c.green() < 120 && c.blue() < 90 && c.red() > c.blue())
                ++count;
        }
    return count;
}

} // namespace

TEST_F(SplashTest, AKeyPressClosesItAndReachesNothingElse)
{
    // Through the window system and delivered straight to the widget.
    for (bool throughWindow : {true, false}) {
        SCOPED_TRACE(throughWindow);
        CSplashWnd::ShowSplashScreen();
        ASSERT_NE(CSplashWnd::Current(), nullptr);
        if (throughWindow)
            QTest::keyClick(main.windowHandle(), Qt::Key_L);
        else
            QTest::keyClick(&main, Qt::Key_L);
        EXPECT_EQ(CSplashWnd::Current(), nullptr);
        EXPECT_TRUE(main.keys.empty());
        EXPECT_EQ(main.acceleratorFired, 0);
        PumpFor(20);
    }
    // Once it is gone keys work again.
    QTest::keyClick(main.windowHandle(), Qt::Key_X);
    EXPECT_EQ(main.keys, std::vector<int>{Qt::Key_X});
    // The keyboard is back with the main window.
    EXPECT_EQ(QApplication::activeWindow(), &main);
    QTest::keyClick(main.windowHandle(), Qt::Key_L);
    EXPECT_EQ(main.acceleratorFired, 1);
}

TEST_F(SplashTest, AMousePressAnywhereClosesItAndIsSwallowed)
{
    CSplashWnd::ShowSplashScreen();
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(main.presses, 0);

    // A click on the splash itself closes it too.
    CSplashWnd::ShowSplashScreen();
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(splash));
    QTest::mouseClick(splash->windowHandle(), Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    PumpFor(20);

    QTest::mouseClick(main.windowHandle(), Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(main.presses, 1);
}

TEST_F(SplashTest, ItClosesByItselfAfterItsPeriod)
{
    SetTimerScale(0.001); // ten seconds become ten milliseconds
    CSplashWnd::ShowSplashScreen();
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    EXPECT_TRUE(PumpUntil([] { return CSplashWnd::Current() == nullptr; }, 3000));
    // Its filter went with it.
    QTest::keyClick(main.windowHandle(), Qt::Key_X);
    EXPECT_EQ(main.keys.size(), 1u);
}

TEST_F(SplashTest, OneAtATimeAndOnlyWhenEnabled)
{
    CSplashWnd::ShowSplashScreen();
    CSplashWnd* first = CSplashWnd::Current();
    ASSERT_NE(first, nullptr);
    CSplashWnd::ShowSplashScreen(&main);
    EXPECT_EQ(CSplashWnd::Current(), first);
    int splashes = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<CSplashWnd*>(w) && w->isVisible())
            ++splashes;
    EXPECT_EQ(splashes, 1);
    CSplashWnd::HideSplashScreen();

    CSplashWnd::EnableSplashScreen(false);
    CSplashWnd::ShowSplashScreen();
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    CSplashWnd::EnableSplashScreen(true);
}

TEST_F(SplashTest, ItShowsThePictureCentredWithTheVersionEndingAtItsAnchor)
{
    CSplashWnd::ShowSplashScreen();
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_EQ(splash->size(), QSize(320, 240));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((splash->geometry().center() - screen.center()).manhattanLength(), 2);

    const QImage image = splash->grab().toImage();
    // "Version 1.50" lies left of x = 256 on the text line below y = 208.
    EXPECT_GT(CountTextPixels(image, QRect(QPoint(180, 208), QPoint(256, 222))), 20);
    EXPECT_EQ(CountTextPixels(image, QRect(QPoint(258, 204), QPoint(319, 226))), 0);
    EXPECT_EQ(CountTextPixels(image, QRect(QPoint(180, 198), QPoint(256, 206))), 0);
}

TEST(AboutBox, ShowsVersionAndBuildStampAndClosesWithOk)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Tavra QORA Manager"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}  [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$"))
                    .match(CAboutDlg::BuildStamp())
                    .hasMatch())
        << CAboutDlg::BuildStamp().toStdString();

    about.show();
    const QImage image = about.grab().toImage();
    auto* picture = about.findChild<QWidget*>(QStringLiteral("aboutPicture"));
    ASSERT_NE(picture, nullptr);
    const QPoint origin = picture->mapTo(&about, QPoint(0, 0));
    // The version ends at x = 256, the build stamp at x = 296 one line lower.
    EXPECT_GT(CountTextPixels(image, QRect(origin + QPoint(180, 208), origin + QPoint(256, 221))), 20);
    EXPECT_GT(CountTextPixels(image, QRect(origin + QPoint(180, 224), origin + QPoint(296, 237))), 40);
    EXPECT_EQ(CountTextPixels(image, QRect(origin + QPoint(298, 222), origin + QPoint(319, 238))), 0);

    QPushButton* ok = about.findChild<QPushButton*>();
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text().remove(u'&'), QStringLiteral("OK"));
    ok->click();
    EXPECT_EQ(about.result(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}
