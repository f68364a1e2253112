#pragma once
// The window of "New": an empty child of the main frame's window area with a
// notes field, titled "QORA1", "QORA2", ... in the order they are opened.

#include <QMdiSubWindow>

class QMdiArea;
class QTextEdit;

class CGenericChildWnd : public QMdiSubWindow {
    Q_OBJECT
public:
    // Opens the next one in the area and shows it.
    static CGenericChildWnd* Open(QMdiArea* area);

    [[nodiscard]] QTextEdit* Notes() const { return notes_; }

private:
    explicit CGenericChildWnd(int number);

    QTextEdit* notes_;
};
