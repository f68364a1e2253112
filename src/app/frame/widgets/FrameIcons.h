#pragma once
// The toolbar's pictures, drawn in code so they stay sharp at any scale.

#include <QIcon>

// The icon of a frame command, or an empty icon when it has none.
QIcon FrameCommandIcon(int commandId);
