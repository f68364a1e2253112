#include "software/activation/widgets/SoftwareActivationDlg.h"

#include "data/AccessLevel.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"
#include "ui_SoftwareActivationDlg.h"

namespace {
const char* const kCaptionPrefix = "Software Activation - ";
const char* const kSameBuild = "The same software build is currently active.";

// A connection over the operator's network.
bool IsRemoteConnection(const CCommHandler& handler)
{
    return IsRemote(handler.GetConnectionType());
}

// The unit's names are plain 8-bit texts.
QString NameText(const QByteArray& name)
{
    return QString::fromLatin1(name);
}
} // namespace

CSoftwareActivationDlg::CSoftwareActivationDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::SoftwareActivationDlg>()),
      target_([this](unsigned message, MsgWParam wParam, MsgLParam) { OnNotice(message, wParam); })
{
    ui_->setupUi(this);
    connect(ui_->activateButton, &QPushButton::clicked, this, &CSoftwareActivationDlg::OnActivateClicked);
    connect(ui_->okButton, &QPushButton::clicked, this, &QDialog::accept);

    ui_->activateButton->setEnabled(false);
    activation_.AddWindow(&target_);
    activation_.Register();
    activation_.Read();
    SetConnectionDescription(QString());
}

CSoftwareActivationDlg::~CSoftwareActivationDlg()
{
    activation_.Unregister();
}

void CSoftwareActivationDlg::SetConnectionDescription(const QString& description)
{
    setWindowTitle(QString::fromLatin1(kCaptionPrefix) + description);
}

void CSoftwareActivationDlg::SetResetWaitCallback(ResetWaitCallback callback)
{
    resetWait_ = std::move(callback);
}

void CSoftwareActivationDlg::done(int result)
{
    ended_ = true;
    activation_.Unregister();
    QDialog::done(result);
}

void CSoftwareActivationDlg::OnNotice(unsigned message, MsgWParam wParam)
{
    // A notice still under way when the dialog ended has no one to tell.
    if (ended_)
        return;
    if (message == WM_ACTIVATION_READ_DONE)
        OnNamesRead(wParam != 0);
    else if (message == WM_ACTIVATION_DONE)
        OnActivated(wParam != 0);
}

void CSoftwareActivationDlg::OnNamesRead(bool success)
{
    if (!success) {
        ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
        reject();
        return;
    }
    activeName_ = activation_.GetActiveName();
    inactiveName_ = activation_.GetInactiveName();
    ui_->activeName->setText(NameText(activeName_));
    ui_->inactiveName->setText(NameText(inactiveName_));
    ui_->activateButton->setEnabled(!inactiveName_.isEmpty() && AppFullControl());
}

void CSoftwareActivationDlg::OnActivateClicked()
{
    if (inactiveName_.isEmpty())
        return;
    if (inactiveName_ == activeName_) {
        ShowMessageBox(QString::fromLatin1(kSameBuild), MsgIcon::Information);
        ui_->activateButton->setEnabled(false);
        return;
    }
    // Requests still queued on a remote connection would hold the activation
    // up behind them.
    CCommHandler* handler = AppCommHandler();
    if (handler && IsRemoteConnection(*handler))
        handler->ClearQueues();
    ui_->activateButton->setEnabled(false);
    if (!activation_.Activate(inactiveName_))
        ui_->activateButton->setEnabled(true);
}

void CSoftwareActivationDlg::OnActivated(bool success)
{
    if (!success) {
        ShowMessageBox(activation_.GetErrorText(), MsgIcon::Error);
        reject();
        return;
    }
    ui_->activateButton->setEnabled(false);
    accept();
    if (resetWait_)
        resetWait_();
}
