#include "app/main/SoftwareCommands.h"

#include "app/ManagerSettings.h"
#include "app/frame/FrameCommands.h"
#include "app/frame/widgets/MainFrame.h"
#include "link/CommHandler.h"
#include "platform/UserPrompts.h"
#include "software/activation/widgets/SoftwareActivationDlg.h"
#include "software/download/widgets/MulticastDownloadDlg.h"

namespace {
// The unit address for the transfer start: the connection's own ADDR when it
// has one, otherwise the configured Q1 address.
std::uint16_t DownloadUnitAddress(const CMainFrameController& controller, const CManagerSettings& settings)
{
    bool ok = false;
    const uint address = controller.UnitAddressText().trimmed().toUInt(&ok);
    if (ok && address <= 0xFFFF)
        return static_cast<std::uint16_t>(address);
    return static_cast<std::uint16_t>(settings.q1Address);
}

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
        dialog.SetTarget(SDownloadTarget{DownloadUnitAddress(controller, settings), controller.ConnectionDescription()});
        controller.SetDownloadDialogOpen(true);
        downloaded = dialog.exec() == QDialog::Accepted;
        controller.SetDownloadDialogOpen(false);
    }
    if (downloaded && controller.Handler().GetConnectionType() > 2)
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
