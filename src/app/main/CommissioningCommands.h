#pragma once
// The commissioning road of the main frame: "Open Work Order", the
// "Commissioning Wizard" command sequence (wizard, confirmation, the guarded
// write, the settings update on a local connection, the reset), the start-up
// commissioning from a work order given on the command line, and
// "Commissioning Report". Holds the work order, its values, the wizard and
// the report for the whole run.

#include "app/frame/FrameWorkflow.h"
#include "commissioning/CommissionValues.h"
#include "commissioning/WorkOrder.h"
#include "commissioning/report/CommissionReport.h"

#include <QPointer>
#include <QString>

#include <memory>
#include <optional>

class CCommissionWiz;
class CCommissioningRunner;
class CMainFrame;
class CManagerSettings;
class CStatusWindows;
class CUnitReadBack;
class CVerifyDlg;

class CCommissioningCommands : public IFrameWorkflow {
public:
    CCommissioningCommands(CMainFrame& frame, CStatusWindows& statusWindows, CManagerSettings& settings);
    ~CCommissioningCommands() override;
    CCommissioningCommands(const CCommissioningCommands&) = delete;
    CCommissioningCommands& operator=(const CCommissioningCommands&) = delete;

    // Replaces the current work order; with a unit number of 0 or more that
    // unit is taken without asking (the first when there is no such unit).
    bool LoadWorkOrder(const QString& path, int unitNumber) override;
    // What "Open Work Order" does with the file chosen: its problems are told
    // again, and the unit is asked for when it holds several.
    bool OpenWorkOrderFile(const QString& path);
    void RunWizardCommand();
    void RunStartupCommissioning() override;
    // The Q1 page exists only for a wizard made on a local connection, so a
    // new connection gets a new wizard.
    void DeleteWizard() override;
    // After a commissioning's reset: the values read back beside those written.
    void UnitBackAfterReset() override;
    // The wait ended without the unit: no verification follows.
    void UnitNotBackAfterReset() override;
    void SaveReport();
    // The verification table of the last commissioning, while it is open.
    [[nodiscard]] CVerifyDlg* VerificationWindow() const;

    [[nodiscard]] CWorkOrder* WorkOrder() const { return workOrder_.get(); }
    [[nodiscard]] CCommissionWiz* Wizard() const { return wizard_.get(); }
    [[nodiscard]] const QString& WorkOrderPath() const { return workOrderPath_; }

private:
    CCommissionWiz& Wizard();
    bool ApplyWorkOrder();
    bool Commission(const SCommissionValues& values);
    void ChooseWorkOrderFile();

    CMainFrame& frame_;
    CStatusWindows& statusWindows_;
    CManagerSettings& settings_;
    std::unique_ptr<CWorkOrder> workOrder_;
    std::unique_ptr<WorkOrderValues> values_;
    QString workOrderPath_;
    // The work order's problems as last told, with its path: the start-up
    // work order is read again once the unit is in commission mode, and the
    // same problems are not told twice.
    QString problemsTold_;
    std::unique_ptr<CCommissionWiz> wizard_;
    std::unique_ptr<CCommissioningRunner> runner_;
    CCommissionReport report_;
    SCommissionValues committed_; // the values of the last run
    // Set when a commissioning's reset was sent: where the unit must come back.
    std::optional<bool> verifyRemote_;
    std::unique_ptr<CUnitReadBack> readBack_;
    QPointer<CVerifyDlg> verifyDlg_;
};
