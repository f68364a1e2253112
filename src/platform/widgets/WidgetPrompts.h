#pragma once
// Installs the real message box, file dialog and shell-open functions.
void InstallWidgetPrompts();
