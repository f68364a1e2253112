#include "app/widgets/CommParamDlg.h"

#include "controls/IpAddressEdit.h"
#include "ui_CommParamDlg.h"

#include <QPushButton>
#include <QRegularExpressionValidator>

CCommParamDlg::CCommParamDlg(CManagerSettings& settings, QWidget* parent)
    : QDialog(parent), ui_(new Ui::CommParamDlg), params_(settings)
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui_->buttonBox->button(QDialogButtonBox::Ok)->setDefault(true);
    ui_->q1Address->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), ui_->q1Address));
    connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &CCommParamDlg::accept);
    connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &CCommParamDlg::reject);

    const CCommParams::Entries entries = params_.Open();
    ui_->ipAddress->SetAddress(entries.address);
    ui_->q1Address->setText(QString::number(entries.q1Address));
    ui_->ipAddress->SetFieldFocus(0);
}

CCommParamDlg::~CCommParamDlg()
{
    delete ui_;
}

CIpAddressEdit* CCommParamDlg::AddressEdit() const
{
    return ui_->ipAddress;
}

QLineEdit* CCommParamDlg::Q1AddressEdit() const
{
    return ui_->q1Address;
}

void CCommParamDlg::accept()
{
    switch (params_.Ok(ui_->ipAddress->Address(), ui_->q1Address->text())) {
    case CCommParams::Focus::None:
        QDialog::accept();
        break;
    case CCommParams::Focus::AddressFirstField:
        ui_->ipAddress->SetFieldFocus(0);
        break;
    case CCommParams::Focus::AddressSecondField:
        ui_->ipAddress->SetFieldFocus(1);
        break;
    case CCommParams::Focus::Q1Address:
        ui_->q1Address->setFocus(Qt::OtherFocusReason);
        ui_->q1Address->selectAll();
        break;
    }
}
