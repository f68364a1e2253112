#include "app/frame/widgets/MainFrame.h"

#include "app/ManagerSettings.h"
#include "app/frame/ConnectionPaneText.h"
#include "app/frame/WindowArrangement.h"
#include "app/frame/widgets/FrameIcons.h"
#include "app/widgets/CommParamDlg.h"
#include "settings/widgets/WidgetPlacement.h"
#include "data/ProgressPane.h"
#include "link/CommHandler.h"
#include "link/widgets/ConnectProgressDlg.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QStyle>
#include <QMenuBar>
#include <QProgressBar>
#include <QHBoxLayout>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include <algorithm>
#include <set>

namespace {

const QString kPlacementPath = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");
const QString kFramePlacementName = QStringLiteral("MainFrm");
constexpr int kProgressPaneWidth = 80;
constexpr int kAccessPaneWidth = 130;

// Commands that start a new group in their menu.
const std::set<int> kSeparatorBefore = {ID_RECORD_UNIT_TRAFFIC, ID_APP_EXIT, ID_ADVANCED, ID_COMMISSIONING_WIZARD,
                                        ID_CONSTELLATION_LOG, ID_VERSION_INFORMATION, ID_APP_ABOUT,
                                        ID_SKY_PLOT, ID_FLEET_OVERVIEW};

const char* const kMenuOrder[] = {"File", "View", "Run", "Maintenance", "Status", "Window", "Help"};

// The data groups' progress bar in status bar pane 1.
class StatusProgressBar : public IProgressBar {
public:
    explicit StatusProgressBar(QWidget* pane) : bar_(new QProgressBar(pane))
    {
        bar_->setTextVisible(false);
        bar_->setMaximumHeight(pane->height() > 4 ? pane->height() - 4 : 14);
        pane->layout()->addWidget(bar_);
        bar_->hide();
    }
    ~StatusProgressBar() override { delete bar_.data(); }
    void SetRange(int upper) override { bar_->setRange(0, upper); bar_->setValue(0); }
    void Step() override { bar_->setValue(bar_->value() + 1); }
    void SetVisible(bool visible) override { bar_->setVisible(visible); }
    bool IsVisible() const override { return bar_ && bar_->isVisible(); }

private:
    QPointer<QProgressBar> bar_;
};

} // namespace

CMainFrame::CMainFrame(CManagerSettings& settings, StartupRequest startup, QWidget* parent)
    : QMainWindow(parent), settings_(settings)
{
    setWindowTitle(CMainFrameController::AppTitle());
    setObjectName(QStringLiteral("MainFrame"));
    resize(1024, 720);
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);

    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreateAccelerators();
    InstallProgressPane();
    CConnectProgressDlg::Install();

    // Where a saved file went, and the like, shows in this window's status bar.
    previousStatusMessage_ = SetStatusMessageFunction([this](const QString& text) { statusBar()->showMessage(text); });

    controller_ = std::make_unique<CMainFrameController>(settings_, *this, std::move(startup));
    // The menu starts with the advanced entries; the saved mode may remove them.
    if ((settings_.advancedMode != 0) != controller_->AdvancedMode())
        ToggleAdvancedMode();
    CommandStateChanged();
}

CMainFrame::~CMainFrame()
{
    SetProgressBarFactory({});
    CConnectProgress::SetViewFactory({});
    SetStatusMessageFunction(std::move(previousStatusMessage_));
    controller_.reset();
}

void CMainFrame::CreateMenus()
{
    for (const char* name : kMenuOrder)
        menus_[QString::fromLatin1(name)] = menuBar()->addMenu(QLatin1Char('&') + QString::fromLatin1(name));
    for (const FrameCommand& command : FrameCommands()) {
        QMenu* menu = menus_.at(QString::fromLatin1(command.menu));
        auto* action = new QAction(QString::fromLatin1(command.text), this);
        action->setStatusTip(CommandStatusText(command));
        action->setToolTip(CommandToolTip(command));
        action->setIcon(FrameCommandIcon(command.id));
        action->setIconVisibleInMenu(false);
        action->setData(command.id);
        const int id = command.id;
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
        if (id == ID_ADVANCED || id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR)
            action->setCheckable(true);
        if (kSeparatorBefore.count(id))
            menu->addSeparator();
        menu->addAction(action);
        actions_[id] = action;
    }
    clockOutAction_ = actions_.at(ID_CLOCK_OUT_TIMING);
    for (auto& [name, menu] : menus_)
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::CommandStateChanged);
}

void CMainFrame::CreateToolBar()
{
    toolBar_ = addToolBar(QStringLiteral("Standard"));
    toolBar_->setObjectName(QStringLiteral("StandardToolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setMovable(false);
    const int buttons[] = {ID_OPEN_WORK_ORDER,     0, ID_LOCAL_CONNECTION, ID_REMOTE_CONNECTION,
                           ID_DISCONNECT,          0, ID_COMMISSION_MODE,  ID_COMMISSIONING_WIZARD,
                           ID_COMMISSIONING_REPORT, ID_CONSTELLATION_LOG, 0, ID_GPS_STATUS,
                           ID_CONSTELLATION_STATISTICS, ID_INSTALLATION_STATUS};
    for (int id : buttons) {
        if (id == 0)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(actions_.at(id));
    }
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    // The connection's state stays in sight whatever the message area shows.
    connectionPane_ = new QLabel(ConnectionPaneText({}), bar);
    connectionPane_->setObjectName(QStringLiteral("ConnectionPane"));
    connectionPane_->setMinimumWidth(connectionPane_->fontMetrics().horizontalAdvance(
        QStringLiteral("Waiting for the unit to restart - Local (255.255.255.255)")));
    bar->addPermanentWidget(connectionPane_);
    progressPane_ = new QWidget(bar);
    progressPane_->setObjectName(QStringLiteral("ProgressPane"));
    progressPane_->setFixedWidth(kProgressPaneWidth);
    auto* layout = new QHBoxLayout(progressPane_);
    layout->setContentsMargins(0, 0, 0, 0);
    bar->addPermanentWidget(progressPane_);
    accessPane_ = new QLabel(QStringLiteral(" "), bar);
    accessPane_->setObjectName(QStringLiteral("AccessLevelPane"));
    // Wide enough for the longest text in the font in use.
    accessPane_->setFixedWidth(std::max(
        kAccessPaneWidth,
        accessPane_->fontMetrics().horizontalAdvance(QStringLiteral("Access Level: Full Control")) + 12));
    bar->addPermanentWidget(accessPane_);
    // Keyboard lock states cannot be read portably; the indicators keep their
    // place and stay grey, as they do when the lock is off.
    for (const char* indicator : {"CAP", "NUM", "SCRL"}) {
        auto* label = new QLabel(QString::fromLatin1(indicator), bar);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
    }
    bar->showMessage(QStringLiteral("Ready"));
}

void CMainFrame::CreateAccelerators()
{
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const std::optional<int> id = CommandForAccelerator(letter);
        if (!id)
            continue;
        auto* shortcut = new QShortcut(QKeySequence(QString(QLatin1Char(letter))), this);
        shortcut->setContext(Qt::WindowShortcut);
        const int command = *id;
        connect(shortcut, &QShortcut::activated, this, [this, command] { RunCommand(command); });
    }
}

void CMainFrame::InstallProgressPane()
{
    QPointer<QWidget> pane = progressPane_;
    SetProgressBarFactory([pane]() -> std::unique_ptr<IProgressBar> {
        if (!pane)
            return nullptr;
        return std::make_unique<StatusProgressBar>(pane);
    });
}

QAction* CMainFrame::Action(int commandId) const
{
    auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

QMenu* CMainFrame::Menu(const QString& name) const
{
    auto it = menus_.find(name);
    return it == menus_.end() ? nullptr : it->second;
}

void CMainFrame::SetCommandHandler(int commandId, std::function<void()> handler)
{
    handlers_[commandId] = std::move(handler);
    CommandStateChanged();
}

void CMainFrame::SetCommandChecked(int commandId, std::function<bool()> checked)
{
    if (QAction* action = Action(commandId))
        action->setCheckable(true);
    checks_[commandId] = std::move(checked);
    CommandStateChanged();
}

void CMainFrame::RunCommand(int id)
{
    CommandStateChanged();
    if (QAction* action = Action(id); action && !action->isEnabled())
        return;
    CMainFrameController& c = *controller_;
    switch (id) {
    case ID_LOCAL_CONNECTION: c.LocalConnection(); break;
    case ID_REMOTE_CONNECTION: c.RemoteConnection(); break;
    case ID_COMMISSION_MODE: c.CommissionMode(); break;
    case ID_DISCONNECT: c.Disconnect(); break;
    case ID_RESET_QORA: c.ResetQora(); break;
    case ID_COMM_PARAMETERS: OpenCommParamDialog(); break;
    case ID_ADVANCED: ToggleAdvancedMode(); break;
    case ID_VIEW_TOOLBAR: toolBar_->setVisible(!toolBar_->isVisible()); break;
    case ID_VIEW_STATUS_BAR: statusBar()->setVisible(!statusBar()->isVisible()); break;
    case ID_WINDOW_CASCADE: CascadeChildWindows(); break;
    case ID_WINDOW_TILE: TileChildWindows(); break;
    case ID_APP_EXIT: close(); break;
    default:
        if (auto it = handlers_.find(id); it != handlers_.end() && it->second) {
            it->second();
        } else if (const FrameCommand* command = FindFrameCommand(id)) {
            statusBar()->showMessage(QString::fromLatin1(command->text).remove(QLatin1Char('&')) +
                                         QStringLiteral(" is not available in this version."),
                                     4000);
        }
        break;
    }
    CommandStateChanged();
}

void CMainFrame::ToggleAdvancedMode()
{
    QMenu* maintenance = Menu(QStringLiteral("Maintenance"));
    if (controller_->AdvancedMode()) {
        controller_->SetAdvancedMode(false);
        maintenance->removeAction(clockOutAction_);
    } else {
        controller_->SetAdvancedMode(true);
        maintenance->insertAction(Action(ID_RESET_QORA), clockOutAction_);
    }
    CommandStateChanged();
}

void CMainFrame::OpenCommParamDialog()
{
    CCommParamDlg dialog(settings_, this);
    dialog.exec();
}

namespace {
// The child windows Tile and Cascade arrange: the visible ones that are not
// minimized, each restored from maximized first.
QList<QMdiSubWindow*> ArrangedWindows(QMdiArea& area, QMdiArea::WindowOrder order)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : area.subWindowList(order)) {
        if (!window->isVisible() || window->isMinimized())
            continue;
        if (window->isMaximized())
            window->showNormal();
        windows << window;
    }
    return windows;
}

QSize MinimumSize(const QWidget& window)
{
    return window.minimumSizeHint().expandedTo(window.minimumSize());
}
} // namespace

QRect CMainFrame::ChildWindowArea()
{
    // Scrolled back first: the area's scrolling moves the windows themselves,
    // and once they fit the scroll bars go and would move them again.
    mdi_->horizontalScrollBar()->setValue(0);
    mdi_->verticalScrollBar()->setValue(0);
    return QRect(QPoint(0, 0), mdi_->maximumViewportSize());
}

void CMainFrame::TileChildWindows()
{
    const QList<QMdiSubWindow*> windows = ArrangedWindows(*mdi_, QMdiArea::CreationOrder);
    std::vector<QSize> minimum;
    for (const QMdiSubWindow* window : windows)
        minimum.push_back(MinimumSize(*window));
    const std::vector<QRect> tiles = TileWindows(ChildWindowArea(), minimum);
    for (qsizetype i = 0; i < windows.size(); ++i)
        windows[i]->setGeometry(tiles[static_cast<std::size_t>(i)]);
}

void CMainFrame::CascadeChildWindows()
{
    // Bottom of the stack first, so that the active window ends in front.
    const QList<QMdiSubWindow*> windows = ArrangedWindows(*mdi_, QMdiArea::StackingOrder);
    if (windows.isEmpty())
        return;
    std::vector<CascadeWindow> sizes;
    for (const QMdiSubWindow* window : windows)
        sizes.push_back({window->sizeHint(), MinimumSize(*window)});
    const QMdiSubWindow& first = *windows.front();
    const int step = first.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &first) +
                     first.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &first);
    const std::vector<QRect> placed = CascadeWindows(ChildWindowArea(), sizes, step);
    for (qsizetype i = 0; i < windows.size(); ++i) {
        windows[i]->setGeometry(placed[static_cast<std::size_t>(i)]);
        windows[i]->raise();
    }
}

void CMainFrame::SetFrameTitle(const QString& title)
{
    setWindowTitle(title);
}

void CMainFrame::SetAccessLevelText(const QString& text)
{
    accessPane_->setText(text.isEmpty() ? QStringLiteral(" ") : text);
}

void CMainFrame::SetConnectionText(const QString& text)
{
    connectionPane_->setText(text);
}

void CMainFrame::ShowWaitCursor()
{
    if (QApplication::overrideCursor())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QTimer::singleShot(0, [] { QApplication::restoreOverrideCursor(); });
}

void CMainFrame::CommandStateChanged()
{
    if (!controller_)
        return;
    const FrameCommandState state =
        controller_->CommandState(statusWindows_ && statusWindows_->AnyVisible());
    for (auto& [id, action] : actions_)
        action->setEnabled(IsFrameCommandEnabled(id, state));
    actions_.at(ID_ADVANCED)->setChecked(controller_->AdvancedMode());
    actions_.at(ID_VIEW_TOOLBAR)->setChecked(toolBar_->isVisible() || !isVisible());
    actions_.at(ID_VIEW_STATUS_BAR)->setChecked(statusBar()->isVisible() || !isVisible());
    for (auto& [id, checked] : checks_)
        if (QAction* action = Action(id); action && checked)
            action->setChecked(checked());
}

void CMainFrame::HideStatusWindows()
{
    if (statusWindows_)
        statusWindows_->Hide();
}

void CMainFrame::StartStatusWindows()
{
    if (statusWindows_)
        statusWindows_->Start();
}

void CMainFrame::RestartVisibleStatusWindows()
{
    if (statusWindows_)
        statusWindows_->RestartVisible();
}

void CMainFrame::RunCommParamDialog()
{
    OpenCommParamDialog();
}

void CMainFrame::SaveFramePlacement()
{
    SaveWidgetPlacement(settings_, *this, kPlacementPath, kFramePlacementName);
}

void CMainFrame::DestroyFrame()
{
    destroying_ = true;
    close();
}

void CMainFrame::RestorePlacementAndShow()
{
    if (!LoadWidgetPlacement(settings_, *this, kPlacementPath, kFramePlacementName) || !isVisible())
        show();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (destroying_ || controller_->RequestClose()) {
        event->accept();
        return;
    }
    event->ignore();
}
