#include "data/timing/widgets/ClockTimingDlg.h"

#include "data/AccessLevel.h"
#include "platform/FieldRange.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "ui_ClockTimingDlg.h"

#include <QFocusEvent>

namespace {
// Whether the user (or the dialog filling it) changed row 2 or row 3, for the
// whole run of the program: once set they stay set.
bool g_clocksOutChanged = false;
bool g_disableChanged = false;
} // namespace

CClockTimingDlg::CClockTimingDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::ClockTimingDlg>()),
      target_([this](unsigned message, MsgWParam wParam, MsgLParam) { OnNotice(message, wParam); })
{
    ui_->setupUi(this);
    ui_->fixLostEdit->SetCharacterSet(CSmartEditFilter::kDecimal);
    ui_->clocksOutEdit->SetCharacterSet(CSmartEditFilter::kSignedDigits);
    ui_->disableEdit->SetCharacterSet(CSmartEditFilter::kDigits);
    ui_->fixLostEdit->setEnabled(false);
    SetRowsEnabled(false);
    ui_->okButton->setEnabled(false);

    connect(ui_->clocksOutEdit, &QLineEdit::textChanged, this, [this] {
        g_clocksOutChanged = true;
        ui_->okButton->setEnabled(true);
    });
    connect(ui_->disableEdit, &QLineEdit::textChanged, this, [this] {
        g_disableChanged = true;
        ui_->okButton->setEnabled(true);
    });
    connect(ui_->okButton, &QPushButton::clicked, this, &CClockTimingDlg::OnOk);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    ui_->clocksOutEdit->installEventFilter(this);

    group_.AddWindow(&target_);
    group_.Register();
    group_.ReadAll();
}

CClockTimingDlg::~CClockTimingDlg()
{
    group_.Unregister();
}

void CClockTimingDlg::done(int result)
{
    group_.Unregister();
    QDialog::done(result);
}

bool CClockTimingDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->clocksOutEdit && event->type() == QEvent::FocusOut) {
        // Another window taking over (a box, the dialog losing activation) is
        // not the user leaving the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        // Checked once the field has finished losing the focus, so that the
        // focus and selection the check gives back are not undone by it.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && ui_->clocksOutEdit->isEnabled())
            QMetaObject::invokeMethod(this, &CClockTimingDlg::OnClocksOutLeft, Qt::QueuedConnection);
    }
    return QDialog::eventFilter(watched, event);
}

void CClockTimingDlg::OnNotice(unsigned message, MsgWParam wParam)
{
    if (message == WM_CLOCKTIMING_READ_DONE) {
        if (wParam == 0) {
            ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
            reject();
            return;
        }
        rows_ = {group_.GetFixLostAlarmTime(), group_.GetClocksOutAlarmTime(), group_.GetClockDisableTime()};
        ShowRows(rows_);
        // Row 1 is never the user's to change.
        SetRowsEnabled(AppFullControl());
    } else if (message == WM_CLOCKTIMING_WRITE_DONE) {
        if (wParam == 0) {
            SendingProblem();
            return;
        }
        accept();
    }
}

std::optional<clocktiming::Rows> CClockTimingDlg::TakeFields()
{
    const clocktiming::Taken taken =
        clocktiming::TakeRows(ui_->fixLostEdit->text(), ui_->clocksOutEdit->text(), ui_->disableEdit->text());
    if (taken.Valid())
        return taken.rows;
    ShowMessageBox(taken.message, kFieldMessageIcon, MsgButtons::Ok);
    QLineEdit* field = taken.refused == clocktiming::Field::Disable ? ui_->disableEdit
                       : taken.refused == clocktiming::Field::FixLost ? ui_->fixLostEdit
                                                                       : ui_->clocksOutEdit;
    field->setFocus(Qt::OtherFocusReason);
    field->selectAll();
    return std::nullopt;
}

void CClockTimingDlg::OnClocksOutLeft()
{
    if (checking_)
        return;
    checking_ = true;
    const std::optional<clocktiming::Rows> rows = TakeFields();
    if (rows) {
        if (clocktiming::ClocksOutBeforeFixLost(*rows)) {
            ShowMessageBox(clocktiming::ClocksOutBeforeFixLostWarning(rows->fixLost), MsgIcon::Warning,
                           MsgButtons::Ok);
            ui_->clocksOutEdit->setFocus(Qt::OtherFocusReason);
            ui_->clocksOutEdit->selectAll();
        } else {
            rows_ = *rows;
            ShowRows(rows_);
        }
    }
    checking_ = false;
}

void CClockTimingDlg::OnOk()
{
    checking_ = true;
    const std::optional<clocktiming::Rows> rows = TakeFields();
    checking_ = false;
    if (!rows)
        return;
    rows_ = *rows;
    ui_->okButton->setEnabled(false);
    SetRowsEnabled(false);
    group_.SetClocksOutAlarmTime(rows_.clocksOut);
    group_.SetClockDisableTime(rows_.disable);
    if (!g_clocksOutChanged && !g_disableChanged)
        return;
    // A write that cannot start (the unit went away) brings no notice: tell
    // the user now rather than leave every field disabled.
    if (!group_.WriteAll())
        SendingProblem();
}

void CClockTimingDlg::ShowRows(const clocktiming::Rows& rows)
{
    ui_->fixLostEdit->setText(QString::number(rows.fixLost));
    ui_->clocksOutEdit->setText(QString::number(rows.clocksOut));
    ui_->disableEdit->setText(QString::number(rows.disable));
}

void CClockTimingDlg::SetRowsEnabled(bool enabled)
{
    ui_->clocksOutEdit->setEnabled(enabled);
    ui_->disableEdit->setEnabled(enabled);
}

void CClockTimingDlg::SendingProblem()
{
    ShowMessageBox(LoadResString(kSendingProblemStringId), MsgIcon::Error);
    SetRowsEnabled(true);
    ui_->okButton->setEnabled(false);
}
