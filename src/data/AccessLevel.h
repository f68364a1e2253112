#pragma once
// The user's access level as the main frame determined it, for dialogs that
// change unit values: they enable their fields only with Full Control.

// True with Full Control, false with Read Only. Full Control until the frame
// says otherwise, as the frame itself starts.
[[nodiscard]] bool AppFullControl();
void SetAppFullControl(bool fullControl);
