#include "commissioning/procedure/widgets/CommissioningRunner.h"

#include "commissioning/procedure/widgets/CommissionDlg.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

CCommissioningRunner::CCommissioningRunner(QWidget* dialogParent) : dialogParent_(dialogParent) {}

CCommissioningRunner::~CCommissioningRunner()
{
    group_.Unregister();
}

bool CCommissioningRunner::RunCommissioning(const SCommissionValues& values, const SCommissioningHooks& hooks)
{
    group_.SetCommissionValues(values);
    group_.SetRemoteConnection(hooks.isRemote && hooks.isRemote());

    if (!dialog_) {
        dialog_ = std::make_unique<CCommissionDlg>(dialogParent_);
        group_.AddWindow(&dialog_->Progress());
    }
    // Registering again is harmless, and finds a handler made since the last run.
    group_.Register();

    dialog_->SetGroup(&group_);
    dialog_->SetAbortAction(hooks.clearInProgress);
    const int result = dialog_->exec();

    if (hooks.clearInProgress)
        hooks.clearInProgress();
    const bool success = result == CCommissionProgress::kSucceeded;
    if (!success && (result == CCommissionProgress::kFailed || result == CCommissionProgress::kAborted))
        ShowMessageBox(LoadResString(kCommissioningProblem));
    if (hooks.recordResult)
        hooks.recordResult(success);
    return success;
}
