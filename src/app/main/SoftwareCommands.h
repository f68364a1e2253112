#pragma once
// The maintenance commands for firmware: "SW Download..." (choose a master
// file, run the download, then activate in commission mode) and
// "SW Activation...".

class CMainFrame;
class CManagerSettings;

void AttachSoftwareCommands(CMainFrame& frame, CManagerSettings& settings);

// The activation dialog, modal, with the frame's reset wait after a success.
void RunSoftwareActivation(CMainFrame& frame);
