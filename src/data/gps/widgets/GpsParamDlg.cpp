#include "data/gps/widgets/GpsParamDlg.h"

#include "controls/LatLongLogic.h"
#include "platform/MeasureSetting.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "ui_GpsParamDlg.h"

CGPSParamDlg::CGPSParamDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::GpsParamDlg>()),
      target_([this](unsigned message, MsgWParam wParam, MsgLParam) { OnNotice(message, wParam); })
{
    ui_->setupUi(this);
    ui_->latitudeEdit->SetStyle(LatLongStyle::kSymbolSeparators);
    ui_->longitudeEdit->SetStyle(LatLongStyle::kSymbolSeparators);
    ui_->altitudeUnitLabel->setText(AltitudeUnitLabel(ReadMeasureSetting()));
    for (QWidget* field : {static_cast<QWidget*>(ui_->latitudeEdit), static_cast<QWidget*>(ui_->longitudeEdit),
                           static_cast<QWidget*>(ui_->altitudeEdit), static_cast<QWidget*>(ui_->dateEdit),
                           static_cast<QWidget*>(ui_->timeEdit), static_cast<QWidget*>(ui_->selfSurveyCheck),
                           static_cast<QWidget*>(ui_->surveyedCheck)})
        field->setEnabled(false);
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);

    group_.AddWindow(&target_);
    group_.Register();
    // OK waits for the values; without a connection nothing comes, so it is free at once.
    ui_->okButton->setEnabled(!group_.ReadAll());
}

CGPSParamDlg::~CGPSParamDlg()
{
    group_.Unregister();
}

void CGPSParamDlg::done(int result)
{
    group_.Unregister();
    QDialog::done(result);
}

void CGPSParamDlg::OnNotice(unsigned message, MsgWParam wParam)
{
    if (message != WM_GPS_READ_DONE)
        return;
    if (wParam == 0) {
        ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
        reject();
        return;
    }
    Fill();
}

void CGPSParamDlg::Fill()
{
    // A value beyond the control's range leaves it as it was.
    ui_->latitudeEdit->SetValue(group_.GetLatitude());
    ui_->longitudeEdit->SetValue(group_.GetLongitude());
    ui_->altitudeEdit->setText(AltitudeFieldText(group_.GetAltitude(), ReadMeasureSetting()));
    ui_->selfSurveyCheck->setChecked(group_.GetSelfSurvey());
    ui_->surveyedCheck->setChecked(group_.GetSurveyedPosition());
    ui_->dateEdit->setText(GpsDateText(group_.GetDateTime()));
    ui_->timeEdit->setText(GpsTimeText(group_.GetDateTime()));
    ui_->okButton->setEnabled(true);
}
