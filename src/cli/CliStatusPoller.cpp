#include "cli/CliStatusPoller.h"

#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "link/DeviceMessageNotice.h"
#include "platform/MessageIds.h"

namespace {

constexpr std::initializer_list<CCliStatusPoller::Kind> kAll = {
    CCliStatusPoller::Kind::Gps, CCliStatusPoller::Kind::Installation, CCliStatusPoller::Kind::Constellation};

std::vector<std::uint8_t> RequestOf(CCliStatusPoller::Kind kind)
{
    switch (kind) {
    case CCliStatusPoller::Kind::Gps:
        return Protocol::GpsStatusRequest();
    case CCliStatusPoller::Kind::Installation:
        return Protocol::InstallStatusRequest();
    case CCliStatusPoller::Kind::Constellation:
        break;
    }
    return Protocol::ConstellationStatisticsRequest();
}

} // namespace

CCliStatusPoller::CCliStatusPoller(QObject* parent) : CMessageTarget(parent) {}

CCliStatusPoller::~CCliStatusPoller()
{
    Stop();
}

void CCliStatusPoller::Start(bool refresh)
{
    if (CCommHandler* handler = AppCommHandler())
        handler->AddListener(this);
    if (!refresh)
        return;
    Request(kAll);
    SetTimer(kRefreshTimerId, kRefreshMs);
}

void CCliStatusPoller::Stop()
{
    if (CCommHandler* handler = AppCommHandler())
        handler->RemoveListener(this);
    KillTimer(kRefreshTimerId);
}

void CCliStatusPoller::Request(std::initializer_list<Kind> kinds)
{
    for (const Kind kind : kinds) {
        CCommHandler* handler = AppCommHandler();
        // Status requests go out only in commission mode.
        if (!handler || !InCommissionMode(handler->GetConnectionType())) {
            Clear(kind);
            continue;
        }
        SendToHandler(handler, std::make_unique<CDeviceMessage>(CDeviceMessage::Of(RequestOf(kind))));
    }
}

void CCliStatusPoller::OnTimer(int timerId)
{
    if (timerId == kRefreshTimerId)
        Request(kAll);
}

MsgResult CCliStatusPoller::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message != WM_DEVICE_MESSAGE)
        return 0;
    if (wParam == 0) {
        // As in the windows, a failure of any request clears all three.
        for (const Kind kind : kAll)
            Clear(kind);
        status_.constellationValid = false;
        emit RequestFailed();
        return 0;
    }
    if (const std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam))
        Decode(*reply);
    return 0;
}

void CCliStatusPoller::Decode(const CDeviceMessage& reply)
{
    // Each kind reads the reply on its own, as each window does.
    const Protocol::Bytes bytes = reply.Bytes();
    const Protocol::Decoded gps = Protocol::DecodeGpsStatus(bytes, status_.gps);
    // Channel states count from the first C/No the reply carried.
    if (gps != Protocol::Decoded::NotThisReply && bytes.size() > Protocol::SGpsStatus::kFirstCNoAt)
        status_.channelStatesReceived = true;
    if (gps == Protocol::Decoded::Whole)
        emit Answered(Kind::Gps);
    if (Protocol::DecodeInstallationStatus(bytes, status_.installation) == Protocol::Decoded::Whole)
        emit Answered(Kind::Installation);
    // The unit's verdict is kept even from a reply that carries no statistics;
    // a reply cut short keeps what was read but claims nothing valid.
    if (Protocol::DecodeConstellationStatistics(bytes, status_.constellation) == Protocol::Decoded::Whole) {
        status_.constellationValid = true;
        emit Answered(Kind::Constellation);
    }
}

void CCliStatusPoller::Clear(Kind kind)
{
    switch (kind) {
    case Kind::Gps:
        status_.gps = {};
        break;
    case Kind::Installation:
        // The bus time and survey progress stay, as in the window.
        status_.installation.codes.fill(Protocol::SInstallationStatus::Unset);
        break;
    case Kind::Constellation:
        status_.constellation.durations.fill(0);
        status_.constellation.total = 0;
        status_.constellation.verdict = Protocol::SConstellationStatistics::kNoVerdict;
        break;
    }
}
