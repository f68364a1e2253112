#include "commissioning/wizard/widgets/CWGpsPage.h"

#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/widgets/BannerArt.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"
#include "controls/DatePicker.h"
#include "controls/LatLongCtrl.h"
#include "controls/SmartEdit.h"
#include "platform/MeasureSetting.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDateTime>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QTimeEdit>

CCWGpsPage::CCWGpsPage(CCommissionWiz& wizard)
    : CCWPage(wizard, CCommissionWiz::kGpsPageId, BannerId::Gps, QStringLiteral("GPS Settings"))
{
    auto* dateGroup = new QGroupBox(QStringLiteral("Date and Time"), this);
    auto* dateRow = new QHBoxLayout(dateGroup);
    date_ = new CDatePicker(dateGroup); // typed dates arrive whole
    date_->setObjectName(QStringLiteral("date1057"));
    date_->setCalendarPopup(true);
    time_ = new QTimeEdit(dateGroup);
    time_->setObjectName(QStringLiteral("time1058"));
    time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    dateRow->addWidget(date_);
    dateRow->addWidget(time_);
    dateRow->addStretch(1);
    Body()->addWidget(dateGroup);

    auto* grid = new QGridLayout;
    latitude_ = new CGCLatitudeCtrl(this);
    latitude_->setObjectName(QStringLiteral("latitude1056"));
    longitude_ = new CGCLongitudeCtrl(this);
    longitude_->setObjectName(QStringLiteral("longitude1007"));
    for (CGCLatLongAbstractBase* control : {static_cast<CGCLatLongAbstractBase*>(latitude_),
                                            static_cast<CGCLatLongAbstractBase*>(longitude_)}) {
        control->SetStyle(LatLongStyle::kSymbolSeparators);
        control->SetTextColor(palette().color(QPalette::Text));
        control->SetBackgroundColor(palette().color(QPalette::Base));
    }
    altitude_ = new CSmartEdit(this);
    altitude_->setObjectName(QStringLiteral("altitude1125"));
    altitude_->SetCharacterSet(CSmartEditFilter::kSignedDecimal);
    altitudeUnit_ = new QLabel(QStringLiteral("m"), this);
    altitudeUnit_->setObjectName(QStringLiteral("unit1128"));
    grid->addWidget(new QLabel(QStringLiteral("Latitude:"), this), 0, 0);
    grid->addWidget(latitude_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Longitude:"), this), 1, 0);
    grid->addWidget(longitude_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Altitude:"), this), 2, 0);
    grid->addWidget(altitude_, 2, 1);
    grid->addWidget(altitudeUnit_, 2, 2);
    Body()->addLayout(grid);

    selfSurvey_ = new QCheckBox(QStringLiteral("Start Self Survey after next reset"), this);
    selfSurvey_->setObjectName(QStringLiteral("check1194"));
    positionLocked_ = new QCheckBox(QStringLiteral("Use position as surveyed position "), this);
    positionLocked_->setObjectName(QStringLiteral("check1195"));
    Body()->addWidget(selfSurvey_);
    Body()->addWidget(positionLocked_);
    Body()->addStretch(1);

    connect(positionLocked_, &QCheckBox::clicked, this, &CCWGpsPage::OnPositionLockedClicked);
    connect(selfSurvey_, &QCheckBox::clicked, this, &CCWGpsPage::OnSelfSurveyClicked);
}

void CCWGpsPage::Open()
{
    SGpsPageValues& values = Wiz().Values().gps;
    const auto measure = ReadMeasureSetting();
    feet_ = measure && !measure->startsWith(QLatin1Char('0'));
    altitudeUnit_->setText(feet_ ? QStringLiteral("ft.") : QStringLiteral("m"));

    const bool advanced = Wiz().AdvancedMode();
    if (advanced) {
        latitude_->SetValue(values.latitude);
        longitude_->SetValue(values.longitude);
        SetCoordinateEnabled(*latitude_, true);
        SetCoordinateEnabled(*longitude_, true);
        altitude_->setEnabled(true);
        positionLocked_->setEnabled(true);
    } else {
        // Without advanced features the position is the unit's own business:
        // the controls hold, and Next takes, what a new control holds, not
        // what an earlier run in advanced mode left in them.
        values.positionLocked = false;
        latitude_->ResetAll();
        longitude_->ResetAll();
        SetPositionEnabled(false);
    }
    selfSurvey_->setEnabled(true);
    altitude_->setText(AltitudeText(values.altitudeCm, feet_));
    const QDateTime now = QDateTime::currentDateTime();
    date_->setDate(now.date());
    time_->setTime(now.time());
    ShowFlags();
    // The flag rules run once the page is up, as clicks would.
    QMetaObject::invokeMethod(this, &CCWGpsPage::ApplyFlagRules, Qt::QueuedConnection);
}

void CCWGpsPage::Refresh()
{
    const SGpsPageValues& values = Wiz().Values().gps;
    if (Wiz().AdvancedMode()) {
        latitude_->SetValue(values.latitude);
        longitude_->SetValue(values.longitude);
    }
    altitude_->setText(AltitudeText(values.altitudeCm, feet_));
    ShowFlags();
}

void CCWGpsPage::ApplyFlagRules()
{
    const SGpsPageValues& values = Wiz().Values().gps;
    if (values.positionLocked)
        OnPositionLockedClicked();
    if (values.selfSurvey)
        OnSelfSurveyClicked();
}

void CCWGpsPage::OnPositionLockedClicked()
{
    TakeFlags();
    SGpsPageValues& values = Wiz().Values().gps;
    if (values.positionLocked) {
        values.selfSurvey = false;
        selfSurvey_->setEnabled(false);
        ShowMessageBox(WizardString(WizardStringId::ManualPositionAdvice), MsgIcon::None, MsgButtons::Ok);
    } else {
        selfSurvey_->setEnabled(true);
    }
    ShowFlags();
}

void CCWGpsPage::OnSelfSurveyClicked()
{
    TakeFlags();
    SGpsPageValues& values = Wiz().Values().gps;
    if (values.selfSurvey) {
        values.positionLocked = false;
        SetPositionEnabled(false);
    } else if (Wiz().AdvancedMode()) {
        SetPositionEnabled(true);
    }
    ShowFlags();
}

void CCWGpsPage::TakeFlags()
{
    SGpsPageValues& values = Wiz().Values().gps;
    values.selfSurvey = selfSurvey_->isChecked();
    values.positionLocked = positionLocked_->isChecked();
}

void CCWGpsPage::ShowFlags()
{
    const SGpsPageValues& values = Wiz().Values().gps;
    selfSurvey_->setChecked(values.selfSurvey);
    positionLocked_->setChecked(values.positionLocked);
}

void CCWGpsPage::SetPositionEnabled(bool enabled)
{
    SetCoordinateEnabled(*latitude_, enabled);
    SetCoordinateEnabled(*longitude_, enabled);
    altitude_->setEnabled(enabled);
    positionLocked_->setEnabled(enabled);
}

void CCWGpsPage::SetCoordinateEnabled(CGCLatLongAbstractBase& control, bool enabled)
{
    control.setEnabled(enabled);
    // Button face while disabled, the window colour while it takes input.
    control.SetBackgroundColor(palette().color(enabled ? QPalette::Base : QPalette::Button));
}

bool CCWGpsPage::validatePage()
{
    SGpsEntries entries;
    entries.latitude = latitude_->GetValue();
    entries.longitude = longitude_->GetValue();
    entries.altitudeText = altitude_->text();
    entries.feet = feet_;
    const QDateTime utc = QDateTime(date_->date(), time_->time()).toUTC();
    entries.utc = {utc.date().year(),   utc.date().month(),  utc.date().day(),
                   utc.time().hour(),   utc.time().minute(), utc.time().second()};
    if (auto problem = TakeGpsPage(entries, Wiz().Values().gps))
        return Refuse(*problem);
    return true;
}

void CCWGpsPage::FocusField(const SPageProblem&)
{
    altitude_->setFocus();
}
