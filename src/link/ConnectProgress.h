#pragma once
// The "Connecting" progress shown while a connection opens: the bar's schedule
// (every 100 ms for the first 18 s, then half as often every 18 s), Cancel, and
// closing on the handler's request. The window itself is a view behind an
// interface so the schedule runs, and is tested, without a screen.

#include "platform/MessageTarget.h"

#include <functional>

class IConnectProgressView {
public:
    virtual ~IConnectProgressView() = default;
    virtual void SetRange(int lower, int upper) = 0;
    virtual void SetPosition(int position) = 0;
    virtual void EnableCancel(bool enable) = 0;
    virtual void ShowView() = 0;
    // Removes the window; it may be the caller of Cancel, so it goes later.
    virtual void DestroyView() = 0;
};

class CConnectProgress : public CMessageTarget {
    Q_OBJECT
public:
    static constexpr int kTimerId = 8275;
    static constexpr int kTickMs = 100;
    static constexpr int kRange = 250;
    static constexpr int kTicksPerStage = 179;

    using ViewFactory = std::function<IConnectProgressView*(CConnectProgress& progress)>;
    // The program installs the real dialog; without one the schedule runs unseen.
    static void SetViewFactory(ViewFactory factory);

    CConnectProgress();
    ~CConnectProgress() override;

    // Creates and shows the window and starts the bar from 0.
    void Create();
    [[nodiscard]] bool IsActive() const { return active_; }
    [[nodiscard]] bool WasCancelled() const { return cancelled_; }
    [[nodiscard]] int Position() const { return position_; }
    [[nodiscard]] int StepDivisor() const { return stepDivisor_; }

    // The user's Cancel: tells the main window, then closes.
    void Cancel();
    // Closing the window without cancelling.
    void CloseWindow();
    // One tick of the bar's timer.
    void Tick();

protected:
    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
    void OnTimer(int timerId) override;

private:
    IConnectProgressView* view_ = nullptr;
    int position_ = 0;
    int stepDivisor_ = 1;
    int tickCount_ = 0;
    bool active_ = false;
    bool cancelled_ = false;
};
