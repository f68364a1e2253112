#pragma once
// F1 in a window shows the window's own help page, whatever child of it has
// the focus: a table, an edit, a chart.

#include <functional>

class QAction;
class QWidget;

// The key's action, owned by the window; it calls `help` when F1 is pressed.
QAction* AddHelpKey(QWidget& window, std::function<void()> help);
