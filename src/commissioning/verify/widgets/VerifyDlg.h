#pragma once
// The verification table after a commissioning's reset: parameter, written,
// read back, match, with the values the unit reads back otherwise marked.
// Save writes the JSON report that `qora-cli commission --verify-report`
// writes; Copy puts the table as text on the clipboard.

#include "commissioning/verify/VerifyTable.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

class CVerifyDlg : public QDialog {
    Q_OBJECT
public:
    explicit CVerifyDlg(const SVerification& verification, QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* Table() const { return table_; }
    [[nodiscard]] QLabel* Summary() const { return summary_; }
    [[nodiscard]] QPushButton* SaveButton() const { return save_; }
    [[nodiscard]] QPushButton* CopyButton() const { return copy_; }

    // Asks for a file and writes the report to it; the path, or empty when
    // nothing was written.
    QString SaveReport();
    // The summary, the table and what cannot be read back, as plain text.
    [[nodiscard]] QString Text() const;

private:
    SVerification verification_;
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* copy_ = nullptr;
};
