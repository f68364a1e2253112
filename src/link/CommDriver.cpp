#include "link/CommDriver.h"

CCommDriver::CCommDriver()
    : sendEvent_(std::make_shared<CAutoResetEvent>()),
      commissionEvent_(std::make_shared<CAutoResetEvent>()),
      stopEvent_(std::make_shared<CAutoResetEvent>())
{
}

CCommDriver::~CCommDriver() = default;

void CCommDriver::Open(CCommHandler*, const std::string&) {}

void CCommDriver::SignalCommission()
{
    commissionEvent_->Set();
}

void CCommDriver::SignalSend()
{
    sendEvent_->Set();
}

void CCommDriver::SignalStop()
{
    stopEvent_->Set();
}
