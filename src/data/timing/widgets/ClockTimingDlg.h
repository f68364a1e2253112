#pragma once
// "Clock out timing settings": shows the unit's three clock-out times and lets
// a user with Full Control change the clocks-out alarm time (11..3540 s) and
// the clock disable time (0..60 s). It reads its own group when it is made;
// OK writes the group and closes once the unit has taken it. The main frame
// opens it modally:  CClockTimingDlg dlg(this); dlg.exec();

#include "data/timing/TimingData.h"
#include "platform/CallbackTarget.h"

#include <QDialog>

#include <memory>

namespace Ui {
class ClockTimingDlg;
}

class CClockTimingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CClockTimingDlg(QWidget* parent = nullptr);
    ~CClockTimingDlg() override;

    [[nodiscard]] const CClockTimingData& Group() const { return group_; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnNotice(unsigned message, MsgWParam wParam);
    void OnOk();
    void OnClocksOutLeft();
    // Takes the fields in; on a refusal tells the user and puts the focus on
    // the field. Nothing when refused.
    std::optional<clocktiming::Rows> TakeFields();
    void ShowRows(const clocktiming::Rows& rows);
    void SetRowsEnabled(bool enabled);
    void SendingProblem();

    std::unique_ptr<Ui::ClockTimingDlg> ui_;
    CClockTimingData group_;
    CCallbackTarget target_;
    clocktiming::Rows rows_;
    // Set while a check of ours shows a box, so the focus it takes is not a
    // second leaving of the field.
    bool checking_ = false;
};
