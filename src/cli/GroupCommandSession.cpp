#include "cli/GroupCommandSession.h"

#include "cli/CliOutput.h"
#include "data/RequestChannel.h"

#include "cli/CliSession.h"
#include "cli/LinkReport.h"
#include "data/DataClass.h"
#include "link/AppHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"

#include <QEventLoop>
#include <QTimer>

#include <cstdio>

CGroupCommandSession::CGroupCommandSession(std::string connection) : connection_(std::move(connection))
{
    handler_.SetSilentConnect(true);
}

CGroupCommandSession::~CGroupCommandSession()
{
    if (AppCommHandler() == &handler_)
        SetAppCommHandler(nullptr);
    if (MainWindowTarget() == this)
        SetMainWindowTarget(nullptr);
}

void CGroupCommandSession::Attach(CDataClass& group)
{
    Attach(group.Channel());
}

void CGroupCommandSession::Attach(CRequestChannel& channel)
{
    // The command's groups read for it together: a failed request of any of
    // them ends each one's read.
    channel.WorkFor(*this);
    channel.AddWindow(this);
    channel.Register();
}

int CGroupCommandSession::Run(bool commission, std::function<void()> ready)
{
    commission_ = commission;
    ready_ = std::move(ready);
    SetMainWindowTarget(this);
    SetAppCommHandler(&handler_);
    // The link's own time limits end most waits long before this one.
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, this, [this] {
        PrintError(stderr, "the unit did not answer in time");
        Finish(kExitRequestFailed);
    });
    limit_ = &limit;
    KeepAlive();
    handler_.Connect(ConnectionRoute::Direct, connection_);
    QEventLoop loop;
    while (!finished_)
        loop.processEvents(QEventLoop::WaitForMoreEvents);
    limit_ = nullptr;
    if (beforeClose_)
        beforeClose_();
    handler_.CloseConnection();
    return status_;
}

void CGroupCommandSession::KeepAlive()
{
    if (!limit_)
        return;
    if (quietLimitMs_ > 0)
        limit_->start(quietLimitMs_);
    else
        limit_->stop();
}

void CGroupCommandSession::Finish(int status)
{
    if (finished_)
        return;
    finished_ = true;
    status_ = status;
    std::fflush(stdout);
}

MsgResult CGroupCommandSession::OnMessage(unsigned message, MsgWParam wParam, MsgLParam)
{
    if (finished_)
        return 0;
    if (message != WM_CONNECTION_EVENT) {
        if (onNotice_)
            onNotice_(message, wParam);
        return 0;
    }
    const auto start = [this] {
        if (!started_ && ready_) {
            started_ = true;
            ready_();
        }
    };
    switch (NoticeOf(wParam)) {
    case NOTICE_CONNECTED:
    case NOTICE_CONNECTED_OTHER_UNIT:
        if (commission_)
            handler_.EnterCommissionMode();
        else
            start();
        break;
    case NOTICE_COMMISSION_MODE:
        start();
        break;
    case NOTICE_CONNECT_FAILED:
        PrintError(stderr, CannotConnectText(connection_, handler_.LastFailure()));
        Finish(kExitNoConnection);
        break;
    case NOTICE_DISCONNECTED:
        PrintError(stderr, "the connection was lost");
        Finish(kExitNoConnection);
        break;
    default:
        break;
    }
    return 0;
}
