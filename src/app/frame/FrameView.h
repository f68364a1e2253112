#pragma once
// What the main frame's connection workflow asks of its window. The window
// implements it; tests implement it with a recorder.

#include <QString>

class IFrameView {
public:
    virtual ~IFrameView() = default;

    virtual void SetFrameTitle(const QString& title) = 0;
    // Status bar pane 2: the access level of a remote connection (empty: nothing).
    virtual void SetAccessLevelText(const QString& text) = 0;
    // The status bar's lasting connection pane.
    virtual void SetConnectionText(const QString& text) = 0;
    // The wait cursor for the rest of the current command.
    virtual void ShowWaitCursor() = 0;
    // The enabling of the commands may have changed.
    virtual void CommandStateChanged() = 0;

    // The status windows: hide them (each saves its placement and stops
    // listening); start them after commission mode is acknowledged; after a
    // silent reconnection restart only those that are visible.
    virtual void HideStatusWindows() = 0;
    virtual void StartStatusWindows() = 0;
    virtual void RestartVisibleStatusWindows() = 0;

    // The Communication Parameters dialog, modal (the start-up connection).
    virtual void RunCommParamDialog() = 0;
    // Saves the frame's placement as "MainFrm".
    virtual void SaveFramePlacement() = 0;
    // Ends the frame window for good (the workflow has done its part).
    virtual void DestroyFrame() = 0;
};
