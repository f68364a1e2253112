#include "app/shell/GenericChildWnd.h"

#include "support/EventLoop.h"

#include <QMdiArea>
#include <QPointer>
#include <QTextEdit>

#include <gtest/gtest.h>

TEST(GenericChildWindow, NumberedPerAreaWithANotesField)
{
    QMdiArea area;
    area.resize(500, 400);
    area.show();
    CGenericChildWnd* first = CGenericChildWnd::Open(&area);
    CGenericChildWnd* second = CGenericChildWnd::Open(&area);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("QORA1"));
    EXPECT_EQ(second->windowTitle(), QStringLiteral("QORA2"));
    EXPECT_EQ(area.subWindowList().size(), 2);
    EXPECT_EQ(area.activeSubWindow(), second);
    ASSERT_NE(second->Notes(), nullptr);
    EXPECT_EQ(second->widget(), second->Notes());
    EXPECT_FALSE(second->Notes()->acceptRichText());

    // Closing frees it; numbers are not reused.
    QPointer<CGenericChildWnd> closed = first;
    first->close();
    EXPECT_TRUE(PumpUntil([&] { return closed.isNull(); }, 2000));
    EXPECT_EQ(CGenericChildWnd::Open(&area)->windowTitle(), QStringLiteral("QORA3"));

    QMdiArea other;
    EXPECT_EQ(CGenericChildWnd::Open(&other)->windowTitle(), QStringLiteral("QORA1"));
}
