#include "controls/LimitedTextEdit.h"

#include "controls/InputBeep.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

namespace {

// The text a key puts in, empty for keys that edit, move or make shortcuts.
QString TypedText(const QKeyEvent* event, bool tabTypes)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier))
        return QStringLiteral("\n");
    if (event->key() == Qt::Key_Tab && modifiers == Qt::NoModifier)
        return tabTypes ? QStringLiteral("\t") : QString();
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ControlModifier | Qt::ShiftModifier))
        return {};
    const QString text = event->text();
    if (text.isEmpty())
        return {};
    const QChar first = text.front();
    const bool types =
        first.isPrint() || first.category() == QChar::Other_Format || first.category() == QChar::Other_PrivateUse;
    return types ? text : QString();
}

} // namespace

QString WithPlainLineBreaks(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

CLimitedTextEdit::CLimitedTextEdit(QWidget* parent) : QPlainTextEdit(parent) {}

QString CLimitedTextEdit::AdmitAtCursor(const QString& incoming) const
{
    // Cursor positions count a line break as one, as the plain text does.
    const QTextCursor cursor = textCursor();
    return limit_.Admit(toPlainText(), cursor.selectionStart(), cursor.selectionEnd(), incoming);
}

void CLimitedTextEdit::keyPressEvent(QKeyEvent* event)
{
    const QString incoming = isReadOnly() ? QString() : TypedText(event, !tabChangesFocus());
    if (incoming.isEmpty()) {
        QPlainTextEdit::keyPressEvent(event); // pastes come back through insertFromMimeData
        return;
    }
    const QString plain = WithPlainLineBreaks(incoming);
    const QString admitted = AdmitAtCursor(plain);
    if (admitted == plain) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    InputRefusal(*this, limit_.Refusal(plain));
    if (!admitted.isEmpty())
        insertPlainText(admitted);
    event->accept();
}

void CLimitedTextEdit::insertFromMimeData(const QMimeData* source)
{
    if (!source || !source->hasText() || isReadOnly()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    const QString incoming = WithPlainLineBreaks(source->text());
    const QString admitted = AdmitAtCursor(incoming);
    if (admitted != incoming)
        InputRefusal(*this, limit_.Refusal(incoming));
    if (admitted.isEmpty())
        return;
    QTextCursor cursor = textCursor();
    cursor.insertText(admitted);
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CLimitedTextEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString commit = event->commitString();
    if (commit.isEmpty() || isReadOnly()) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    const QTextCursor cursor = textCursor();
    qsizetype start = cursor.position() + event->replacementStart();
    qsizetype end = start + event->replacementLength();
    if (cursor.hasSelection() && event->replacementLength() == 0) {
        start = cursor.selectionStart();
        end = cursor.selectionEnd();
    }
    const QString plain = WithPlainLineBreaks(commit);
    const QString admitted = limit_.Admit(toPlainText(), start, end, plain);
    if (admitted == plain) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    InputRefusal(*this, limit_.Refusal(plain));
    QInputMethodEvent checked(event->preeditString(), event->attributes());
    checked.setCommitString(admitted, event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&checked);
}
