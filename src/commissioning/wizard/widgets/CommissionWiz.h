#pragma once
// The commissioning wizard: welcome, GPS, time calculation, Q1 (only when the
// wizard was made on a local connection) and user pages. Created once by the
// main frame and reused; the pages keep their values between runs. Finish
// hands the values over through the commissioning runner the main frame sets.
//
//   CCommissionWiz wiz(environment, this);
//   wiz.ResetPages(); wiz.ApplyWorkOrderValues(values);
//   if (wiz.ShowWizard() == CCommissionWiz::kFinishResult) ... wiz.RunCommissioning();

#include "commissioning/CommissionValues.h"
#include "commissioning/WorkOrder.h"
#include "commissioning/wizard/WizardPageValues.h"
#include "delaycalc/DelayCalc.h"

#include <QWizard>

#include <functional>

class CCWPage;
class CCWWelcomePage;
class CCWGpsPage;
class CCWRfPage;
class CCWQ1Page;
class CCWUserPage;

// What the wizard asks of the main frame, at the moment it needs it.
struct SWizardEnvironment {
    std::function<bool()> isRemote;              // the connection is remote now
    std::function<bool()> advancedMode;          // the main frame shows advanced features
    std::function<QString()> settingsIpAddress;  // the local connection's host
};

class CCommissionWiz : public QWizard {
    Q_OBJECT
public:
    // Page ids: the pages' templates.
    static constexpr int kWelcomePageId = 145;
    static constexpr int kGpsPageId = 146;
    static constexpr int kRfPageId = 148;
    static constexpr int kQ1PageId = 150;
    static constexpr int kUserPageId = 195;
    // What ShowWizard gives back.
    static constexpr int kFinishResult = 12325;
    static constexpr int kCancelResult = 2;

    using CommissioningRunner = std::function<bool(const SCommissionValues&)>;

    explicit CCommissionWiz(SWizardEnvironment environment, QWidget* parent = nullptr);
    ~CCommissionWiz() override;

    void ResetPages();
    void ApplyWorkOrderValues(const WorkOrderValues& values);

    // Runs the wizard modally from its first page.
    int ShowWizard();

    void SetCommissioningRunner(CommissioningRunner runner) { runner_ = std::move(runner); }
    // The pages' values to the runner; its answer, false without a runner.
    bool RunCommissioning();

    [[nodiscard]] SWizardPageValues& Values() { return values_; }
    [[nodiscard]] const SWizardPageValues& Values() const { return values_; }
    [[nodiscard]] GpsAntennaDelayParam& GpsDelayRecord() { return gpsDelayRecord_; }
    [[nodiscard]] FrameClockDelayParam& FrameClockDelayRecord() { return frameClockDelayRecord_; }

    [[nodiscard]] bool HasQ1Page() const { return q1Page_ != nullptr; }
    [[nodiscard]] bool IsRemote() const;
    [[nodiscard]] bool AdvancedMode() const;
    [[nodiscard]] QString SettingsIpAddress() const;

    [[nodiscard]] CCWWelcomePage* WelcomePage() const { return welcomePage_; }
    [[nodiscard]] CCWGpsPage* GpsPage() const { return gpsPage_; }
    [[nodiscard]] CCWRfPage* RfPage() const { return rfPage_; }
    [[nodiscard]] CCWQ1Page* Q1Page() const { return q1Page_; }
    [[nodiscard]] CCWUserPage* UserPage() const { return userPage_; }

    void setVisible(bool visible) override;

private:
    void OnPageChanged(int id);
    void OnBack();

    SWizardEnvironment environment_;
    SWizardPageValues values_;
    GpsAntennaDelayParam gpsDelayRecord_;
    FrameClockDelayParam frameClockDelayRecord_;
    CommissioningRunner runner_;

    CCWWelcomePage* welcomePage_ = nullptr;
    CCWGpsPage* gpsPage_ = nullptr;
    CCWRfPage* rfPage_ = nullptr;
    CCWQ1Page* q1Page_ = nullptr;
    CCWUserPage* userPage_ = nullptr;
};
