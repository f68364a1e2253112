#pragma once
// A line edit whose every way in for text passes one check: typed characters,
// paste (Ctrl+V, Shift+Insert, the context menu's Paste, a middle click),
// drops and input-method commits. The check may let in only a part of what
// comes; whatever it leaves out beeps. Subclasses say what they admit.

#include <QLineEdit>

class QMenu;

class CGuardedLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CGuardedLineEdit(QWidget* parent = nullptr);

    // The standard context menu, its Paste going through the check.
    [[nodiscard]] QMenu* CreateContextMenu();
    // Pastes the clipboard's text as far as the check admits it.
    void GuardedPaste();

protected:
    // What of `incoming` may replace the characters from `start` to `end` of
    // the text (start == end: inserted there). All of it by default.
    [[nodiscard]] virtual QString Admit(const QString& incoming, qsizetype start, qsizetype end) const;
    // Why a character of `incoming` is refused, told beside the beep; empty
    // (the default) when the beep says enough.
    [[nodiscard]] virtual QString Refusal(const QString& incoming) const;

    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    // Replaces the selection (or inserts at the cursor) with what the check
    // admits of `incoming`; beeps when that is not all of it.
    void InsertChecked(const QString& incoming);
    [[nodiscard]] QString AdmitAtSelection(const QString& incoming) const;
    // The beep for what was left out of `incoming`, with its reason.
    void Refuse(const QString& incoming);
};
