#include "app/main/SoftwareCommands.h"

#include "app/ManagerSettings.h"
#include "app/frame/FrameCommands.h"
#include "app/frame/widgets/MainFrame.h"
#include "software/activation/widgets/SoftwareActivationDlg.h"

void RunSoftwareActivation(CMainFrame& frame)
{
    CMainFrameController& controller = frame.Controller();
    CSoftwareActivationDlg dialog(&frame);
    dialog.SetConnectionDescription(controller.ConnectionDescription());
    dialog.SetResetWaitCallback([&controller] { controller.StartResetWait(); });
    dialog.exec();
}

void AttachSoftwareCommands(CMainFrame& frame, CManagerSettings& /*settings*/)
{
    frame.SetCommandHandler(ID_SW_ACTIVATION, [&frame] {
        frame.Controller().PrepareModalDialog();
        RunSoftwareActivation(frame);
    });
}
