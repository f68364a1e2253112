#pragma once
// "Commissioning": the modal progress while the commissioning group writes.
// Ends with 1 (success), 2 (failure) or 3 (Abort, or Escape). Created once and
// reused for every run:
//   dlg.SetGroup(&group); dlg.SetAbortAction(...); int result = dlg.exec();

#include "commissioning/procedure/CommissionProgress.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class CommissionDlg;
}
class CCommissionData;

class CCommissionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCommissionDlg(QWidget* parent = nullptr);
    ~CCommissionDlg() override;

    // The group whose write the next showing starts.
    void SetGroup(CCommissionData* group) { group_ = group; }
    void SetAbortAction(std::function<void()> action);
    // Where the group sends its WM_COMMISSION_WRITE_DONE (AddWindow it).
    [[nodiscard]] CCommissionProgress& Progress() { return progress_; }

    void reject() override; // Abort, Escape and the window's close button

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::unique_ptr<Ui::CommissionDlg> ui_;
    CCommissionProgress progress_;
    CCommissionData* group_ = nullptr;
};
