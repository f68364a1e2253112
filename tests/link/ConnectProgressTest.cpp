#include "link/ConnectProgress.h"
#include "link/CommHandler.h"
#include "link/widgets/ConnectProgressDlg.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/PostMessage.h"
#include "support/EventLoop.h"
#include "support/MessageRecorder.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QProgressBar>
#include <QPushButton>

#include <gtest/gtest.h>

TEST(ConnectProgress, BarSlowsDownEveryEighteenSeconds)
{
    CConnectProgress progress;
    progress.Create();
    for (int tick = 0; tick < 179; ++tick)
        progress.Tick();
    EXPECT_EQ(progress.Position(), 179); // every 100 ms for 17.9 s
    EXPECT_EQ(progress.StepDivisor(), 1);
    progress.Tick(); // the 180th tick starts the slower stage and still moves
    EXPECT_EQ(progress.StepDivisor(), 2);
    EXPECT_EQ(progress.Position(), 180);
    for (int tick = 0; tick < 179; ++tick)
        progress.Tick();
    EXPECT_EQ(progress.Position(), 180 + 89); // every 200 ms
    progress.Tick();
    EXPECT_EQ(progress.StepDivisor(), 4);
    for (int tick = 0; tick < 200000; ++tick) // half an hour of ticks never overflows
        progress.Tick();
    EXPECT_GT(progress.StepDivisor(), 0);
    progress.CloseWindow();
    EXPECT_FALSE(progress.IsActive());
}

TEST(ConnectProgress, RealWindowShowsTheBarAndCancelTellsTheMainWindow)
{
    MessageRecorder frame;
    SetMainWindowTarget(&frame);
    CConnectProgressDlg::Install();
    {
        CConnectProgress progress;
        progress.Create();
        CConnectProgressDlg* dialog = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* found = qobject_cast<CConnectProgressDlg*>(widget); found && found->isVisible())
                dialog = found;
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Connecting"));
        auto* bar = dialog->findChild<QProgressBar*>();
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->maximum(), 250);
        progress.Tick();
        progress.Tick();
        EXPECT_EQ(bar->value(), 2);

        QPointer<CConnectProgressDlg> watch(dialog);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
        EXPECT_TRUE(progress.WasCancelled());
        EXPECT_FALSE(progress.IsActive());
        ASSERT_TRUE(PumpUntil([&] { return watch.isNull(); }));
        ASSERT_TRUE(PumpUntil([&] { return frame.HasNotice(NOTICE_CONNECT_CANCELLED); }));

        // The handler's close request after a cancel finds nothing to close.
        progress.Create();
        PostMessageTo(&progress, WM_CLOSE_PROGRESS, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !progress.IsActive(); }));
        EXPECT_FALSE(progress.WasCancelled());
    }
    CConnectProgress::SetViewFactory({});
    SetMainWindowTarget(nullptr);
}
