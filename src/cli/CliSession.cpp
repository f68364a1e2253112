#include "cli/CliSession.h"
#include "cli/CliOutput.h"
#include "link/DeviceMessageNotice.h"

#include "cli/HexText.h"
#include "cli/LinkReport.h"
#include "link/RksDriver.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"

#include <QCoreApplication>

#include <cstdio>

CCliSession::CCliSession(std::string connection) : connection_(std::move(connection))
{
    handler_.SetSilentConnect(true);
}

CCliSession::~CCliSession()
{
    handler_.RemoveListener(this);
}

void CCliSession::StartIdentify()
{
    onConnected_ = [this](bool qora) {
        auto* driver = dynamic_cast<CRksDriver*>(handler_.GetDriver());
        const std::string identity = driver ? driver->GetIdentity() : std::string();
        std::printf("identity: %s%s\n", identity.c_str(), qora ? "" : " (not a QORA unit)");
        Finish(qora ? kExitOk : kExitOtherUnit);
    };
    handler_.Connect(ConnectionRoute::Direct, connection_);
}

void CCliSession::StartRaw(Requests requests)
{
    requests_ = std::move(requests);
    onConnected_ = [this](bool) {
        handler_.AddListener(this);
        SendNext();
    };
    handler_.Connect(ConnectionRoute::Direct, connection_);
}

MsgResult CCliSession::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (message == WM_CONNECTION_EVENT)
        OnNotice(NoticeOf(wParam));
    else if (message == WM_DEVICE_MESSAGE)
        OnReply(wParam, lParam);
    return 0;
}

void CCliSession::OnNotice(ConnectionNotice notice)
{
    if (finished_)
        return;
    switch (notice) {
    case NOTICE_CONNECTED:
    case NOTICE_CONNECTED_OTHER_UNIT:
        if (onConnected_)
            onConnected_(notice == NOTICE_CONNECTED);
        break;
    case NOTICE_CONNECT_FAILED:
        PrintError(stderr, CannotConnectText(connection_, handler_.LastFailure()));
        Finish(kExitNoConnection);
        break;
    default:
        break;
    }
}

void CCliSession::OnReply(MsgWParam wParam, MsgLParam lParam)
{
    if (wParam != 0) {
        std::unique_ptr<CDeviceMessage> reply = TakeDeviceMessage(lParam);
        std::printf("%s\n", FormatHex({reply->GetData(), static_cast<std::size_t>(reply->GetLength())}).c_str());
    } else {
        const std::uint32_t header = static_cast<std::uint32_t>(lParam) & 0xFFFFFFu;
        if (header == kResetHeader && UnansweredRequest(handler_, header)) {
            std::printf("%s\n", kUnansweredRestartText);
        } else {
            std::printf("failed %06x\n", static_cast<unsigned>(header));
            if (const SLinkFailure failure = handler_.LastFailure(); !failure.text.empty())
                PrintError(stderr, QString::asprintf("%06x: ", static_cast<unsigned>(header)) +
                                       QString::fromStdString(failure.text));
            anyFailed_ = true;
        }
    }
    std::fflush(stdout);
    SendNext();
}

void CCliSession::SendNext()
{
    if (finished_)
        return;
    if (next_ >= requests_.size()) {
        Finish(anyFailed_ ? kExitRequestFailed : kExitOk);
        return;
    }
    const auto& bytes = requests_[next_++];
    auto request = std::make_unique<CDeviceMessage>();
    request->AppendBytes(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    if (request->GetLength() < 3) {
        // The transport drops such a request without a word; say so here instead.
        std::printf("failed: a request needs at least 3 bytes\n");
        anyFailed_ = true;
        SendNext();
        return;
    }
    SendToHandler(&handler_, std::move(request));
}

void CCliSession::Finish(int status)
{
    if (finished_)
        return;
    finished_ = true;
    std::fflush(stdout);
    handler_.RemoveListener(this);
    handler_.CloseConnection();
    QCoreApplication::exit(status);
}
