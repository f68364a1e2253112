#pragma once
// "System Parameters": shows the unit's frame number and time slot offsets
// (both "N/A" when the unit has none). The visible "OK" closes without
// writing; the hidden OK button writes the last-device option back. It reads
// its own system group when it is made; the main frame opens it modally:
//   CSystemParamDlg dlg(this); dlg.exec();

#include "data/system/SystemData.h"
#include "platform/CallbackTarget.h"

#include <QDialog>

#include <memory>

namespace Ui {
class SystemParamDlg;
}

class CSystemParamDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSystemParamDlg(QWidget* parent = nullptr);
    ~CSystemParamDlg() override;

    [[nodiscard]] CSystemData& Group() { return group_; }

    void done(int result) override;

private:
    void OnNotice(unsigned message, MsgWParam wParam);
    void OnOk();
    void Fill();

    std::unique_ptr<Ui::SystemParamDlg> ui_;
    CSystemData group_;
    CCallbackTarget target_;
};
