#include "link/ConnectionType.h"

#include "platform/MainWindow.h"
#include "platform/MessageIds.h"

bool PostConnectionNotice(ConnectionNotice notice)
{
    return PostToMainWindow(WM_CONNECTION_EVENT, static_cast<MsgWParam>(notice), 0);
}
