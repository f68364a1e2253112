#include "data/timing/widgets/RFParamDlg.h"

#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "ui_RFParamDlg.h"

CRFParamDlg::CRFParamDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::RFParamDlg>()),
      target_([this](unsigned message, MsgWParam wParam, MsgLParam) { OnNotice(message, wParam); })
{
    ui_->setupUi(this);
    ui_->antennaDelayEdit->SetCharacterSet(CSmartEditFilter::kDigits);
    ui_->frameClockDelayEdit->SetCharacterSet(CSmartEditFilter::kDigits);
    ui_->antennaDelayEdit->setEnabled(false);
    ui_->frameClockDelayEdit->setEnabled(false);
    // Only shows what the unit holds: OK closes whatever the values are.
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);

    group_.AddWindow(&target_);
    group_.Register();
    // OK waits for the values; without a connection nothing comes, so it is free at once.
    ui_->okButton->setEnabled(!group_.ReadAll());
}

CRFParamDlg::~CRFParamDlg()
{
    group_.Unregister();
}

void CRFParamDlg::done(int result)
{
    group_.Unregister();
    QDialog::done(result);
}

void CRFParamDlg::OnNotice(unsigned message, MsgWParam wParam)
{
    if (message != WM_TIMECALC_READ_DONE)
        return;
    if (wParam == 0) {
        ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
        reject();
        return;
    }
    ui_->antennaDelayEdit->setText(QString::number(group_.GetGpsAntennaDelay()));
    ui_->frameClockDelayEdit->setText(QString::number(group_.GetFrameClockDelay()));
    ui_->okButton->setEnabled(true);
}
