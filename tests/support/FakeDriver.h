#pragma once
// A transport that opens nothing and never sends: the test plays the driver's
// events (WM_CONNECTION_EVENT) and the unit's replies itself. It reports a
// fixed connection string, or, with a log, the one it was opened with, and
// counts in the log what the handler asked of it.

#include "link/CommDriver.h"
#include "link/CommHandler.h"

#include <memory>
#include <string>
#include <utility>

struct FakeDriverLog {
    int opens = 0, sends = 0, commissions = 0, stops = 0, destroyed = 0;
    std::string connection; // the latest one opened
};

class FakeDriver : public CCommDriver {
public:
    // Reports `connection` (empty: none, like a driver that has not opened).
    explicit FakeDriver(std::string connection = {}) : connection_(std::move(connection)) {}
    // Counts into `log` and reports the connection string opened last.
    explicit FakeDriver(FakeDriverLog& log) : log_(&log) {}
    ~FakeDriver() override
    {
        if (log_)
            ++log_->destroyed;
    }

    // The handler's factory for drivers like these.
    static CCommHandler::DriverFactory Factory(std::string connection = {})
    {
        return [connection] { return std::make_unique<FakeDriver>(connection); };
    }
    static CCommHandler::DriverFactory Factory(FakeDriverLog& log)
    {
        return [&log] { return std::make_unique<FakeDriver>(log); };
    }

    void Open(CCommHandler*, const std::string& connection) override
    {
        if (!log_)
            return;
        ++log_->opens;
        log_->connection = connection;
    }
    void SignalCommission() override { Count(&FakeDriverLog::commissions); }
    void SignalSend() override { Count(&FakeDriverLog::sends); }
    void SignalStop() override { Count(&FakeDriverLog::stops); }
    std::string GetConnectionString() const override { return log_ ? log_->connection : connection_; }

private:
    void Count(int FakeDriverLog::*counter)
    {
        if (log_)
            ++(log_->*counter);
    }

    std::string connection_;
    FakeDriverLog* log_ = nullptr;
};
