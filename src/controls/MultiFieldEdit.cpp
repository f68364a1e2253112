#include "controls/MultiFieldEdit.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>

CGCMultiFieldEdit::CGCMultiFieldEdit(QWidget* parent) : CGCColorEdit(parent)
{
    setDragEnabled(false);
    setAcceptDrops(false);
}

bool CGCMultiFieldEdit::SelectField(int field)
{
    if (field < 0 || field >= fields_.fields.size())
        return false;
    if (field != current_) {
        current_ = field;
        OnFieldChanged();
    }
    ShowCurrent();
    return true;
}

void CGCMultiFieldEdit::SetFields(MultiFieldText fields)
{
    fields_ = std::move(fields);
    if (current_ >= fields_.fields.size())
        current_ = 0;
    setText(fields_.Compose());
    ShowCurrent();
}

void CGCMultiFieldEdit::ShowCurrent()
{
    const int start = fields_.FieldStart(current_);
    setSelection(start, fields_.FieldEnd(current_) - start);
}

void CGCMultiFieldEdit::keyPressEvent(QKeyEvent* event)
{
    const int count = static_cast<int>(fields_.fields.size());
    if (count > 0 && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Right)) {
        SelectField((current_ + 1) % count);
        return;
    }
    if (count > 0 && event->key() == Qt::Key_Left) {
        SelectField((current_ + count - 1) % count);
        return;
    }
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
        event->ignore(); // the dialog's keys
        return;
    }
    if (!OnKey(event)) {
        const QString text = event->text();
        if (text.size() == 1 && text[0].isPrint())
            OnChar(text[0]);
    }
    ShowCurrent();
}

void CGCMultiFieldEdit::mousePressEvent(QMouseEvent* event)
{
    CGCColorEdit::mousePressEvent(event);
    if (event->button() == Qt::LeftButton)
        SelectField(fields_.FieldAt(cursorPositionAt(event->position().toPoint())));
    ShowCurrent();
}

void CGCMultiFieldEdit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && hasFocus())
        OnRightButtonUp(event->globalPosition().toPoint());
    ShowCurrent();
}

void CGCMultiFieldEdit::mouseMoveEvent(QMouseEvent*) {}

void CGCMultiFieldEdit::mouseDoubleClickEvent(QMouseEvent*) {}

void CGCMultiFieldEdit::focusInEvent(QFocusEvent* event)
{
    CGCColorEdit::focusInEvent(event);
    ShowCurrent();
}

void CGCMultiFieldEdit::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept(); // the coordinate control shows its own menu
}

void CGCMultiFieldEdit::inputMethodEvent(QInputMethodEvent*) {}

// Fields are typed one character at a time; dropped text would bypass them.
void CGCMultiFieldEdit::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
}

void CGCMultiFieldEdit::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
}

void CGCMultiFieldEdit::dropEvent(QDropEvent* event)
{
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
}
