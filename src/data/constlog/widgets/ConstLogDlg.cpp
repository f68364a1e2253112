#include "data/constlog/widgets/ConstLogDlg.h"

#include "platform/CallbackTarget.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"
#include "platform/TimerScale.h"
#include "platform/UserPrompts.h"

#include "ui_ConstLogDlg.h"

#include <QTimer>

bool CConstLogProgress::Tick()
{
    if (++ticks_ == 40) {
        // Doubling without end would overflow after some 12 s of waiting and
        // the next modulo would divide by zero; from here on the bar hardly
        // moves anyway.
        if (divisor_ < kMaxDivisor)
            divisor_ *= 2;
        ticks_ = 0;
    }
    if (ticks_ % divisor_ == 0 && position_ < 99) {
        ++position_;
        return true;
    }
    return false;
}

CConstLogDlg::CConstLogDlg(QWidget* parent)
    : QDialog(parent), ui_(new Ui::ConstLogDlg),
      notices_(std::make_unique<CCallbackTarget>(
          [this](unsigned message, MsgWParam wParam, MsgLParam lParam) { OnNotice(message, wParam, lParam); })),
      timer_(new QTimer(this))
{
    ui_->setupUi(this);
    ui_->progress->setRange(0, CConstLogProgress::kRange);
    ui_->progress->setValue(0);
    connect(ui_->abortButton, &QPushButton::clicked, this, &CConstLogDlg::Abort);
    connect(timer_, &QTimer::timeout, this, &CConstLogDlg::OnTick);
}

CConstLogDlg::~CConstLogDlg()
{
    // However the dialog ends, the handler must keep none of its groups.
    StopListening();
    delete ui_;
}

int CConstLogDlg::ProgressPosition() const
{
    return schedule_.Position();
}

void CConstLogDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!started_) {
        started_ = true;
        Start();
    }
}

void CConstLogDlg::Start()
{
    timer_->start(ScaledPeriod(kTickMs));
    listening_ = true;
    // The version read is part of the log (its serial number): a failed
    // request of either group ends the run, and no file is written.
    constLog_.Channel().WorkFor(*notices_);
    version_.Channel().WorkFor(*notices_);
    constLog_.AddWindow(notices_.get());
    constLog_.Register();
    version_.AddWindow(notices_.get());
    version_.Register();
    version_.ReadAll();
    constLog_.Start();
}

void CConstLogDlg::OnTick()
{
    if (schedule_.Tick())
        ui_->progress->setValue(std::min(schedule_.Position(), CConstLogProgress::kRange));
}

void CConstLogDlg::Abort()
{
    StopListening();
    done(kAbortResult);
}

void CConstLogDlg::StopListening()
{
    timer_->stop();
    if (!listening_)
        return;
    listening_ = false;
    constLog_.Stop();
    constLog_.Unregister();
    version_.Unregister();
}

void CConstLogDlg::OnNotice(unsigned message, MsgWParam wParam, MsgLParam)
{
    if (!listening_)
        return;
    // A version read the unit refused or answered malformed fails the log
    // as well: its serial number would be whatever the frame held before.
    if (message == WM_VERSION_READ_DONE && wParam == 0)
        message = WM_CONSTLOG_DONE;
    if (message != WM_CONSTLOG_DONE)
        return;
    StopListening();
    accept();
    if (wParam == 0)
        ShowMessageBox(LoadResString(StringId::ReadingProblem), MsgIcon::Error);
}
