#include "platform/MainWindow.h"

#include "platform/PostMessage.h"

namespace {
TargetPtr& MainTarget()
{
    static TargetPtr target;
    return target;
}
} // namespace

void SetMainWindowTarget(CMessageTarget* target)
{
    MainTarget() = target;
}

CMessageTarget* MainWindowTarget()
{
    return MainTarget().data();
}

bool PostToMainWindow(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    return PostMessageTo(MainTarget(), message, wParam, lParam);
}
