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
#include <QChildEvent>
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
#include <optional>
#include <set>
#include <utility>

namespace {

const QString kPlacementPath = QStringLiteral("Software\\QORAManager\\Settings\\Coordinates");
const QString kFramePlacementName = QStringLiteral("MainFrm");
constexpr int kProgressPaneWidth = 80;
constexpr int kAccessPaneWidth = 130;
// What the message area keeps for a menu tip before the work order pane
// gives way.
constexpr int kMessageRoom = 120;
// Set on a child window once the frame has seen it shown.
constexpr const char* kShownProperty = "qoraShownBefore";

// Commands that start a new group in their menu.
const std::set<int> kSeparatorBefore = {ID_RECORD_UNIT_TRAFFIC, ID_APP_EXIT, ID_ADVANCED, ID_COMMISSIONING_WIZARD,
                                        ID_CONSTELLATION_LOG, ID_VERSION_INFORMATION, ID_APP_ABOUT,
                                        ID_SKY_PLOT, ID_FLEET_OVERVIEW};

const char* const kMenuOrder[] = {"File", "View", "Run", "Maintenance", "Status", "Window", "Help"};

// A label that shortens its text in the middle to the width it gets; at
// most as wide as the whole text, at least as wide as a few letters.
class ElidedLabel : public QLabel {
public:
    using QLabel::QLabel;
    void SetFullText(const QString& text)
    {
        full_ = text;
        Elide();
        updateGeometry();
    }
    [[nodiscard]] const QString& FullText() const { return full_; }
    QSize sizeHint() const override
    {
        return {fontMetrics().horizontalAdvance(full_) + 2 * margin() + 4, QLabel::sizeHint().height()};
    }
    QSize minimumSizeHint() const override
    {
        return {std::min(sizeHint().width(), fontMetrics().horizontalAdvance(QStringLiteral("Work order...")) + 4),
                QLabel::minimumSizeHint().height()};
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QLabel::resizeEvent(event);
        Elide();
    }

private:
    void Elide()
    {
        const QString shown = fontMetrics().elidedText(full_, Qt::ElideMiddle, contentsRect().width());
        if (shown != text())
            setText(shown);
    }
    QString full_;
};

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
    // Child windows are watched from the moment they join the area, so that
    // the first showing of each one can place it.
    mdi_->viewport()->installEventFilter(this);

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
    connect(menus_.at(QStringLiteral("Window")), &QMenu::aboutToShow, this, &CMainFrame::ListOpenWindows);
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
    workOrderPane_ = new ElidedLabel(bar);
    workOrderPane_->setObjectName(QStringLiteral("WorkOrderPane"));
    workOrderPane_->hide();
    bar->addPermanentWidget(workOrderPane_);
    // Panes come and go and the frame changes its width: the work order
    // pane is fitted to what is left each time.
    bar->installEventFilter(this);
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

QLabel* CMainFrame::AddIndicatorPane(const QString& name)
{
    auto* pane = new QLabel(statusBar());
    pane->setObjectName(name);
    // Something runs that the engineer must not forget to stop.
    QFont bold = pane->font();
    bold.setBold(true);
    pane->setFont(bold);
    pane->setStyleSheet(QStringLiteral("color: #9c0006"));
    pane->hide();
    statusBar()->insertPermanentWidget(0, pane);
    return pane;
}

void CMainFrame::SetWorkOrderText(const QString& text, const QString& toolTip)
{
    static_cast<ElidedLabel*>(workOrderPane_)->SetFullText(text);
    workOrderPane_->setToolTip(toolTip);
    workOrderPane_->setVisible(!text.isEmpty());
    FitWorkOrderPane();
}

QString CMainFrame::WorkOrderText() const
{
    return static_cast<const ElidedLabel*>(workOrderPane_)->FullText();
}

void CMainFrame::FitWorkOrderPane()
{
    auto* bar = qobject_cast<QStatusBar*>(workOrderPane_->parentWidget());
    if (!bar)
        return;
    int used = 0;
    for (QWidget* pane : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (pane != workOrderPane_ && !pane->isHidden())
            used += std::max(pane->sizeHint().width(), pane->minimumWidth()) + bar->style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) + 2;
    const int room = bar->width() - used - kMessageRoom;
    const int width = std::clamp(room, workOrderPane_->minimumSizeHint().width(),
                                 std::max(workOrderPane_->minimumSizeHint().width(), workOrderPane_->sizeHint().width()));
    if (workOrderPane_->maximumWidth() != width)
        workOrderPane_->setMaximumWidth(width);
}

void CMainFrame::SetIndicator(QLabel& pane, const QString& text, const QString& toolTip)
{
    pane.setText(text);
    pane.setToolTip(toolTip);
    pane.setVisible(!text.isEmpty());
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

// One cascade step: a title bar and a frame, so that each title stays readable.
int CascadeStep(const QWidget& window)
{
    return window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window) +
           window.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &window);
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
    const std::vector<QRect> placed = CascadeWindows(ChildWindowArea(), sizes, CascadeStep(*windows.front()));
    for (qsizetype i = 0; i < windows.size(); ++i) {
        windows[i]->setGeometry(placed[static_cast<std::size_t>(i)]);
        windows[i]->raise();
    }
}

QList<QMdiSubWindow*> CMainFrame::OpenChildWindows() const
{
    QList<QMdiSubWindow*> open;
    for (QMdiSubWindow* window : mdi_->subWindowList(QMdiArea::CreationOrder))
        if (!window->isHidden())
            open << window;
    return open;
}

void CMainFrame::ListOpenWindows()
{
    QMenu* menu = Menu(QStringLiteral("Window"));
    for (QAction* entry : std::as_const(windowEntries_)) {
        menu->removeAction(entry);
        entry->deleteLater();
    }
    windowEntries_.clear();
    const QList<QMdiSubWindow*> open = OpenChildWindows();
    if (open.isEmpty())
        return;
    windowEntries_ << menu->addSeparator();
    QMdiSubWindow* current = mdi_->currentSubWindow();
    int number = 0;
    for (QMdiSubWindow* window : open) {
        ++number;
        QString title = window->windowTitle();
        title.replace(QLatin1Char('&'), QStringLiteral("&&"));
        // The first nine by their digit, as the keyboard reaches them.
        const QString text = number <= 9 ? QStringLiteral("&%1 %2").arg(number).arg(title)
                                         : QStringLiteral("%1 %2").arg(number).arg(title);
        QAction* entry = menu->addAction(text);
        entry->setCheckable(true);
        entry->setChecked(window == current);
        entry->setStatusTip(QStringLiteral("Activates this window"));
        connect(entry, &QAction::triggered, this, [this, target = QPointer<QMdiSubWindow>(window)] {
            if (!target || target->isHidden())
                return;
            if (target->isMinimized())
                target->showNormal();
            mdi_->setActiveSubWindow(target);
        });
        windowEntries_ << entry;
    }
}

void CMainFrame::PlaceNewChildWindow(QMdiSubWindow& window)
{
    // After the window in front: the last one the engineer opened or used.
    std::optional<QRect> previous;
    const QList<QMdiSubWindow*> stack = mdi_->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stack.crbegin(); it != stack.crend() && !previous; ++it)
        if (*it != &window && (*it)->isVisible() && !(*it)->isMinimized() && !(*it)->isMaximized())
            previous = (*it)->geometry();
    // A size chosen for it before it was shown is its own default size.
    const QSize preferred = window.testAttribute(Qt::WA_Resized) ? window.size() : window.sizeHint();
    const QRect area(QPoint(0, 0), mdi_->viewport()->size());
    window.setGeometry(PlaceNewWindow(area, previous, {preferred, MinimumSize(window)}, CascadeStep(window)));
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (qobject_cast<QStatusBar*>(watched)) {
        if (event->type() == QEvent::Resize || event->type() == QEvent::LayoutRequest)
            FitWorkOrderPane();
        return false;
    }
    if (watched == mdi_->viewport()) {
        // The child may still be in its constructor: only watched for now.
        if (event->type() == QEvent::ChildAdded)
            if (QObject* child = static_cast<QChildEvent*>(event)->child(); child && child->isWidgetType())
                child->installEventFilter(this);
        return false;
    }
    if (event->type() == QEvent::Show) {
        auto* window = qobject_cast<QMdiSubWindow*>(watched);
        if (window && window->parentWidget() == mdi_->viewport() && !window->property(kShownProperty).toBool()) {
            window->setProperty(kShownProperty, true);
            window->removeEventFilter(this);
            if (!window->property(kPlacementRestoredProperty).toBool() && !window->isMaximized() &&
                !window->isMinimized())
                PlaceNewChildWindow(*window);
        }
    }
    return false;
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
    const FrameCommandState state = controller_->CommandState(!OpenChildWindows().isEmpty());
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
