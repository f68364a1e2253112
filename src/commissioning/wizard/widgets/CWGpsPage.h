#pragma once
// The GPS page: date and time, the antenna position (only with advanced
// features), the altitude in metres or feet, and whether the unit surveys its
// position after the reset or takes the entered one as surveyed.

#include "commissioning/wizard/widgets/CWPage.h"

class CGCLatitudeCtrl;
class CGCLongitudeCtrl;
class CGCLatLongAbstractBase;
class CSmartEdit;
class QCheckBox;
class QDateEdit;
class QLabel;
class QTimeEdit;

class CCWGpsPage : public CCWPage {
    Q_OBJECT
public:
    explicit CCWGpsPage(CCommissionWiz& wizard);

    bool validatePage() override;

    [[nodiscard]] CGCLatitudeCtrl* LatitudeCtrl() const { return latitude_; }
    [[nodiscard]] CGCLongitudeCtrl* LongitudeCtrl() const { return longitude_; }
    [[nodiscard]] CSmartEdit* AltitudeEdit() const { return altitude_; }
    [[nodiscard]] QLabel* AltitudeUnitLabel() const { return altitudeUnit_; }
    [[nodiscard]] QCheckBox* SelfSurveyCheck() const { return selfSurvey_; }
    [[nodiscard]] QCheckBox* PositionLockedCheck() const { return positionLocked_; }
    [[nodiscard]] QDateEdit* DateEdit() const { return date_; }
    [[nodiscard]] QTimeEdit* TimeEdit() const { return time_; }
    [[nodiscard]] bool InFeet() const { return feet_; }

protected:
    void Open() override;
    void Refresh() override;
    void FocusField(const SPageProblem& problem) override;

private:
    void OnPositionLockedClicked();
    void OnSelfSurveyClicked();
    void ApplyFlagRules();
    void TakeFlags();
    void ShowFlags();
    void SetPositionEnabled(bool enabled);
    void SetCoordinateEnabled(CGCLatLongAbstractBase& control, bool enabled);

    QDateEdit* date_;
    QTimeEdit* time_;
    CGCLatitudeCtrl* latitude_;
    CGCLongitudeCtrl* longitude_;
    CSmartEdit* altitude_;
    QLabel* altitudeUnit_;
    QCheckBox* selfSurvey_;
    QCheckBox* positionLocked_;
    bool feet_ = false;
};
