#include "platform/widgets/MMStatusBar.h"

#include "support/EventLoop.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMainWindow>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// The colour in the middle of a pane's right half, away from its text.
QColor PaneFill(MMStatusBar& bar, int pane)
{
    QWidget* widget = bar.PaneWidget(pane);
    const QRect r = widget->geometry();
    const QImage image = bar.grab().toImage();
    return image.pixelColor(r.right() - 4, r.center().y());
}

// The frame's layout: message area, two fixed panes, the lock-key indicators.
struct FrameBar {
    FrameBar()
    {
        window.setStatusBar(bar);
        bar->AddMessagePane();
        progress = bar->AddPane(QStringLiteral(" "), 80);
        access = bar->AddPane(QStringLiteral(" "), 130);
        caps = bar->AddIndicatorPane(MMStatusBar::Indicator::Caps);
        num = bar->AddIndicatorPane(MMStatusBar::Indicator::Num);
        scroll = bar->AddIndicatorPane(MMStatusBar::Indicator::Scroll);
        window.resize(700, 200);
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }
    QMainWindow window;
    MMStatusBar* bar = new MMStatusBar;
    int progress, access, caps, num, scroll;
    bool exposed = false;
};

} // namespace

TEST(StatusBar, FrameLayoutHasNumberedPanesOfTheirWidths)
{
    FrameBar f;
    EXPECT_EQ(f.bar->PaneCount(), 6);
    EXPECT_EQ(f.progress, 1);
    EXPECT_EQ(f.access, 2);
    EXPECT_EQ(f.scroll, 5);
    EXPECT_EQ(f.bar->PaneWidget(0), nullptr);
    EXPECT_EQ(f.bar->PaneWidget(6), nullptr);
    EXPECT_GE(f.bar->PaneWidget(1)->width(), 80);
    EXPECT_LT(f.bar->PaneWidget(1)->width(), 90);
    EXPECT_GE(f.bar->PaneWidget(2)->width(), 130);
    EXPECT_EQ(f.bar->PaneText(4), QStringLiteral("NUM"));
    // The panes sit at the right, in order; the message area keeps the left.
    EXPECT_LT(f.bar->PaneWidget(1)->x(), f.bar->PaneWidget(2)->x());
    EXPECT_LT(f.bar->PaneWidget(4)->x(), f.bar->PaneWidget(5)->x());
    EXPECT_GT(f.bar->PaneWidget(1)->x(), 200);

    // Pane 0 is the message area.
    EXPECT_TRUE(f.bar->SetPaneText(0, QStringLiteral("Creates a local connection to the QORA unit")));
    EXPECT_EQ(f.bar->currentMessage(), QStringLiteral("Creates a local connection to the QORA unit"));
    EXPECT_FALSE(f.bar->SetPaneText(9, QColor(Qt::red), QStringLiteral("x")));
}

TEST(StatusBar, PanesPaintTheirRecordsColours)
{
    FrameBar f;
    const QColor green(0, 160, 32);
    const QColor amber(255, 215, 0);
    const QColor plain = PaneFill(*f.bar, 2);

    ASSERT_TRUE(f.bar->SetPaneText(2, green, QStringLiteral("    Good        ")));
    const MMStatusBar::PaneRecord* record = f.bar->FindPaneRecord(2);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->background, green);
    EXPECT_EQ(record->textColor, f.bar->palette().color(QPalette::WindowText));
    EXPECT_EQ(record->offset, 0);
    EXPECT_EQ(PaneFill(*f.bar, 2), green);
    // Neighbours keep their own look.
    EXPECT_EQ(PaneFill(*f.bar, 1), plain);

    // The same record is updated, not a second one made.
    f.bar->SetPaneText(2, amber, QStringLiteral("Sufficient     "));
    EXPECT_EQ(f.bar->FindPaneRecord(2), record);
    EXPECT_EQ(PaneFill(*f.bar, 2), amber);

    // A plain text keeps the colours; a transparent background shows the bar.
    f.bar->SetPaneText(2, QStringLiteral("Read Only"));
    EXPECT_EQ(f.bar->PaneText(2), QStringLiteral("Read Only"));
    EXPECT_EQ(PaneFill(*f.bar, 2), amber);
    f.bar->SetPaneText(2, QColor(), QStringLiteral("?"));
    EXPECT_EQ(PaneFill(*f.bar, 2), plain);
    EXPECT_EQ(f.bar->FindPaneRecord(1), nullptr);
}

TEST(StatusBar, IndicatorsShowTheLockKeysOrSayTheyAreUnknown)
{
    std::optional<bool> caps = true;
    std::optional<bool> num = false;
    auto previous = MMStatusBar::SetLockKeyQuery([&](MMStatusBar::Indicator which) -> std::optional<bool> {
        switch (which) {
        case MMStatusBar::Indicator::Caps: return caps;
        case MMStatusBar::Indicator::Num: return num;
        default: return std::nullopt;
        }
    });
    {
        FrameBar f;
        EXPECT_EQ(f.bar->IndicatorState(f.caps), std::optional<bool>(true));
        EXPECT_EQ(f.bar->IndicatorState(f.num), std::optional<bool>(false));
        EXPECT_EQ(f.bar->IndicatorState(f.scroll), std::nullopt);
        EXPECT_TRUE(f.bar->PaneWidget(f.caps)->toolTip().isEmpty());
        EXPECT_FALSE(f.bar->PaneWidget(f.scroll)->toolTip().isEmpty());
        EXPECT_EQ(f.bar->IndicatorState(f.access), std::nullopt);

        // Pressing a lock key anywhere reads the states again.
        caps = false;
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_CapsLock, Qt::NoModifier);
        QApplication::sendEvent(&f.window, &release);
        EXPECT_EQ(f.bar->IndicatorState(f.caps), std::optional<bool>(false));
        // Other keys do not.
        caps = true;
        QKeyEvent other(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
        QApplication::sendEvent(&f.window, &other);
        EXPECT_EQ(f.bar->IndicatorState(f.caps), std::optional<bool>(false));
    }
    MMStatusBar::SetLockKeyQuery(std::move(previous));
}

TEST(StatusBar, StatusWindowLayoutStretchesItsLastPane)
{
    QMainWindow window;
    auto* bar = new MMStatusBar;
    window.setStatusBar(bar);
    bar->AddPane(QStringLiteral("Total Time:"), -1, MMStatusBar::PaneNoBorder);
    const int total = bar->AddPane(QStringLiteral("0 seconds"));
    bar->AddPane(QStringLiteral("Status:"), -1, MMStatusBar::PaneNoBorder);
    const int verdict = bar->AddPane(QStringLiteral("%s         "), 55);
    const int rest = bar->AddPane(QStringLiteral(" "), -1, MMStatusBar::PaneNoBorder | MMStatusBar::PaneStretch);
    window.resize(600, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    EXPECT_LT(bar->PaneWidget(0)->x(), 20);
    EXPECT_GT(bar->PaneWidget(rest)->width(), 250);
    const int before = bar->PaneWidget(verdict)->width();
    EXPECT_LT(before, 70);

    // A fitted pane grows for a longer text; a fixed one keeps its width.
    const int totalBefore = bar->PaneWidget(total)->width();
    bar->SetPaneText(total, QStringLiteral("123456789 sec and more"));
    bar->SetPaneText(verdict, QColor(160, 32, 0), QStringLiteral("    Bad         and a long tail"));
    PumpFor(10);
    EXPECT_GT(bar->PaneWidget(total)->width(), totalBefore);
    EXPECT_EQ(bar->PaneWidget(verdict)->width(), before);
}
