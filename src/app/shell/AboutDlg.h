#pragma once
// "About Tavra QORA Manager": the program's picture with its version and the
// date and time the program was built.

#include <QDialog>
#include <QPixmap>

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    // The compiler's date and time stamps joined by two blanks,
    // e.g. "Jun 11 2024  14:05:09".
    [[nodiscard]] static QString BuildStamp();
};
