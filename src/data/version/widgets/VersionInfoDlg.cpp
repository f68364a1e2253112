#include "data/version/widgets/VersionInfoDlg.h"

#include "platform/CallbackTarget.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

#include "ui_VersionInfoDlg.h"

#include <QLabel>

CVersionInfoDlg::CVersionInfoDlg(QWidget* parent)
    : QDialog(parent), ui_(new Ui::VersionInfoDlg),
      notices_(std::make_unique<CCallbackTarget>(
          [this](unsigned message, MsgWParam wParam, MsgLParam lParam) { OnNotice(message, wParam, lParam); }))
{
    ui_->setupUi(this);
    ui_->cancelButton->hide();
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CVersionInfoDlg::~CVersionInfoDlg()
{
    version_.Unregister();
    gps_.Unregister();
    delete ui_;
}

QString CVersionInfoDlg::FieldText(const char* name) const
{
    const auto* label = findChild<QLabel*>(QString::fromLatin1(name));
    return label ? label->text() : QString();
}

void CVersionInfoDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        Start();
    }
}

void CVersionInfoDlg::Start()
{
    // Nothing is shown until the unit has answered.
    for (QLabel* value : {ui_->unitVersion, ui_->hwVersion, ui_->serialNumber, ui_->swVersionActive,
                          ui_->swVersionInactive, ui_->gpsVersionActive, ui_->gpsVersionInactive,
                          ui_->fpgaVersionActive, ui_->fpgaVersionInactive})
        value->clear();

    // Both groups read for the dialog: a failed request of either ends the
    // whole read, and the dialog with it.
    version_.Channel().WorkFor(*notices_);
    gps_.Channel().WorkFor(*notices_);
    version_.AddWindow(notices_.get());
    version_.Register();
    gps_.AddWindow(notices_.get());
    gps_.Register();
    gps_.ReadAll();
    version_.ReadAll();
}

void CVersionInfoDlg::OnNotice(unsigned message, MsgWParam wParam, MsgLParam)
{
    if (ended_ || (message != WM_VERSION_READ_DONE && message != WM_GPS_READ_DONE))
        return;
    if (message == WM_VERSION_READ_DONE)
        ui_->okButton->setEnabled(true);
    if (wParam != 0) {
        if (message == WM_VERSION_READ_DONE)
            ShowValues();
        return;
    }
    // The GPS read is part of the dialog's read: its failure is the
    // dialog's, whichever group's request it was.
    ended_ = true;
    ui_->okButton->setEnabled(true);
    ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
    reject();
}

void CVersionInfoDlg::ShowValues()
{
    ui_->unitVersion->setText(UnitText(version_.GetUnitVersion()));
    ui_->hwVersion->setText(UnitText(version_.GetHardwareVersion()));
    ui_->serialNumber->setText(UnitText(DisplaySerialNumber(version_.GetSerialNumber())));
    ui_->swVersionActive->setText(UnitText(version_.GetSoftwareVersionActive()));
    ui_->swVersionInactive->setText(UnitText(version_.GetSoftwareVersionInactive()));
    ui_->gpsVersionActive->setText(UnitText(version_.GetGpsVersionActive()));
    ui_->gpsVersionInactive->setText(UnitText(version_.GetGpsVersionInactive()));
    ui_->fpgaVersionActive->setText(UnitText(version_.GetFpgaVersionActive()));
    ui_->fpgaVersionInactive->setText(UnitText(version_.GetFpgaVersionInactive()));
}
