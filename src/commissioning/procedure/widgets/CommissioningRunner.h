#pragma once
// One commissioning of the unit with the wizard's values: copies them into
// the commissioning group, shows the progress dialog while the group writes,
// reports a failure to the user and records the outcome. Lives as long as the
// wizard and is reused for every run; the main frame passes what it knows:
//   runner.RunCommissioning(values, {clearFlag, recordResult, isRemote});

#include "commissioning/CommissionValues.h"
#include "commissioning/procedure/CommissionData.h"

#include <functional>
#include <memory>

class CCommissionDlg;
class QWidget;

struct SCommissioningHooks {
    // Clears the main frame's commissioning-in-progress mark.
    std::function<void()> clearInProgress;
    // Records the outcome in the work order document.
    std::function<void(bool success)> recordResult;
    // Whether the tool reaches the unit through the operator's network.
    std::function<bool()> isRemote;
};

class CCommissioningRunner {
public:
    static constexpr unsigned kCommissioningProblem = 61243;

    explicit CCommissioningRunner(QWidget* dialogParent = nullptr);
    ~CCommissioningRunner();
    CCommissioningRunner(const CCommissioningRunner&) = delete;
    CCommissioningRunner& operator=(const CCommissioningRunner&) = delete;

    // True when the unit acknowledged every item of the write.
    bool RunCommissioning(const SCommissionValues& values, const SCommissioningHooks& hooks);

    [[nodiscard]] CCommissionData& Group() { return group_; }
    // The progress dialog, once the first run made it.
    [[nodiscard]] CCommissionDlg* Dialog() { return dialog_.get(); }

private:
    QWidget* dialogParent_;
    CCommissionData group_;
    std::unique_ptr<CCommissionDlg> dialog_;
};
