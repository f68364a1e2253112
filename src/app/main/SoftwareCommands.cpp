#include "app/main/SoftwareCommands.h"

#include "app/ManagerSettings.h"
#include "app/frame/FrameCommands.h"
#include "app/frame/widgets/MainFrame.h"
#include "link/CommHandler.h"
#include "platform/UserPrompts.h"
#include "software/activation/widgets/SoftwareActivationDlg.h"
#include "software/download/widgets/MulticastDownloadDlg.h"

namespace {
void RunSoftwareDownload(CMainFrame& frame, const CManagerSettings& settings)
{
    FileDialogRequest request;
    request.caption = QStringLiteral("Open");
    request.initialPath = QStringLiteral("*.MFI");
    request.filter = QStringLiteral("QORA Master File (*.MFI *.mfi)");
    request.defaultSuffix = QStringLiteral("MFI");
    const auto path = ShowFileDialog(request);
    if (!path || path->isEmpty())
        return;

    CMainFrameController& controller = frame.Controller();
    bool downloaded = false;
    {
        CMulticastDownloadDlg dialog(&frame);
        dialog.SetChecksumChunkSize(static_cast<int>(settings.swdlPacketSize));
        dialog.SetMasterFile(*path);
        // The configured address as it stands now; the engine takes a remote
        // connection's own address from its connection string when it starts.
        dialog.SetTarget(SDownloadTarget{static_cast<std::uint16_t>(settings.q1Address),
                                         controller.ConnectionDescription()});
        controller.SetDownloadDialogOpen(true);
        downloaded = dialog.exec() == QDialog::Accepted;
        controller.SetDownloadDialogOpen(false);
    }
    if (downloaded && InCommissionMode(controller.Handler().GetConnectionType()))
        RunSoftwareActivation(frame);
}
} // namespace

void RunSoftwareActivation(CMainFrame& frame)
{
    CMainFrameController& controller = frame.Controller();
    CSoftwareActivationDlg dialog(&frame);
    dialog.SetConnectionDescription(controller.ConnectionDescription());
    dialog.SetResetWaitCallback([&controller] { controller.StartResetWait(); });
    dialog.exec();
}

void AttachSoftwareCommands(CMainFrame& frame, CManagerSettings& settings)
{
    frame.SetCommandHandler(ID_SW_DOWNLOAD, [&frame, &settings] { RunSoftwareDownload(frame, settings); });
    frame.SetCommandHandler(ID_SW_ACTIVATION, [&frame] {
        frame.Controller().PrepareModalDialog();
        RunSoftwareActivation(frame);
    });
}
