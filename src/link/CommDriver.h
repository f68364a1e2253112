#pragma once
// The abstract transport the communication handler drives: three auto-reset
// events (send, commission, stop) that the UI thread signals, and a
// connection to open.

#include "link/LinkFailure.h"
#include "platform/AutoResetEvent.h"
#include "platform/MessageTarget.h"

#include <memory>
#include <string>

class CCommHandler;

// What the driver reports to the handler as WM_CONNECTION_EVENT.
enum DriverEvent : int {
    DRIVER_OPEN_QORA = 0,
    DRIVER_OPEN_FAILED = 1,
    DRIVER_COMMISSION_DONE = 2,
    DRIVER_OPEN_OTHER_UNIT = 5,
};

class CCommDriver : public CMessageTarget {
    Q_OBJECT
public:
    CCommDriver();
    ~CCommDriver() override;

    virtual void Open(CCommHandler* handler, const std::string& connection);
    virtual void SignalCommission();
    virtual void SignalSend();
    virtual void SignalStop();
    [[nodiscard]] virtual std::string GetConnectionString() const = 0;
    // Why opening, or the latest request that failed, failed (Kind::None when
    // the transport cannot say). Safe to call while the worker runs.
    [[nodiscard]] virtual SLinkFailure LastFailure() const { return {}; }

protected:
    // Shared, so that a worker thread can keep them past the driver's end.
    std::shared_ptr<CAutoResetEvent> sendEvent_;
    std::shared_ptr<CAutoResetEvent> commissionEvent_;
    std::shared_ptr<CAutoResetEvent> stopEvent_;
};
