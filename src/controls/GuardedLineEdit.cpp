#include "controls/GuardedLineEdit.h"

#include "controls/InputBeep.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

namespace {

bool IsPaste(const QKeyEvent* event)
{
    return event->matches(QKeySequence::Paste) ||
           (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ShiftModifier) ||
           (event->key() == Qt::Key_V && event->modifiers() == Qt::ControlModifier);
}

// Text the line edit would type in for this key. Ctrl and Ctrl+Shift make
// shortcuts; Backspace, Tab and the like give control characters and edit.
// AltGr (Ctrl+Alt on some systems) does type.
bool TypesText(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return false;
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first.isPrint() || first.category() == QChar::Other_Format || first.category() == QChar::Other_PrivateUse;
}

// The standard menu's Paste, found by the text the line edit gives it.
QAction* PasteAction(const QMenu& menu)
{
    const QString paste = QCoreApplication::translate("QLineEdit", "&Paste");
    for (QAction* action : menu.actions()) {
        const QString text = action->text();
        if (text == paste || text.startsWith(paste + u'\t'))
            return action;
    }
    return nullptr;
}

} // namespace

CGuardedLineEdit::CGuardedLineEdit(QWidget* parent) : QLineEdit(parent) {}

QString CGuardedLineEdit::Admit(const QString& incoming, qsizetype, qsizetype) const
{
    return incoming;
}

QString CGuardedLineEdit::Refusal(const QString&) const
{
    return {};
}

void CGuardedLineEdit::Refuse(const QString& incoming)
{
    InputRefusal(*this, Refusal(incoming));
}

QString CGuardedLineEdit::AdmitAtSelection(const QString& incoming) const
{
    if (hasSelectedText()) {
        const qsizetype start = selectionStart();
        return Admit(incoming, start, start + selectedText().size());
    }
    return Admit(incoming, cursorPosition(), cursorPosition());
}

void CGuardedLineEdit::InsertChecked(const QString& incoming)
{
    if (isReadOnly())
        return;
    const QString admitted = AdmitAtSelection(incoming);
    if (admitted != incoming)
        Refuse(incoming);
    if (!admitted.isEmpty())
        insert(admitted); // keeps the validator and the maximum length
}

void CGuardedLineEdit::GuardedPaste()
{
    const QString text = QGuiApplication::clipboard()->text(QClipboard::Clipboard);
    if (!text.isEmpty())
        InsertChecked(text);
}

QMenu* CGuardedLineEdit::CreateContextMenu()
{
    QMenu* menu = createStandardContextMenu();
    if (QAction* paste = PasteAction(*menu)) {
        paste->disconnect(this);
        connect(paste, &QAction::triggered, this, &CGuardedLineEdit::GuardedPaste);
    }
    return menu;
}

void CGuardedLineEdit::keyPressEvent(QKeyEvent* event)
{
    if (IsPaste(event)) {
        GuardedPaste();
        event->accept();
        return;
    }
    if (TypesText(event)) {
        const QString text = event->text();
        const QString admitted = AdmitAtSelection(text);
        if (admitted == text) {
            QLineEdit::keyPressEvent(event); // as typed, with overwrite mode and all
            return;
        }
        Refuse(text);
        if (!admitted.isEmpty() && !isReadOnly())
            insert(admitted);
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CGuardedLineEdit::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = CreateContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void CGuardedLineEdit::dropEvent(QDropEvent* event)
{
    const QMimeData* data = event->mimeData();
    // A move of this edit's own text brings nothing new in.
    if (!data || !data->hasText() || event->source() == this) {
        QLineEdit::dropEvent(event);
        return;
    }
    const QString incoming = data->text();
    const qsizetype at = cursorPositionAt(event->position().toPoint());
    const QString admitted = Admit(incoming, at, at);
    if (admitted != incoming)
        Refuse(incoming);
    if (admitted.isEmpty() || isReadOnly()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    QMimeData checked;
    checked.setText(admitted);
    QDropEvent forwarded(event->position(), event->possibleActions(), &checked, event->buttons(),
                         event->modifiers(), event->type());
    forwarded.setDropAction(event->dropAction());
    QLineEdit::dropEvent(&forwarded);
    event->setDropAction(forwarded.dropAction());
    event->setAccepted(forwarded.isAccepted());
}

void CGuardedLineEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The selection clipboard's paste of X11.
    if (event->button() == Qt::MiddleButton && QGuiApplication::clipboard()->supportsSelection()) {
        if (!isReadOnly()) {
            deselect();
            const QString text = QGuiApplication::clipboard()->text(QClipboard::Selection);
            if (!text.isEmpty())
                InsertChecked(text);
        }
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void CGuardedLineEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty()) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    qsizetype start = cursorPosition() + event->replacementStart();
    qsizetype end = start + event->replacementLength();
    if (hasSelectedText() && event->replacementLength() == 0) {
        start = selectionStart();
        end = start + selectedText().size();
    }
    const QString admitted = Admit(commit, start, end);
    if (admitted == commit) {
        QLineEdit::inputMethodEvent(event);
        return;
    }
    Refuse(commit);
    QInputMethodEvent checked(event->preeditString(), event->attributes());
    checked.setCommitString(admitted, event->replacementStart(), event->replacementLength());
    QLineEdit::inputMethodEvent(&checked);
}
