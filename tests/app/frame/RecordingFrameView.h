#pragma once
// Records what the connection workflow asks of its window.

#include "app/frame/FrameView.h"

#include <QStringList>

class RecordingFrameView : public IFrameView {
public:
    QStringList titles;
    QString accessText;
    QStringList connectionTexts; // each change of the connection pane
    int hides = 0, starts = 0, restarts = 0, commParamDialogs = 0, placementSaves = 0;
    bool destroyed = false;

    void SetFrameTitle(const QString& title) override { titles << title; }
    void SetAccessLevelText(const QString& text) override { accessText = text; }
    void SetConnectionText(const QString& text) override
    {
        if (connectionTexts.isEmpty() || connectionTexts.last() != text)
            connectionTexts << text;
    }
    void ShowWaitCursor() override {}
    void CommandStateChanged() override {}
    void HideStatusWindows() override { ++hides; }
    void StartStatusWindows() override { ++starts; }
    void RestartVisibleStatusWindows() override { ++restarts; }
    void RunCommParamDialog() override { ++commParamDialogs; }
    void SaveFramePlacement() override { ++placementSaves; }
    void DestroyFrame() override { destroyed = true; }
};
