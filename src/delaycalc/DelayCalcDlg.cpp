#include "delaycalc/DelayCalcDlg.h"

#include "platform/FieldRange.h"
#include "platform/StringTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QVBoxLayout>

using namespace delaycalc;

namespace {
Q_LOGGING_CATEGORY(lcDelayCalc, "qora.delaycalc")

// "Enter an integer between %1 and %2."
constexpr unsigned kIntegerRangeMessage = 61714;

QDoubleSpinBox* Spin(QWidget* parent, const char* name, double max, int decimals, const QString& suffix)
{
    auto* spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QLatin1String(name));
    spin->setRange(0.0, max);
    spin->setDecimals(decimals);
    spin->setSuffix(suffix);
    spin->setKeyboardTracking(true);
    return spin;
}

int UnitRow(LengthUnit unit)
{
    return unit == LengthUnit::Feet ? 1 : 0;
}
} // namespace

CDelayCalcDlg::CDelayCalcDlg(const QString& title, const DelayInputs& start, std::int32_t maxDelayNs,
                             QWidget* parent)
    : QDialog(parent), maxDelayNs_(maxDelayNs)
{
    setWindowTitle(title);
    const QString ns = QStringLiteral(" ns");

    cable_ = new QComboBox(this);
    cable_->setObjectName(QStringLiteral("cableCombo"));
    for (const CableType& type : CableTable())
        cable_->addItem(type.velocityFactor > 0.0
                            ? QStringLiteral("%1 (%2)").arg(QLatin1String(type.name)).arg(type.velocityFactor, 0, 'f', 2)
                            : QLatin1String(type.name));
    velocityFactor_ = Spin(this, "velocityFactorSpin", kMaxVelocityFactor, 3, QString());
    velocityFactor_->setMinimum(kMinVelocityFactor);
    velocityFactor_->setSingleStep(0.01);
    length_ = Spin(this, "lengthSpin", 100000.0, 2, QString());
    unit_ = new QComboBox(this);
    unit_->setObjectName(QStringLiteral("unitCombo"));
    unit_->addItems({QStringLiteral("m"), QStringLiteral("ft")});
    antenna_ = Spin(this, "antennaSpin", 100000.0, 1, ns);
    arrester_ = Spin(this, "arresterSpin", 100000.0, 1, ns);
    splitter_ = Spin(this, "splitterSpin", 100000.0, 1, ns);
    connectors_ = Spin(this, "connectorsSpin", 100000.0, 1, ns);
    result_ = new QLabel(this);
    result_->setObjectName(QStringLiteral("delayLabel"));
    QFont bold = result_->font();
    bold.setBold(true);
    result_->setFont(bold);

    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(length_, 1);
    lengthRow->addWidget(unit_);

    auto* form = new QFormLayout;
    form->addRow(tr("Cable type:"), cable_);
    form->addRow(tr("Velocity factor:"), velocityFactor_);
    form->addRow(tr("Cable length:"), lengthRow);
    form->addRow(tr("Antenna electronics:"), antenna_);
    form->addRow(tr("Lightning arrester:"), arrester_);
    form->addRow(tr("Splitter:"), splitter_);
    form->addRow(tr("Connectors:"), connectors_);
    form->addRow(tr("Delay:"), result_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName(QStringLiteral("okButton"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    // Start from what the last run left.
    const int row = start.cableIndex >= 0 && start.cableIndex < cable_->count() ? start.cableIndex : 0;
    cable_->setCurrentIndex(row);
    velocityFactor_->setValue(row == OtherCableIndex() ? start.velocityFactor : CableTable()[row].velocityFactor);
    velocityFactor_->setEnabled(row == OtherCableIndex());
    shownUnit_ = start.unit;
    unit_->setCurrentIndex(UnitRow(start.unit));
    length_->setValue(start.length);
    antenna_->setValue(start.antennaElectronicsNs);
    arrester_->setValue(start.arresterNs);
    splitter_->setValue(start.splitterNs);
    connectors_->setValue(start.connectorsNs);

    connect(cable_, &QComboBox::currentIndexChanged, this, &CDelayCalcDlg::OnCableChanged);
    connect(unit_, &QComboBox::currentIndexChanged, this, &CDelayCalcDlg::OnUnitChanged);
    for (QDoubleSpinBox* spin : {velocityFactor_, length_, antenna_, arrester_, splitter_, connectors_})
        connect(spin, &QDoubleSpinBox::valueChanged, this, &CDelayCalcDlg::Update);
    Update();
}

DelayInputs CDelayCalcDlg::Inputs() const
{
    DelayInputs in;
    in.cableIndex = cable_->currentIndex();
    in.velocityFactor = velocityFactor_->value();
    in.length = length_->value();
    in.unit = unit_->currentIndex() == 1 ? LengthUnit::Feet : LengthUnit::Metres;
    in.antennaElectronicsNs = antenna_->value();
    in.arresterNs = arrester_->value();
    in.splitterNs = splitter_->value();
    in.connectorsNs = connectors_->value();
    return in;
}

std::int32_t CDelayCalcDlg::DelayNs() const
{
    return RoundedDelayNs(delaycalc::DelayNs(Inputs()));
}

void CDelayCalcDlg::accept()
{
    const std::int32_t delay = DelayNs();
    if (delay > maxDelayNs_) {
        // The field would refuse it later anyway; the length is what to correct.
        qCInfo(lcDelayCalc) << "delay of" << delay << "ns refused: the field takes 0 to" << maxDelayNs_;
        ShowMessageBox(LoadResString(kIntegerRangeMessage).arg(QString::number(0), QString::number(maxDelayNs_)),
                       kFieldMessageIcon, MsgButtons::Ok);
        length_->setFocus(Qt::OtherFocusReason);
        length_->selectAll();
        return;
    }
    QDialog::accept();
}

void CDelayCalcDlg::OnCableChanged(int index)
{
    const bool other = index == OtherCableIndex();
    velocityFactor_->setEnabled(other);
    if (!other && index >= 0)
        velocityFactor_->setValue(CableTable()[index].velocityFactor);
    Update();
}

void CDelayCalcDlg::OnUnitChanged(int index)
{
    // The same run of cable, told in the other unit.
    const LengthUnit unit = index == 1 ? LengthUnit::Feet : LengthUnit::Metres;
    length_->setValue(ConvertLength(length_->value(), shownUnit_, unit));
    shownUnit_ = unit;
    Update();
}

void CDelayCalcDlg::Update()
{
    const DelayInputs in = Inputs();
    const bool valid = InputsValid(in);
    ok_->setEnabled(valid);
    result_->setText(valid ? QStringLiteral("%1 ns (%2 ns)")
                                 .arg(RoundedDelayNs(delaycalc::DelayNs(in)))
                                 .arg(delaycalc::DelayNs(in), 0, 'f', 2)
                           : tr("Enter a velocity factor between %1 and %2.")
                                 .arg(kMinVelocityFactor)
                                 .arg(kMaxVelocityFactor));
}

namespace {
template <typename Record>
std::int32_t RunCalculator(Record& record, const QString& title, std::int32_t maxDelayNs)
{
    CDelayCalcDlg dialog(title, record.inputs, maxDelayNs);
    if (dialog.exec() != QDialog::Accepted)
        return 0;
    record.inputs = dialog.Inputs();
    record.delayNs = dialog.DelayNs();
    return 1;
}
} // namespace

std::int32_t ShowKestrin(GpsAntennaDelayParam& param)
{
    return RunCalculator(param, QStringLiteral("GPS Antenna Delay"), kGpsAntennaDelayFieldMax);
}

std::int32_t FClkKestrin(FrameClockDelayParam& param)
{
    return RunCalculator(param, QStringLiteral("Frame Clock Delay"), kFrameClockDelayFieldMax);
}
