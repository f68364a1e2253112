#include "cli/VersionCommand.h"

#include "cli/CliOutput.h"
#include "cli/CliSession.h"
#include "cli/LinkReport.h"
#include "data/RequestChannel.h"
#include "data/version/VersionData.h"
#include "link/AppHandler.h"
#include "platform/MainWindow.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

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

QString VersionReport(const CVersionData& version)
{
    const auto line = [](const char* label, const QByteArray& value) {
        return QString::fromLatin1(label) + QStringLiteral(": ") + UnitText(value) + u'\n';
    };
    return line("Unit Version", version.GetUnitVersion()) + line("HW Version", version.GetHardwareVersion()) +
           line("Serial Number", DisplaySerialNumber(version.GetSerialNumber())) +
           line("SW Version Active", version.GetSoftwareVersionActive()) +
           line("SW Version Inactive", version.GetSoftwareVersionInactive()) +
           line("GPS SW Version Active", version.GetGpsVersionActive()) +
           line("GPS SW Version Inactive", version.GetGpsVersionInactive()) +
           line("FPGA Version Active", version.GetFpgaVersionActive()) +
           line("FPGA Version Inactive", version.GetFpgaVersionInactive());
}

int RunVersionCommand(const std::string& connection)
{
    CGroupCommandSession session(connection);
    CVersionData version;
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message != WM_VERSION_READ_DONE)
            return;
        if (wParam == 0) {
            PrintError(stderr, LoadResString(StringId::ReadingProblem));
            session.Finish(kExitRequestFailed);
            return;
        }
        std::fputs(VersionReport(version).toUtf8().constData(), stdout);
        session.Finish(kExitOk);
    });
    const int status = session.Run(false, [&] {
        session.Attach(version);
        if (!version.ReadAll()) {
            PrintError(stderr, "the unit is not connected");
            session.Finish(kExitNoConnection);
        }
    });
    version.Unregister();
    return status;
}
