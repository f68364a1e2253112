#include "commissioning/report/widgets/QORSelectionDlg.h"

#include "ui_QORSelectionDlg.h"

#include <QCompleter>
#include <QFontMetrics>
#include <QPushButton>

namespace {
// What a title bar takes besides the title: icon, buttons, frame, margins.
constexpr int kTitleBarExtra = 160;
} // namespace

CQORSelectionDlg::CQORSelectionDlg(const QStringList& unitNames, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::QORSelectionDlg>()), names_(unitNames)
{
    ui_->setupUi(this);
    // Wide enough for the whole title beside the window manager's icon and
    // buttons, in a title font that is often bold and larger.
    QFont titleFont = font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.1);
    setMinimumWidth(QFontMetrics(titleFont).horizontalAdvance(windowTitle()) + kTitleBarExtra);
    connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    ui_->unitCombo->clear();
    ui_->unitCombo->addItems(names_);
    ui_->unitCombo->setCurrentIndex(names_.isEmpty() ? -1 : 0);
    ui_->unitCombo->completer()->setCaseSensitivity(Qt::CaseSensitive);
    connect(ui_->unitCombo, &QComboBox::editTextChanged, this, &CQORSelectionDlg::UpdateOk);
    connect(ui_->unitCombo, &QComboBox::currentIndexChanged, this, &CQORSelectionDlg::UpdateOk);
    UpdateOk();
}

CQORSelectionDlg::~CQORSelectionDlg() = default;

QComboBox& CQORSelectionDlg::UnitCombo() const
{
    return *ui_->unitCombo;
}

QPushButton& CQORSelectionDlg::OkButton() const
{
    return *ui_->buttonBox->button(QDialogButtonBox::Ok);
}

int CQORSelectionDlg::NamedIndex() const
{
    const QString text = ui_->unitCombo->currentText();
    const int current = ui_->unitCombo->currentIndex();
    if (current >= 0 && current < names_.size() && names_[current] == text)
        return current;
    return static_cast<int>(names_.indexOf(text));
}

void CQORSelectionDlg::UpdateOk()
{
    OkButton().setEnabled(NamedIndex() >= 0);
}

void CQORSelectionDlg::accept()
{
    // Text that names no listed unit chooses nothing: the dialog stays open.
    const int index = NamedIndex();
    if (index < 0)
        return;
    selected_ = index;
    QDialog::accept();
}

int AskForUnit(const QStringList& unitNames, QWidget* parent)
{
    CQORSelectionDlg dialog(unitNames, parent);
    dialog.exec();
    return dialog.SelectedIndex();
}
