#include "commissioning/procedure/widgets/CommFinishDlg.h"

#include "ui_CommFinishDlg.h"

CCommFinishDlg::CCommFinishDlg(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::CommFinishDlg>())
{
    ui_->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(ui_->finishButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui_->cancelButton, &QPushButton::clicked, this, &CCommFinishDlg::reject);
}

CCommFinishDlg::~CCommFinishDlg() = default;

void CCommFinishDlg::reject()
{
    done(kCancelled);
}
