#include "software/download/widgets/MulticastDownloadDlg.h"

#include "platform/MessageIds.h"
#include "platform/UserPrompts.h"
#include "software/download/DownloadTexts.h"
#include "software/download/WaitingAnimation.h"
#include "ui_MulticastDownloadDlg.h"

namespace {
const QString kCaption = QStringLiteral("Software Download");
}

MsgResult CMulticastDownloadDlg::CNoticeTarget::OnMessage(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    if (onMessage)
        onMessage(message, wParam, lParam);
    return 0;
}

void CMulticastDownloadDlg::CNoticeTarget::OnTimer(int timerId)
{
    if (onTimer)
        onTimer(timerId);
}

CMulticastDownloadDlg::CMulticastDownloadDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::MulticastDownloadDlg>())
{
    ui_->setupUi(this);
    target_.onMessage = [this](unsigned message, MsgWParam wParam, MsgLParam lParam) {
        OnNotice(message, wParam, lParam);
    };
    target_.onTimer = [this](int timerId) {
        if (timerId == kAnimationTimerId)
            OnAnimationTick();
    };
    connect(ui_->abortButton, &QPushButton::clicked, this, &CMulticastDownloadDlg::OnAbort);
    connect(&engine_, &CMulticastDownload::StartFailed, this, &CMulticastDownloadDlg::OnStartFailed);
}

CMulticastDownloadDlg::~CMulticastDownloadDlg()
{
    engine_.AbortDownload();
    engine_.Unregister();
}

int CMulticastDownloadDlg::exec()
{
    if (!Begin()) {
        setResult(Rejected);
        return Rejected;
    }
    return QDialog::exec();
}

bool CMulticastDownloadDlg::Begin()
{
    ui_->statusLabel->setText(QStringLiteral("Initializing download... please wait."));
    ui_->progressBar->setRange(0, 100);
    ui_->progressBar->setValue(0);
    ui_->percentLabel->setText(QStringLiteral("0 %"));
    CWaitingAnimation::Shared().Reset();
    engine_.AddWindow(&target_);
    engine_.Register();
    captionPrefix_ = windowTitle() + QStringLiteral(" - ");

    if (engine_.StartDownload(masterPath_))
        return true;
    engine_.Unregister();
    ShowMessageBox(engine_.GetErrorText(), MsgIcon::None, MsgButtons::Ok);
    return false;
}

void CMulticastDownloadDlg::done(int result)
{
    // However the dialog closes (Esc, the window's close), the unit is not
    // left in the middle of a transfer.
    engine_.AbortDownload();
    target_.KillTimer(kAnimationTimerId);
    engine_.Unregister();
    QDialog::done(result);
}

void CMulticastDownloadDlg::OnNotice(unsigned message, MsgWParam wParam, MsgLParam lParam)
{
    switch (message) {
    case WM_DOWNLOAD_PROGRESS:
        OnProgress(static_cast<int>(wParam), lParam);
        break;
    case WM_DOWNLOAD_VERIFYING:
        OnVerifying();
        break;
    case WM_DOWNLOAD_DONE:
        OnDone(wParam == 1);
        break;
    case WM_DOWNLOAD_CANCELLED:
        reject();
        break;
    default:
        break;
    }
}

void CMulticastDownloadDlg::OnProgress(int percent, MsgLParam source)
{
    if (source == reinterpret_cast<MsgLParam>(&engine_))
        setWindowTitle(captionPrefix_ + engine_.GetTarget().connectionDescription + QStringLiteral(" - ") +
                       engine_.GetImageFileName());
    ui_->statusLabel->setText(QStringLiteral("Downloading..."));
    ui_->progressBar->setValue(percent);
    if (percent == 100) {
        setWindowTitle(kCaption);
        ui_->abortButton->hide();
    }
    ui_->percentLabel->setText(QStringLiteral("%1 %").arg(percent));
}

void CMulticastDownloadDlg::OnVerifying()
{
    setWindowTitle(kCaption);
    ui_->statusLabel->setText(QStringLiteral("Verifying downloaded software status ..."));
    ui_->percentLabel->hide();
    ui_->abortButton->hide();
    target_.SetTimer(kAnimationTimerId, kAnimationPeriodMs);
}

void CMulticastDownloadDlg::OnAnimationTick()
{
    if (const auto position = CWaitingAnimation::Shared().Tick())
        ui_->progressBar->setValue(*position);
}

void CMulticastDownloadDlg::OnDone(bool success)
{
    target_.KillTimer(kAnimationTimerId);
    if (success) {
        accept();
        ShowMessageBox(DownloadText::Completed(), MsgIcon::Information, MsgButtons::Ok);
    } else {
        reject();
        ShowMessageBox(engine_.GetErrorText(), MsgIcon::Error, MsgButtons::Ok);
    }
}

void CMulticastDownloadDlg::OnStartFailed()
{
    // A large image failed its check after the dialog opened: reported as a
    // start that failed at once would be.
    reject();
    ShowMessageBox(engine_.GetErrorText(), MsgIcon::None, MsgButtons::Ok);
}

void CMulticastDownloadDlg::OnAbort()
{
    if (engine_.AbortDownload())
        reject();
}
