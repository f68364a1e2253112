#pragma once
// "Time Calculation Settings": shows the GPS antenna delay and the frame clock
// delay the unit compensates. Display only (the delays are set during
// commissioning). It reads its own group when it is made; the main frame opens
// it modally:  CRFParamDlg dlg(this); dlg.exec();

#include "data/timing/TimingData.h"
#include "platform/CallbackTarget.h"

#include <QDialog>

#include <memory>

namespace Ui {
class RFParamDlg;
}

class CRFParamDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRFParamDlg(QWidget* parent = nullptr);
    ~CRFParamDlg() override;

    [[nodiscard]] const CRFData& Group() const { return group_; }

    void done(int result) override;

private:
    void OnNotice(unsigned message, MsgWParam wParam);

    std::unique_ptr<Ui::RFParamDlg> ui_;
    CRFData group_;
    CCallbackTarget target_;
};
