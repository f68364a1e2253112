#include "link/widgets/ConnectProgressDlg.h"

#include "ui_ConnectProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>

CConnectProgressDlg::CConnectProgressDlg(CConnectProgress& progress, QWidget* parent)
    : QDialog(parent), ui_(new Ui::ConnectProgressDlg), progress_(&progress)
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &CConnectProgressDlg::reject);
}

CConnectProgressDlg::~CConnectProgressDlg()
{
    delete ui_;
}

void CConnectProgressDlg::SetRange(int lower, int upper)
{
    ui_->progressBar->setRange(lower, upper);
}

void CConnectProgressDlg::SetPosition(int position)
{
    ui_->progressBar->setValue(position);
}

void CConnectProgressDlg::EnableCancel(bool enable)
{
    ui_->buttonBox->button(QDialogButtonBox::Cancel)->setEnabled(enable);
}

void CConnectProgressDlg::ShowView()
{
    show();
    raise();
}

void CConnectProgressDlg::DestroyView()
{
    progress_ = nullptr;
    hide();
    deleteLater();
}

void CConnectProgressDlg::reject()
{
    if (progress_)
        progress_->Cancel(); // destroys this window, later
}

void CConnectProgressDlg::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (progress_)
        progress_->CloseWindow();
}

void CConnectProgressDlg::Install()
{
    CConnectProgress::SetViewFactory([](CConnectProgress& progress) -> IConnectProgressView* {
        return new CConnectProgressDlg(progress);
    });
}
