#pragma once
// The application's main window as a message target: the frame once it
// exists, or whatever a program or test sets in its place.

#include "platform/MessageTarget.h"

void SetMainWindowTarget(CMessageTarget* target);
[[nodiscard]] CMessageTarget* MainWindowTarget();
// Posts to the main window if there is one; false otherwise.
bool PostToMainWindow(unsigned message, MsgWParam wParam, MsgLParam lParam);
