#pragma once
// The verification table after a commissioning's reset: parameter, written,
// read back, match, with the values the unit reads back otherwise marked.

#include "commissioning/verify/VerifyTable.h"

#include <QDialog>

class QLabel;
class QTableWidget;

class CVerifyDlg : public QDialog {
    Q_OBJECT
public:
    explicit CVerifyDlg(const SVerification& verification, QWidget* parent = nullptr);

    [[nodiscard]] QTableWidget* Table() const { return table_; }
    [[nodiscard]] QLabel* Summary() const { return summary_; }

private:
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
};
