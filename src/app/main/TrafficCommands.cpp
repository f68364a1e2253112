#include "app/main/TrafficCommands.h"

#include "app/frame/widgets/MainFrame.h"
#include "app/shell/HelpFiles.h"
#include "settings/Registry.h"
#include "settings/widgets/WidgetPlacement.h"
#include "traffic/TrafficSession.h"
#include "traffic/widgets/TrafficWindow.h"

#include <QEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

namespace {

const QString kPlacementPath = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");
const QString kPlacementName = QStringLiteral("UnitTrafficWnd");

// Saves the live window's placement as it closes, like the status windows'.
class PlacementKeeper : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            if (auto* window = qobject_cast<QWidget*>(watched)) {
                CRegistry registry(RegRoot::CurrentUser);
                SaveWidgetPlacement(registry, *window, kPlacementPath, kPlacementName);
            }
        }
        return false;
    }
};

} // namespace

CTrafficCommands::CTrafficCommands(CMainFrame& frame, CTrafficSession& session)
    : frame_(frame), session_(session), recording_(session),
      pane_(frame.AddIndicatorPane(QStringLiteral("RecordingPane")))
{
    QObject::connect(&recording_, &CTrafficRecordingControl::Changed, &frame, [this] { RecordingChanged(); });
    frame.SetCommandHandler(ID_VIEW_UNIT_TRAFFIC, [this] { ShowWindow(); });
    frame.SetCommandHandler(ID_RECORD_UNIT_TRAFFIC, [this] { recording_.Toggle(); });
    frame.SetCommandChecked(ID_RECORD_UNIT_TRAFFIC, [this] { return recording_.IsRecording(); });
}

CTrafficCommands::~CTrafficCommands()
{
    frame_.SetCommandHandler(ID_VIEW_UNIT_TRAFFIC, {});
    frame_.SetCommandHandler(ID_RECORD_UNIT_TRAFFIC, {});
    frame_.SetCommandChecked(ID_RECORD_UNIT_TRAFFIC, {});
    // The window reads the session's ring; it goes with the commands.
    if (window_) {
        QWidget* sub = window_->parentWidget();
        delete (sub ? sub : window_.data());
    }
}

void CTrafficCommands::ShowWindow()
{
    QMdiArea* area = frame_.MdiArea();
    if (window_) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(window_->parentWidget())) {
            sub->showNormal();
            area->setActiveSubWindow(sub);
        }
        return;
    }
    window_ = CTrafficWindow::OpenLive(*area, session_.Ring());
    window_->SetHelp([this] {
        if (help_)
            help_(HelpPageForCommand(ID_VIEW_UNIT_TRAFFIC));
    });
    if (auto* sub = qobject_cast<QMdiSubWindow*>(window_->parentWidget())) {
        CRegistry registry(RegRoot::CurrentUser);
        if (!LoadWidgetPlacement(registry, *sub, kPlacementPath, kPlacementName) || !sub->isVisible())
            sub->show();
        sub->installEventFilter(new PlacementKeeper(sub));
        area->setActiveSubWindow(sub);
    }
}

void CTrafficCommands::RecordingChanged()
{
    const QString where = recording_.StatusText();
    CMainFrame::SetIndicator(*pane_, where.isEmpty() ? QString() : QStringLiteral("REC traffic"), where);
    frame_.CommandStateChanged();
}
