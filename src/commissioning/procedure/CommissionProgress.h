#pragma once
// What the commissioning progress dialog does, without the window: starts the
// group's write, creeps the bar while it runs (timer 5000, every 100 ms; the
// steps grow rarer every 40 ticks, and the bar stops at 99 by itself), and
// ends with 1 (every item acknowledged), 2 (failure) or 3 (aborted by the
// user). The dialog is a view over it.

#include "platform/MessageTarget.h"

#include <functional>

class CCommissionData;

class CCommissionProgress : public CMessageTarget {
    Q_OBJECT
public:
    enum Result { kSucceeded = 1, kFailed = 2, kAborted = 3 };

    static constexpr int kTimerId = 5000;
    static constexpr int kTickMs = 100;
    static constexpr int kTicksPerStage = 40;
    static constexpr int kHighestCreep = 99;

    // How the progress shows itself: the bar's position, and the end.
    struct View {
        std::function<void(int position)> setPosition;
        std::function<void(int result)> finish;
    };

    explicit CCommissionProgress(View view);
    ~CCommissionProgress() override;

    // Called when the user aborts, before the progress ends (the main frame
    // clears its commissioning-in-progress mark).
    void SetAbortAction(std::function<void()> action) { abortAction_ = std::move(action); }

    // Resets the bar and starts the group's write with its opening command.
    // With no unit connected nothing is sent and the progress runs until the
    // user aborts.
    void Start(CCommissionData& group);
    void Abort();
    // One tick of timer 5000.
    void Tick();

    [[nodiscard]] bool IsRunning() const { return running_; }
    [[nodiscard]] int Position() const { return position_; }
    [[nodiscard]] int StepDivisor() const { return stepDivisor_; }

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
    void OnTimer(int timerId) override;

private:
    void Finish(int result);

    View view_;
    std::function<void()> abortAction_;
    bool running_ = false;
    int tickCount_ = 0;
    int stepDivisor_ = 1;
    int position_ = 0;
};
