#pragma once
// Latitude and longitude entry: hemisphere, degrees, minutes and seconds typed
// field by field. Up and Down step the current field, Backspace and Delete
// reset it, D, H, M and X jump to the degrees, hemisphere, minutes and seconds.
// At the maximum degrees (90 or 180) minutes and seconds stay 0.

#include "controls/LatLongLogic.h"
#include "controls/MultiFieldEdit.h"

#include <QMenu>

#include <functional>

// The control's pop-up menu: 1 resets the whole value, 2 the current field.
class CGCContextMenu : public QMenu {
    Q_OBJECT
public:
    static constexpr int kResetAll = 1;
    static constexpr int kResetCurrent = 2;

    CGCContextMenu(const QString& valueName, const QString& fieldName, QWidget* parent = nullptr);
    // The command of an action of this menu, 0 for none.
    [[nodiscard]] static int CommandOf(const QAction* action);
};

class CGCLatLongAbstractBase : public CGCMultiFieldEdit {
    Q_OBJECT
public:
    // Shows the menu and returns the chosen action (null: none); tests replace it.
    using MenuRunner = std::function<QAction*(CGCContextMenu& menu, const QPoint& at)>;
    static MenuRunner SetMenuRunner(MenuRunner runner);

    void SetStyle(unsigned style);
    [[nodiscard]] unsigned GetStyle() const { return logic_.GetStyle(); }
    // False, and the text unchanged, beyond the maximum degrees.
    bool SetValue(double degrees);
    [[nodiscard]] double GetValue() const { return logic_.GetValue(); }
    void ResetAll();
    void ResetCurrent();
    [[nodiscard]] const CGCLatLongLogic& Logic() const { return logic_; }

protected:
    CGCLatLongAbstractBase(bool latitude, QWidget* parent);

    void OnFieldChanged() override;
    bool OnKey(QKeyEvent* event) override;
    void OnChar(QChar c) override;
    void OnRightButtonUp(const QPoint& at) override;

private:
    void Rebuild();

    CGCLatLongLogic logic_;
};

class CGCLatitudeCtrl : public CGCLatLongAbstractBase {
    Q_OBJECT
public:
    explicit CGCLatitudeCtrl(QWidget* parent = nullptr) : CGCLatLongAbstractBase(true, parent) {}
};

class CGCLongitudeCtrl : public CGCLatLongAbstractBase {
    Q_OBJECT
public:
    explicit CGCLongitudeCtrl(QWidget* parent = nullptr) : CGCLatLongAbstractBase(false, parent) {}
};
