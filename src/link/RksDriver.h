#pragma once
// The transport over the communication service's link object. Every call into
// the link is made on the driver's own worker thread, one at a time.

#include "link/CommDriver.h"

#include <chrono>
#include <memory>
#include <thread>

class CRksDriver : public CCommDriver {
    Q_OBJECT
public:
    CRksDriver();
    ~CRksDriver() override;

    // Creates the link object and starts the worker thread. A link that cannot
    // be created is reported at once as a failed connection.
    void Open(CCommHandler* handler, const std::string& connection) override;
    [[nodiscard]] std::string GetConnectionString() const override;

    // The unit's identity answer, once the connection is open (empty before).
    [[nodiscard]] std::string GetIdentity() const;
    [[nodiscard]] SLinkFailure LastFailure() const override;

    // Waits until worker threads of connections abandoned while opening have
    // ended; true when none is left. Called once before the program ends.
    static bool WaitForAbandonedThreads(std::chrono::milliseconds timeout);

private:
    struct Session;
    static void RksThreadFunction(std::shared_ptr<Session> session);

    CCommHandler* handler_ = nullptr;
    std::shared_ptr<Session> session_;
    SLinkFailure openFailure_; // when no worker could be started
    std::thread thread_;
};
