#pragma once
// Makes the network browser, with its browse dialog, available through
// ComponentFactory<INetworkBrowser>. RegisterRksComponents (the link) stays
// free of widgets; programs with a window call this as well.

#include "rks/RksNetworkBrowser.h"

// Registers the browser under CLSID_NetworkBrowser. Its Browse shows the
// dialog of RksBrowseDlg.h, or calls `chooser` instead when one is given, so
// that a test can answer on the user's behalf.
void RegisterRksBrowser(RksNodeChooser chooser = {});
