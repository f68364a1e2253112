#pragma once
// "GPS Parameters": shows the unit's position, altitude, GPS date and time and
// GPS mode. Display only. It reads its own GPS group when it is made; the main
// frame opens it modally:  CGPSParamDlg dlg(this); dlg.exec();

#include "data/gps/GpsData.h"
#include "platform/CallbackTarget.h"

#include <QDialog>

#include <memory>

namespace Ui {
class GpsParamDlg;
}

class CGPSParamDlg : public QDialog {
    Q_OBJECT
public:
    explicit CGPSParamDlg(QWidget* parent = nullptr);
    ~CGPSParamDlg() override;

    [[nodiscard]] const CGPSData& Group() const { return group_; }

    void done(int result) override;

private:
    void OnNotice(unsigned message, MsgWParam wParam);
    void Fill();

    std::unique_ptr<Ui::GpsParamDlg> ui_;
    CGPSData group_;
    CCallbackTarget target_;
};
