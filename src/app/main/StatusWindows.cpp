#include "app/main/StatusWindows.h"

#include "status/constellation/ConstellationStatistics.h"
#include "status/gps/GPSStatus.h"
#include "status/history/StatusHistory.h"
#include "status/history/StatusHistoryFeed.h"
#include "status/history/StatusRecordingCommand.h"
#include "status/install/InstallStatus.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>

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
    : frame_(frame), gps_(AddHidden(frame.MdiArea(), new CGPSStatus(frame.Controller()))),
      install_(AddHidden(frame.MdiArea(), new CInstallStatus(frame.Controller(), [&frame] {
          return frame.Controller().UnitAddressText();
      }))),
      constellation_(AddHidden(frame.MdiArea(), new CConstellationStatistics(frame.Controller())))
{
    frame.SetStatusWindows(this);
    frame.SetCommandHandler(ID_GPS_STATUS, [this] { gps_->ShowAndRequest(); });
    frame.SetCommandHandler(ID_INSTALLATION_STATUS, [this] { install_->ShowAndRequest(); });
    frame.SetCommandHandler(ID_CONSTELLATION_STATISTICS, [this] { constellation_->ShowAndRequest(); });
    AttachHistory(frame);
}

// The MDI area owns the windows; the recording ends before the history goes.
CStatusWindows::~CStatusWindows()
{
    frame_.SetCommandChecked(ID_RECORD_STATUS, {});
    frame_.SetCommandHandler(ID_RECORD_STATUS, {});
    recording_.reset();
    feed_.reset();
    history_.reset();
}

void CStatusWindows::AttachHistory(CMainFrame& frame)
{
    history_ = std::make_unique<CStatusHistory>();
    feed_ = std::make_unique<CStatusHistoryFeed>(*history_);
    feed_->Attach(gps_->View());
    feed_->Attach(install_->View());
    feed_->Attach(constellation_->View());
    CMainFrameController& controller = frame.Controller();
    QObject::connect(&controller, &CMainFrameController::LinkInterrupted, history_.get(),
                     [history = history_.get()] { history->MarkGap(); });
    // The tool learns no serial number without asking the unit: the
    // connection string names the unit instead, so a reconnection to the
    // same one (also after a reset) continues its history.
    QObject::connect(&controller, &CMainFrameController::UnitConnected, history_.get(),
                     [history = history_.get(), &controller] { history->SetUnit(controller.LastConnection()); });

    recording_ = std::make_unique<CStatusRecordingCommand>(*feed_);
    frame.SetCommandHandler(ID_RECORD_STATUS, [this] { recording_->Toggle(); });
    // The check mark follows the recording, also when it stops by itself.
    frame.SetCommandChecked(ID_RECORD_STATUS, [this] { return recording_->IsRecording(); });
    if (QAction* action = frame.Action(ID_RECORD_STATUS)) {
        if (QMenu* menu = frame.Menu(QStringLiteral("Status")))
            menu->insertSeparator(action);
        QObject::connect(recording_.get(), &CStatusRecordingCommand::RecordingChanged, &frame,
                         [&frame] { frame.CommandStateChanged(); });
    }
    recordingPane_ = frame.AddIndicatorPane(QStringLiteral("StatusRecordingPane"));
    QObject::connect(recording_.get(), &CStatusRecordingCommand::RecordingChanged, recordingPane_,
                     [this](bool recording) {
                         const QString where = QDir::toNativeSeparators(recording_->Recorder().Path());
                         CMainFrame::SetIndicator(*recordingPane_,
                                                  recording ? QStringLiteral("REC status") : QString(),
                                                  QStringLiteral("Recording the status to %1").arg(where));
                     });
}

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
