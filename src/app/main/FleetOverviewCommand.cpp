#include "app/main/FleetOverviewCommand.h"

#include "app/frame/widgets/MainFrame.h"
#include "app/shell/HelpFiles.h"
#include "app/shell/HelpViewer.h"
#include "fleet/widgets/FleetOverviewWindow.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "platform/UserPrompts.h"

#include <QMdiArea>
#include <QTimer>

namespace {
constexpr int kWaitTickMs = 20;
constexpr int kWaitLimitMs = 10000; // the handler reports a closed connection at once
} // namespace

CFleetOverviewCommand::CFleetOverviewCommand(CMainFrame& frame, const QString& programPath)
    : frame_(frame), window_(new CFleetOverviewWindow), wait_(new QTimer(this))
{
    frame.MdiArea()->addSubWindow(window_);
    window_->hide();
    window_->SetOpenUnit([this](const QString& name) { OpenUnit(name); });
    window_->SetHelp([programPath] { ShowProgramHelp(programPath, HelpPageForCommand(ID_FLEET_OVERVIEW)); });
    frame.SetCommandHandler(ID_FLEET_OVERVIEW, [this] { window_->ShowAndRaise(); });
    wait_->setInterval(kWaitTickMs);
    connect(wait_, &QTimer::timeout, this, &CFleetOverviewCommand::ConnectWhenDisconnected);
}

CFleetOverviewCommand::~CFleetOverviewCommand()
{
    frame_.SetCommandHandler(ID_FLEET_OVERVIEW, {});
    if (!window_)
        return;
    // Open when the program ends (the frame is hidden by then): its place is kept.
    if (!window_->isHidden())
        window_->SaveLayout();
    delete window_.data();
}

CFleetOverviewWindow& CFleetOverviewCommand::Window() const
{
    return *window_;
}

void CFleetOverviewCommand::OpenUnit(const QString& nodeName)
{
    CMainFrameController& controller = frame_.Controller();
    if (wait_->isActive())
        return; // a connection is already being changed over
    if (controller.ConnectionState() == ConnectionState::Connecting) {
        ShowStatusMessage(QStringLiteral("A connection is being made; %1 can be opened once it is made or cancelled.")
                              .arg(nodeName));
        return;
    }
    if (!IsConnected(controller.Handler().GetConnectionType())) {
        controller.RemoteConnectionTo(nodeName);
        return;
    }
    const QString now = controller.ConnectionDescription().isEmpty() ? QStringLiteral("the unit connected now")
                                                                      : controller.ConnectionDescription();
    MessageBoxRequest question{
        QStringLiteral("The connection to %1 will be closed to open a remote connection to %2.\n\n"
                       "Are you sure? Click Yes to continue.")
            .arg(now, nodeName),
        QString(), MsgIcon::Question, MsgButtons::YesNo, MsgAnswer::No};
    if (ShowMessageBox(question) != MsgAnswer::Yes)
        return;
    pending_ = nodeName;
    waitedMs_ = 0;
    frame_.RunCommand(ID_DISCONNECT);
    wait_->start();
}

// The new connection starts once the frame has seen the old one end, as
// after the Disconnect command.
void CFleetOverviewCommand::ConnectWhenDisconnected()
{
    CMainFrameController& controller = frame_.Controller();
    if (controller.ConnectionState() != ConnectionState::Disconnected) {
        waitedMs_ += kWaitTickMs;
        if (waitedMs_ < kWaitLimitMs)
            return;
        wait_->stop();
        qCWarning(lcLink, "fleet overview: the connection did not end; %s not opened", qPrintable(pending_));
        ShowStatusMessage(QStringLiteral("The connection did not end; %1 was not opened.").arg(pending_));
        return;
    }
    wait_->stop();
    controller.RemoteConnectionTo(pending_);
}
