#pragma once
// The last page: who commissioned the unit, when, and what they noted. Finish
// (captioned "Next >") ends the wizard. The texts stop at their limits in
// bytes as the unit gets them (a line break two) while the user types or
// pastes, so the user block never has to cut them.

#include "commissioning/wizard/widgets/CWPage.h"
#include "controls/DatePicker.h"
#include "controls/LimitedLineEdit.h"
#include "controls/LimitedTextEdit.h"

class CCWUserPage : public CCWPage {
    Q_OBJECT
public:
    explicit CCWUserPage(CCommissionWiz& wizard);

    bool validatePage() override;
    [[nodiscard]] int BackTarget() const override;

    [[nodiscard]] QLineEdit* NameEdit() const { return name_; }
    [[nodiscard]] QDateEdit* DateEdit() const { return date_; }
    [[nodiscard]] QPlainTextEdit* CommentsEdit() const { return comments_; }
    [[nodiscard]] QPlainTextEdit* ActionsEdit() const { return actions_; }

protected:
    void Open() override;
    void Refresh() override;
    void FocusField(const SPageProblem&) override {}

private:
    void TakeTexts();

    CLimitedLineEdit* name_;
    CDatePicker* date_;
    CLimitedTextEdit* comments_;
    CLimitedTextEdit* actions_;
    bool showing_ = false;
};
