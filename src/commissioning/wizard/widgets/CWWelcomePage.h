#pragma once
// The first page: what the wizard is for. Only Next leads on.

#include "commissioning/wizard/widgets/CWPage.h"

class CCWWelcomePage : public CCWPage {
    Q_OBJECT
public:
    explicit CCWWelcomePage(CCommissionWiz& wizard);

protected:
    void Open() override {}
    void Refresh() override {}
    void FocusField(const SPageProblem&) override {}
};
