#include "commissioning/procedure/widgets/CommissionDlg.h"

#include "commissioning/procedure/CommissionData.h"
#include "ui_CommissionDlg.h"

#include <QShowEvent>

CCommissionDlg::CCommissionDlg(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::CommissionDlg>()),
      progress_({[this](int position) { ui_->progressBar->setValue(position); },
                 [this](int result) { done(result); }})
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    ui_->progressBar->setRange(0, 100);
    connect(ui_->abortButton, &QPushButton::clicked, this, &CCommissionDlg::reject);
}

CCommissionDlg::~CCommissionDlg() = default;

void CCommissionDlg::SetAbortAction(std::function<void()> action)
{
    progress_.SetAbortAction(std::move(action));
}

void CCommissionDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous() || progress_.IsRunning())
        return;
    ui_->progressBar->setRange(0, 100);
    if (group_)
        progress_.Start(*group_);
}

void CCommissionDlg::reject()
{
    if (progress_.IsRunning())
        progress_.Abort(); // ends the dialog with 3
    else
        done(CCommissionProgress::kAborted);
}
