#pragma once
// The application's main window: an MDI frame with the menus, toolbar and
// status bar of the tool, thin over the connection workflow.

#include "app/frame/FrameView.h"
#include "app/frame/MainFrameController.h"
#include "platform/UserPrompts.h"

#include <QMainWindow>

#include <functional>
#include <map>
#include <memory>

class CManagerSettings;
class QAction;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QWidget;

// The three status windows as the frame drives them.
class IStatusWindowSet {
public:
    virtual ~IStatusWindowSet() = default;
    virtual void Hide() = 0;
    virtual void Start() = 0;
    virtual void RestartVisible() = 0;
    [[nodiscard]] virtual bool AnyVisible() const = 0; // GPS or installation status
};

class CMainFrame : public QMainWindow, public IFrameView {
    Q_OBJECT
public:
    CMainFrame(CManagerSettings& settings, StartupRequest startup = {}, QWidget* parent = nullptr);
    ~CMainFrame() override;

    [[nodiscard]] CMainFrameController& Controller() { return *controller_; }
    [[nodiscard]] QMdiArea* MdiArea() const { return mdi_; }
    [[nodiscard]] QAction* Action(int commandId) const;
    [[nodiscard]] QMenu* Menu(const QString& name) const;
    [[nodiscard]] QLabel* AccessLevelPane() const { return accessPane_; }
    [[nodiscard]] QLabel* ConnectionPane() const { return connectionPane_; }
    // A status bar pane for something that runs in the background (a
    // recording), left of the lasting panes and hidden until it has a text:
    // its few words stay in sight whatever the message area shows, and its
    // tool tip says the rest.
    [[nodiscard]] QLabel* AddIndicatorPane(const QString& name);
    // The pane that names the open work order and its unit (hidden without
    // one). It gives way first when the status bar is short of room: its
    // text is then shortened in the middle, and the tool tip keeps it whole.
    [[nodiscard]] QLabel* WorkOrderPane() const { return workOrderPane_; }
    void SetWorkOrderText(const QString& text, const QString& toolTip);
    [[nodiscard]] QString WorkOrderText() const;
    // Shows the pane with the words, or hides it when they are empty.
    static void SetIndicator(QLabel& pane, const QString& text, const QString& toolTip);

    // Runs a command as its menu entry would (nothing when it is disabled).
    void RunCommand(int commandId);
    // Later parts of the program attach their commands' actions here.
    void SetCommandHandler(int commandId, std::function<void()> handler);
    // Makes the command's entry check-marked while checked() says so.
    void SetCommandChecked(int commandId, std::function<bool()> checked);
    void SetStatusWindows(IStatusWindowSet* windows) { statusWindows_ = windows; }
    // Whether advanced mode shows its entries; toggled by "&Advanced".
    void ToggleAdvancedMode();

    // IFrameView
    void SetFrameTitle(const QString& title) override;
    void SetAccessLevelText(const QString& text) override;
    void SetConnectionText(const QString& text) override;
    void ShowWaitCursor() override;
    void CommandStateChanged() override;
    void HideStatusWindows() override;
    void StartStatusWindows() override;
    void RestartVisibleStatusWindows() override;
    void RunCommParamDialog() override;
    void SaveFramePlacement() override;
    void DestroyFrame() override;

    // Restores the placement saved as "MainFrm", then shows the window.
    void RestorePlacementAndShow();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    void CreateAccelerators();
    void InstallProgressPane();
    void OpenCommParamDialog();
    // Window > Tile and Window > Cascade over the visible child windows.
    void TileChildWindows();
    void CascadeChildWindows();
    [[nodiscard]] QRect ChildWindowArea();
    // The child windows shown now (minimized ones too), in the order they were made.
    [[nodiscard]] QList<QMdiSubWindow*> OpenChildWindows() const;
    // The Window menu's numbered list of the open windows, made as it opens.
    void ListOpenWindows();
    // A window shown for the first time without a stored placement: its own
    // size, one step on from the window in front.
    void PlaceNewChildWindow(QMdiSubWindow& window);
    // How wide the work order pane may be: what the other panes and a menu
    // tip's room leave.
    void FitWorkOrderPane();

    CManagerSettings& settings_;
    std::unique_ptr<CMainFrameController> controller_;
    QMdiArea* mdi_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QWidget* progressPane_ = nullptr;
    QLabel* accessPane_ = nullptr;
    QLabel* connectionPane_ = nullptr;
    QLabel* workOrderPane_ = nullptr;
    StatusMessageFunction previousStatusMessage_;
    std::map<int, QAction*> actions_;
    std::map<QString, QMenu*> menus_;
    std::map<int, std::function<void()>> handlers_;
    std::map<int, std::function<bool()>> checks_;
    IStatusWindowSet* statusWindows_ = nullptr;
    QAction* clockOutAction_ = nullptr; // kept while advanced mode hides it
    QList<QAction*> windowEntries_;      // the Window menu's list and its separator
    bool destroying_ = false;
};
