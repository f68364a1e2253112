#pragma once
// The progress bar a data group shows while it reads or writes: it fills
// pane 1 of the main window's status bar. The main frame installs the real
// bar; tests install a recorder; without either nothing is shown.

#include <functional>
#include <memory>

class IProgressBar {
public:
    virtual ~IProgressBar() = default;
    // A smooth bar from 0 to `upper`, advancing by one per step.
    virtual void SetRange(int upper) = 0;
    virtual void Step() = 0;
    virtual void SetVisible(bool visible) = 0;
    [[nodiscard]] virtual bool IsVisible() const = 0;
};

using ProgressBarFactory = std::function<std::unique_ptr<IProgressBar>()>;

void SetProgressBarFactory(ProgressBarFactory factory);
[[nodiscard]] std::unique_ptr<IProgressBar> CreateProgressBar();
