#pragma once
// "Communication Parameters": the local connection's IP address and Q1
// address, loaded from the settings when it opens and saved on OK.

#include "app/CommParams.h"

#include <QDialog>

class CIpAddressEdit;
class CManagerSettings;
class QLineEdit;

namespace Ui {
class CommParamDlg;
}

class CCommParamDlg : public QDialog {
    Q_OBJECT
public:
    explicit CCommParamDlg(CManagerSettings& settings, QWidget* parent = nullptr);
    ~CCommParamDlg() override;

    [[nodiscard]] CIpAddressEdit* AddressEdit() const;
    [[nodiscard]] QLineEdit* Q1AddressEdit() const;

    void accept() override; // OK and Enter

private:
    Ui::CommParamDlg* ui_;
    CCommParams params_;
};
