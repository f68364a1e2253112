#pragma once
// Installs the real message box, file dialog and shell-open functions.
void InstallWidgetPrompts();
// Only the notices (ShowNotice), as non-modal boxes; part of the above.
void InstallWidgetNotices();
