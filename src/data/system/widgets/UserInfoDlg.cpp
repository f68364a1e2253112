#include "data/system/widgets/UserInfoDlg.h"

#include "data/AccessLevel.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "ui_UserInfoDlg.h"

#include <QTextCursor>

namespace {
constexpr unsigned kSendingProblem = 61236;

// The picker's lowest date stands for "no date": the unit's date text was no
// calendar date. It shows blank and is written as the "no date" text.
const QDate kNoDate(100, 1, 1);
} // namespace

UserInfoChangeFlags& CUserInfoDlg::ChangeFlags()
{
    static UserInfoChangeFlags flags;
    return flags;
}

CUserInfoDlg::CUserInfoDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::UserInfoDlg>()),
      target_([this](unsigned message, MsgWParam wParam, MsgLParam) { OnNotice(message, wParam); })
{
    ui_->setupUi(this);
    ui_->nameEdit->setMaxLength(CUserData::kMaxName);
    ui_->dateEdit->setMinimumDate(kNoDate);
    ui_->dateEdit->setSpecialValueText(QStringLiteral(" "));
    ui_->dateEdit->setDate(QDate(1900, 1, 1));

    connect(ui_->nameEdit, &QLineEdit::textChanged, this, [this] {
        ChangeFlags().name = true;
        ui_->okButton->setEnabled(true);
    });
    connect(ui_->dateEdit, &QDateEdit::dateChanged, this, [this] {
        ChangeFlags().date = true;
        ui_->okButton->setEnabled(true);
    });
    connect(ui_->commentsEdit, &QPlainTextEdit::textChanged, this,
            [this] { KeepWithin(ui_->commentsEdit, CUserData::kMaxComments, ChangeFlags().comments); });
    connect(ui_->actionsEdit, &QPlainTextEdit::textChanged, this,
            [this] { KeepWithin(ui_->actionsEdit, CUserData::kMaxActions, ChangeFlags().actions); });
    connect(ui_->okButton, &QPushButton::clicked, this, &CUserInfoDlg::OnOk);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    SetFieldsEnabled(false);
    ui_->okButton->setEnabled(false);
    group_.AddWindow(&target_);
    group_.Register();
    group_.ReadAll();
}

CUserInfoDlg::~CUserInfoDlg()
{
    group_.Unregister();
}

void CUserInfoDlg::done(int result)
{
    group_.Unregister();
    QDialog::done(result);
}

void CUserInfoDlg::SetFieldsEnabled(bool enabled)
{
    ui_->nameEdit->setEnabled(enabled);
    ui_->dateEdit->setEnabled(enabled);
    ui_->commentsEdit->setEnabled(enabled);
    ui_->actionsEdit->setEnabled(enabled);
}

void CUserInfoDlg::KeepWithin(QPlainTextEdit* edit, int limit, bool& flag)
{
    // A multi-line field refuses what goes beyond its limit (as the unit
    // counts it, a line break being two bytes).
    const QString text = edit->toPlainText();
    const QString within = FieldTextWithin(text, limit);
    if (within.size() != text.size()) {
        const QSignalBlocker block(edit);
        edit->setPlainText(within);
        edit->moveCursor(QTextCursor::End);
    }
    flag = true;
    ui_->okButton->setEnabled(true);
}

void CUserInfoDlg::OnNotice(unsigned message, MsgWParam wParam)
{
    if (message == WM_USERINFO_READ_DONE) {
        if (wParam == 0) {
            ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
            reject();
            return;
        }
        Fill();
    } else if (message == WM_USERINFO_WRITE_DONE) {
        if (wParam != 0) {
            accept();
            return;
        }
        ShowMessageBox(LoadResString(kSendingProblem), MsgIcon::Error);
        // Still open with what the user entered, to try again.
        ui_->okButton->setEnabled(true);
    }
}

void CUserInfoDlg::Fill()
{
    ui_->nameEdit->setText(FieldTextFromUnit(UserText(group_.GetName(), CUserData::kMaxName)));
    ui_->commentsEdit->setPlainText(FieldTextFromUnit(group_.GetComments()));
    ui_->actionsEdit->setPlainText(FieldTextFromUnit(group_.GetActions()));
    const UserDate& d = group_.GetDate();
    const QDate date(d.year, d.month, d.day);
    ui_->dateEdit->setDate(date.isValid() && date > kNoDate ? date : kNoDate);
    SetFieldsEnabled(AppFullControl());
}

void CUserInfoDlg::OnOk()
{
    if (!AppFullControl()) {
        // Read Only: the fields could not be changed, and nothing is written.
        accept();
        return;
    }
    ui_->okButton->setEnabled(false);
    group_.SetName(UnitTextFromField(ui_->nameEdit->text()));
    const QDate date = ui_->dateEdit->date();
    if (date.isValid() && date > kNoDate)
        group_.SetDate({date.year(), date.month(), date.day()});
    else
        group_.SetDate({-1, -1, -1});
    group_.SetComments(UnitTextFromField(ui_->commentsEdit->toPlainText()));
    group_.SetActions(UnitTextFromField(ui_->actionsEdit->toPlainText()));
    if (!ChangeFlags().Any())
        return;
    if (!group_.WriteAll()) {
        // Not connected, or the values are still being read: nothing was sent.
        ShowMessageBox(LoadResString(kSendingProblem), MsgIcon::Error);
        ui_->okButton->setEnabled(true);
    }
}
