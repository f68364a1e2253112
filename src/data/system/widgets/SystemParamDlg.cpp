#include "data/system/widgets/SystemParamDlg.h"

#include "controls/SmartEditFilter.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "ui_SystemParamDlg.h"

namespace {
constexpr unsigned kSendingProblem = 61236;
} // namespace

CSystemParamDlg::CSystemParamDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SystemParamDlg>()),
      target_([this](unsigned message, MsgWParam wParam, MsgLParam) { OnNotice(message, wParam); })
{
    ui_->setupUi(this);
    ui_->frameNumberEdit->SetCharacterSet(CSmartEditFilter::kDigits);
    ui_->timeSlotEdit->SetCharacterSet(CSmartEditFilter::kDigits);
    ui_->frameNumberEdit->setText(QStringLiteral("0"));
    ui_->timeSlotEdit->setText(QStringLiteral("0"));
    ui_->lastDeviceCheck->setChecked(true);
    // The form keeps the two options and its writing OK out of sight: the
    // dialog only displays the offsets.
    ui_->lastDeviceCheck->hide();
    ui_->onePpsCheck->hide();
    ui_->okButton->hide();
    ui_->frameNumberEdit->setEnabled(false);
    ui_->timeSlotEdit->setEnabled(false);
    ui_->lastDeviceCheck->setEnabled(false);
    connect(ui_->okButton, &QPushButton::clicked, this, &CSystemParamDlg::OnOk);
    connect(ui_->closeButton, &QPushButton::clicked, this, &QDialog::reject);

    group_.AddWindow(&target_);
    group_.Register();
    group_.ReadAll();
}

CSystemParamDlg::~CSystemParamDlg()
{
    group_.Unregister();
}

void CSystemParamDlg::done(int result)
{
    group_.Unregister();
    QDialog::done(result);
}

void CSystemParamDlg::OnNotice(unsigned message, MsgWParam wParam)
{
    if (message == WM_SYSTEM_READ_DONE) {
        if (wParam == 0) {
            ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
            reject();
            return;
        }
        Fill();
    } else if (message == WM_SYSTEM_WRITE_DONE) {
        if (wParam != 0) {
            accept();
            return;
        }
        ShowMessageBox(LoadResString(kSendingProblem), MsgIcon::Error);
        // Open as it was, so that the user can try again.
        ui_->okButton->setEnabled(true);
    }
}

void CSystemParamDlg::Fill()
{
    ui_->frameNumberEdit->setText(FrameNumberOffsetText(group_));
    ui_->timeSlotEdit->setText(TimeSlotOffsetText(group_));
    ui_->lastDeviceCheck->setChecked(group_.GetLastDevice() == 1);
    ui_->onePpsCheck->setChecked(group_.GetOnePps() == 1);
}

void CSystemParamDlg::OnOk()
{
    ui_->okButton->setEnabled(false);
    ui_->lastDeviceCheck->setEnabled(false);
    group_.SetLastDevice(ui_->lastDeviceCheck->isChecked() ? 1 : 0);
    if (!group_.WriteAll()) {
        // Not connected, or the values are still being read: nothing was sent.
        ShowMessageBox(LoadResString(kSendingProblem), MsgIcon::Error);
        ui_->okButton->setEnabled(true);
    }
}
