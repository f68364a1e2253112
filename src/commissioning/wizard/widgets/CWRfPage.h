#pragma once
// The time calculation page: the GPS antenna delay and the frame clock delay,
// typed or worked out with the cable delay calculator ("Calc").

#include "commissioning/wizard/widgets/CWPage.h"

class CSmartEdit;
class QCheckBox;
class QPushButton;

class CCWRfPage : public CCWPage {
    Q_OBJECT
public:
    explicit CCWRfPage(CCommissionWiz& wizard);

    bool validatePage() override;

    [[nodiscard]] CSmartEdit* GpsDelayEdit() const { return gpsDelay_; }
    [[nodiscard]] CSmartEdit* FrameDelayEdit() const { return frameDelay_; }
    [[nodiscard]] QPushButton* GpsCalcButton() const { return gpsCalc_; }
    [[nodiscard]] QPushButton* FrameCalcButton() const { return frameCalc_; }

protected:
    void Open() override;
    void Refresh() override;
    void FocusField(const SPageProblem& problem) override;

private:
    void OnGpsCalc();
    void OnFrameCalc();
    void TakeTexts();

    CSmartEdit* gpsDelay_;
    CSmartEdit* frameDelay_;
    CSmartEdit* externalFrameDelay_;
    QPushButton* gpsCalc_;
    QPushButton* frameCalc_;
    QCheckBox* onePps_;
    bool showing_ = false; // the page is filling its edits itself
};
