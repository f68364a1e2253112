#pragma once
// Answers the commissioning wizard and its confirmation from a timer, as an
// engineer who accepts every page would: Next through the pages, Finish, then
// Finish in the confirmation. A page that refuses Next ends the wizard rather
// than leaving the test waiting.

#include "commissioning/procedure/widgets/CommFinishDlg.h"
#include "commissioning/wizard/widgets/CommissionWiz.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTimer>

#include <vector>

namespace faults {

// Next through the wizard's pages and Finish, then Finish in the confirmation.
class WizardOperator {
public:
    WizardOperator()
    {
        poll_.setInterval(10);
        QObject::connect(&poll_, &QTimer::timeout, [this] { Look(); });
        poll_.start();
    }
    std::vector<int> pagesSeen;
    bool finished = false;
    bool confirmed = false;

private:
    void Look()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* wizard = qobject_cast<CCommissionWiz*>(modal)) {
            const int page = wizard->currentId();
            if (pagesSeen.empty() || pagesSeen.back() != page)
                pagesSeen.push_back(page);
            if (QAbstractButton* finish = wizard->button(QWizard::FinishButton);
                finish && finish->isVisible() && finish->isEnabled()) {
                finished = true;
                wizard->accept();
                return;
            }
            wizard->next();
            if (wizard->currentId() == page && ++stuck_ > 20)
                wizard->reject(); // a page refused Next: give up rather than hang
        } else if (auto* confirm = qobject_cast<CCommFinishDlg*>(modal)) {
            confirmed = true;
            confirm->accept();
        }
    }
    QTimer poll_;
    int stuck_ = 0;
};

} // namespace faults
