#pragma once
// The last page: who commissioned the unit, when, and what they noted. Finish
// (captioned "Next >") ends the wizard.

#include "commissioning/wizard/widgets/CWPage.h"

class QDateEdit;
class QLineEdit;
class QPlainTextEdit;

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
    static void Limit(QPlainTextEdit& edit);

    QLineEdit* name_;
    QDateEdit* date_;
    QPlainTextEdit* comments_;
    QPlainTextEdit* actions_;
    bool showing_ = false;
};
