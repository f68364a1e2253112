#pragma once
// The last question before commissioning: the unit will be reset. Finish
// ends the dialog with OK (1), Cancel and Escape with 2.

#include <QDialog>

#include <memory>

namespace Ui {
class CommFinishDlg;
}

class CCommFinishDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kCancelled = 2;

    explicit CCommFinishDlg(QWidget* parent = nullptr);
    ~CCommFinishDlg() override;

    void reject() override;

private:
    std::unique_ptr<Ui::CommFinishDlg> ui_;
};
