#include "controls/LatLongCtrl.h"

#include "platform/UserPrompts.h"

#include <QKeyEvent>

namespace {

CGCLatLongAbstractBase::MenuRunner& Runner()
{
    static CGCLatLongAbstractBase::MenuRunner runner;
    return runner;
}

} // namespace

CGCContextMenu::CGCContextMenu(const QString& valueName, const QString& fieldName, QWidget* parent)
    : QMenu(parent)
{
    addAction(QStringLiteral("Reset %1").arg(valueName))->setData(kResetAll);
    addAction(QStringLiteral("Reset %1").arg(fieldName))->setData(kResetCurrent);
}

int CGCContextMenu::CommandOf(const QAction* action)
{
    return action ? action->data().toInt() : 0;
}

CGCLatLongAbstractBase::MenuRunner CGCLatLongAbstractBase::SetMenuRunner(MenuRunner runner)
{
    MenuRunner previous = std::move(Runner());
    Runner() = std::move(runner);
    return previous;
}

CGCLatLongAbstractBase::CGCLatLongAbstractBase(bool latitude, QWidget* parent)
    : CGCMultiFieldEdit(parent), logic_(latitude)
{
    Rebuild();
}

void CGCLatLongAbstractBase::Rebuild()
{
    SetFields(logic_.Text());
}

void CGCLatLongAbstractBase::SetStyle(unsigned style)
{
    logic_.SetStyle(style);
    Rebuild();
}

bool CGCLatLongAbstractBase::SetValue(double degrees)
{
    if (!logic_.SetValue(degrees))
        return false;
    Rebuild();
    return true;
}

void CGCLatLongAbstractBase::ResetAll()
{
    logic_.ResetAll();
    Rebuild();
}

void CGCLatLongAbstractBase::ResetCurrent()
{
    logic_.ResetField(CurrentField());
    Rebuild();
}

void CGCLatLongAbstractBase::OnFieldChanged()
{
    logic_.ClearTyped();
}

bool CGCLatLongAbstractBase::OnKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        logic_.ResetField(CurrentField());
        break;
    case Qt::Key_Up:
        logic_.IncrementField(CurrentField());
        break;
    case Qt::Key_Down:
        logic_.DecrementField(CurrentField());
        break;
    case Qt::Key_D:
    case Qt::Key_H:
    case Qt::Key_M:
    case Qt::Key_X: {
        // The key picks its field; its character then goes to that field.
        const int logical = event->key() == Qt::Key_D   ? CGCLatLongLogic::kDegrees
                            : event->key() == Qt::Key_H ? CGCLatLongLogic::kHemisphere
                            : event->key() == Qt::Key_M ? CGCLatLongLogic::kMinutes
                                                        : CGCLatLongLogic::kSeconds;
        SelectField(logic_.DisplayedField(logical));
        return false;
    }
    default:
        return false;
    }
    Rebuild();
    return true;
}

void CGCLatLongAbstractBase::OnChar(QChar c)
{
    if (logic_.TypeChar(CurrentField(), c))
        Rebuild();
}

void CGCLatLongAbstractBase::OnRightButtonUp(const QPoint& at)
{
    CGCContextMenu menu(logic_.ValueName(), logic_.FieldName(CurrentField()), this);
    if (menu.actions().size() != 2) {
        ShowMessageBox(QStringLiteral("Unable to display context menu!"), MsgIcon::Warning, MsgButtons::OkCancel);
        return;
    }
    QAction* chosen = Runner() ? Runner()(menu, at) : menu.exec(at);
    switch (CGCContextMenu::CommandOf(chosen)) {
    case CGCContextMenu::kResetAll:
        ResetAll();
        break;
    case CGCContextMenu::kResetCurrent:
        ResetCurrent();
        break;
    default:
        break;
    }
}
