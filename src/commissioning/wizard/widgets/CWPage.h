#pragma once
// What the wizard's pages share: the banner and title at the top, the opening
// on the first activation of each run and the refresh from the page's values
// on every later one, the Back target, and showing a refusal with the focus
// on the named control.

#include "commissioning/wizard/WizardProblem.h"

#include <QWizardPage>

class CCommissionWiz;
class QVBoxLayout;

class CCWPage : public QWizardPage {
    Q_OBJECT
public:
    CCWPage(CCommissionWiz& wizard, int templateId, int bannerId, const QString& title);

    [[nodiscard]] int TemplateId() const { return templateId_; }
    // Called by the wizard whenever the page becomes the current one.
    void Activate();
    // The next activation opens the page again (a new run of the wizard).
    void ForgetOpening() { opened_ = false; }
    [[nodiscard]] bool Opened() const { return opened_; }
    // The page Back goes to; -1 for the one before in the wizard's history.
    [[nodiscard]] virtual int BackTarget() const { return -1; }

protected:
    virtual void Open() = 0;
    virtual void Refresh() = 0;
    // Puts the focus where the refusal names.
    virtual void FocusField(const SPageProblem& problem) = 0;

    // Shows the message and focuses the field; always false (stay on the page).
    bool Refuse(const SPageProblem& problem);

    [[nodiscard]] CCommissionWiz& Wiz() const { return wizard_; }
    // Where the page puts its controls, below the banner.
    [[nodiscard]] QVBoxLayout* Body() const { return body_; }

private:
    CCommissionWiz& wizard_;
    int templateId_;
    bool opened_ = false;
    QVBoxLayout* body_;
};
