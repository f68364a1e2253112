#include "data/system/widgets/UserInfoDlg.h"

#include "data/AccessLevel.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "ui_UserInfoDlg.h"

#include <QLoggingCategory>

namespace {
Q_LOGGING_CATEGORY(lcUserInfo, "qora.data.user")

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
    ui_->nameEdit->SetByteLimit(CTextByteLimit(CUserData::kMaxName, UnitTextBytes, UnitCharacterRefusal));
    ui_->commentsEdit->SetByteLimit(CTextByteLimit(CUserData::kMaxComments, UnitTextBytes, UnitCharacterRefusal));
    ui_->actionsEdit->SetByteLimit(CTextByteLimit(CUserData::kMaxActions, UnitTextBytes, UnitCharacterRefusal));
    ui_->dateEdit->SetPickerFormat(QStringLiteral("dd/MM/yyy"));
    ui_->dateEdit->setMinimumDate(kNoDate);
    ui_->dateEdit->setSpecialValueText(QStringLiteral(" "));
    ui_->dateEdit->setDate(QDate(1900, 1, 1));

    connect(ui_->nameEdit, &QLineEdit::textChanged, this,
            [this] { OnTextChanged(ChangeFlags().name, nameEdited_); });
    connect(ui_->dateEdit, &QDateEdit::dateChanged, this, [this] {
        ChangeFlags().date = true;
        ui_->okButton->setEnabled(true);
    });
    connect(ui_->commentsEdit, &QPlainTextEdit::textChanged, this,
            [this] { OnTextChanged(ChangeFlags().comments, commentsEdited_); });
    connect(ui_->actionsEdit, &QPlainTextEdit::textChanged, this,
            [this] { OnTextChanged(ChangeFlags().actions, actionsEdited_); });
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

void CUserInfoDlg::OnTextChanged(bool& changeFlag, bool& edited)
{
    changeFlag = true;
    if (!filling_)
        edited = true;
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
    // Whole, however long: the limits are for what the user adds.
    filling_ = true;
    ui_->nameEdit->setText(FieldTextFromUnit(group_.GetName()));
    ui_->commentsEdit->setPlainText(FieldTextFromUnit(group_.GetComments()));
    ui_->actionsEdit->setPlainText(FieldTextFromUnit(group_.GetActions()));
    filling_ = false;
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
    // A field shows a unit's text as text (line breaks of any form as one);
    // only what the user changed is taken from the field.
    if (nameEdited_)
        group_.SetName(UnitTextFromField(ui_->nameEdit->text()));
    const QDate date = ui_->dateEdit->date();
    if (date.isValid() && date > kNoDate)
        group_.SetDate({date.year(), date.month(), date.day()});
    else
        group_.SetDate({-1, -1, -1});
    if (commentsEdited_)
        group_.SetComments(UnitTextFromField(ui_->commentsEdit->toPlainText()));
    if (actionsEdited_)
        group_.SetActions(UnitTextFromField(ui_->actionsEdit->toPlainText()));
    if (!ChangeFlags().Any())
        return;
    if (!group_.UserBlockFits()) {
        // Cutting a text to fit would lose it; the user decides what goes.
        qCWarning(lcUserInfo) << "user information not written: its block takes" << group_.UserBlockSize()
                              << "bytes";
        ShowMessageBox(UserBlockTooLongText(group_.UserBlockSize()), MsgIcon::Warning);
        ui_->okButton->setEnabled(true);
        return;
    }
    if (!group_.WriteAll()) {
        // Not connected, or the values are still being read: nothing was sent.
        ShowMessageBox(LoadResString(kSendingProblem), MsgIcon::Error);
        ui_->okButton->setEnabled(true);
    }
}
