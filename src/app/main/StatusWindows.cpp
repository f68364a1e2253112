#include "app/main/StatusWindows.h"

#include "status/constellation/ConstellationStatistics.h"
#include "status/gps/GPSStatus.h"
#include "status/install/InstallStatus.h"

#include <QMdiArea>

namespace {
template <typename Window>
Window* AddHidden(QMdiArea* area, Window* window)
{
    area->addSubWindow(window);
    window->hide();
    return window;
}
} // namespace

CStatusWindows::CStatusWindows(CMainFrame& frame)
    : gps_(AddHidden(frame.MdiArea(), new CGPSStatus(frame.Controller()))),
      install_(AddHidden(frame.MdiArea(), new CInstallStatus(frame.Controller(), [&frame] {
          return frame.Controller().UnitAddressText();
      }))),
      constellation_(AddHidden(frame.MdiArea(), new CConstellationStatistics(frame.Controller())))
{
    frame.SetStatusWindows(this);
    frame.SetCommandHandler(ID_GPS_STATUS, [this] { gps_->ShowAndRequest(); });
    frame.SetCommandHandler(ID_INSTALLATION_STATUS, [this] { install_->ShowAndRequest(); });
    frame.SetCommandHandler(ID_CONSTELLATION_STATISTICS, [this] { constellation_->ShowAndRequest(); });
}

CStatusWindows::~CStatusWindows() = default; // the MDI area owns the windows

template <typename F>
void CStatusWindows::ForEach(F&& f)
{
    f(*gps_);
    f(*install_);
    f(*constellation_);
}

void CStatusWindows::Hide()
{
    ForEach([](auto& window) {
        window.SaveLayout();
        window.hide();
        window.StopRefresh();
    });
}

void CStatusWindows::Start()
{
    ForEach([](auto& window) {
        window.LoadLayout();
        window.ClearStatus();
        window.StartRefresh();
    });
}

void CStatusWindows::RestartVisible()
{
    ForEach([](auto& window) {
        if (window.IsVisible()) {
            window.ClearStatus();
            window.StartRefresh();
        }
    });
}

bool CStatusWindows::AnyVisible() const
{
    return gps_->IsVisible() || install_->IsVisible();
}
