#pragma once
// The part every status window shares: it listens to the unit, asks for its
// status every 5 s while the window is visible (every 20 s while a firmware
// download runs, never while a commissioning runs or a reset is pending),
// and arms the main frame's link watchdog when the unit stops answering.
// Widget-free; each window derives and decodes its own reply. A window that
// is hidden can still be wanted (by the status history's plots or a
// recording): it then goes on asking at the same rate.

#include "link/DeviceMessage.h"
#include "platform/MessageTarget.h"

#include <memory>

// What the status windows need to know of the main frame.
class IStatusFrame {
public:
    virtual ~IStatusFrame() = default;
    [[nodiscard]] virtual bool ResetPending() const = 0;
    [[nodiscard]] virtual bool CommissioningRunning() const = 0;
    [[nodiscard]] virtual bool DownloadDialogOpen() const = 0;
    virtual void SetLinkWatchdog(int mode) = 0;
};

class CStatusPoller : public CMessageTarget {
    Q_OBJECT
public:
    static constexpr int kRefreshTimerId = 1;
    static constexpr int kRefreshMs = 5000;
    // More unanswered requests than this arm the watchdog; afterwards the
    // count starts again from minus this.
    static constexpr int kUnansweredLimit = 5;

    explicit CStatusPoller(IStatusFrame& frame);
    ~CStatusPoller() override;

    // Listens to the unit, asks at once if visible, and starts the refresh timer.
    void StartRefresh();
    void StopRefresh();
    // Sends the status request now (or, without commission mode or during a
    // reset, clears what is shown).
    void RequestStatus();

    void SetVisible(bool visible) { visible_ = visible; }
    [[nodiscard]] bool IsVisible() const { return visible_; }
    // Asks on every tick as if visible, without changing what IsVisible says.
    void SetWanted(bool wanted) { wanted_ = wanted; }
    [[nodiscard]] bool IsWanted() const { return wanted_; }
    [[nodiscard]] int UnansweredRequests() const { return unanswered_; }
    [[nodiscard]] bool IsRefreshing() const { return IsTimerRunning(kRefreshTimerId); }

signals:
    // A reply of this window's kind was decoded whole (emitted after the redraw).
    void Answered();
    // A request did not reach the unit or was not answered.
    void RequestFailed();

protected:
    // The window's own request, reply decoding and clearing.
    [[nodiscard]] virtual std::unique_ptr<CDeviceMessage> BuildRequest() const = 0;
    virtual void OnStatusReply(const CDeviceMessage& reply) = 0;
    virtual void ClearStatus() = 0;
    // A request was not delivered; by default what is shown is cleared.
    virtual void OnSendFailed() { ClearStatus(); }

    MsgResult OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam) override;
    void OnTimer(int timerId) override;
    [[nodiscard]] IStatusFrame& Frame() const { return frame_; }

private:
    IStatusFrame& frame_;
    bool visible_ = false;
    bool wanted_ = false;
    int unanswered_ = 0;
    int downloadTicks_ = 0;
};
