// The cable delay calculator: the arithmetic against hand-worked cases, and
// the dialog behind the two entry points, answered as the engineer would.

#include "delaycalc/DelayCalc.h"
#include "delaycalc/DelayCalcDlg.h"
#include "support/ModalAnswer.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace delaycalc;

namespace {

DelayInputs Cable(double vf, double length, LengthUnit unit = LengthUnit::Metres)
{
    DelayInputs in = DefaultInputs();
    in.cableIndex = OtherCableIndex();
    in.velocityFactor = vf;
    in.length = length;
    in.unit = unit;
    return in;
}

TEST(DelayArithmetic, HandWorkedCables)
{
    // 30 m / (0.66 x 0.299792458 m/ns) = 151.6204... ns
    DelayInputs in = Cable(0.66, 30.0);
    EXPECT_NEAR(DelayNs(in), 151.6204, 1e-3);
    // plus antenna 20, arrester 2.5, splitter 3, connectors 1.5 = 178.62 -> 179
    in.antennaElectronicsNs = 20.0;
    in.arresterNs = 2.5;
    in.splitterNs = 3.0;
    in.connectorsNs = 1.5;
    EXPECT_NEAR(DelayNs(in), 178.6204, 1e-3);
    EXPECT_EQ(RoundedDelayNs(DelayNs(in)), 179);

    // 100 ft = 30.48 m at 0.85: 30.48 / 0.254823589 = 119.6122 ns
    EXPECT_NEAR(DelayNs(Cable(0.85, 100.0, LengthUnit::Feet)), 119.6122, 1e-3);
    // The speed of light itself: 299.792458 m at 1.0 is 1000 ns.
    EXPECT_NEAR(DelayNs(Cable(1.0, 299.792458)), 1000.0, 1e-9);
    EXPECT_EQ(RoundedDelayNs(DelayNs(Cable(0.66, 0.0))), 0);
}

TEST(DelayArithmetic, UnitsAndLimits)
{
    EXPECT_DOUBLE_EQ(LengthInMetres(100.0, LengthUnit::Feet), 30.48);
    EXPECT_NEAR(ConvertLength(30.0, LengthUnit::Metres, LengthUnit::Feet), 98.4252, 1e-4);
    EXPECT_NEAR(ConvertLength(ConvertLength(30.0, LengthUnit::Metres, LengthUnit::Feet), LengthUnit::Feet,
                              LengthUnit::Metres),
                30.0, 1e-12);
    EXPECT_EQ(ConvertLength(7.0, LengthUnit::Feet, LengthUnit::Feet), 7.0);

    EXPECT_TRUE(InputsValid(Cable(0.66, 30.0)));
    EXPECT_FALSE(InputsValid(Cable(0.0, 30.0))) << "no factor would divide by zero";
    EXPECT_FALSE(InputsValid(Cable(1.2, 30.0))) << "faster than light";
    EXPECT_FALSE(InputsValid(Cable(0.66, -1.0)));
    DelayInputs negativePart = Cable(0.66, 1.0);
    negativePart.splitterNs = -3.0;
    EXPECT_FALSE(InputsValid(negativePart));

    EXPECT_EQ(RoundedDelayNs(1e12), INT32_MAX);
    EXPECT_EQ(RoundedDelayNs(-4.0), 0);
    EXPECT_EQ(RoundedDelayNs(2.5), 3);

    // Every table row but "Other" carries a usable factor.
    for (int i = 0; i < OtherCableIndex(); ++i)
        EXPECT_TRUE(InputsValid(Cable(CableTable()[i].velocityFactor, 1.0))) << CableTable()[i].name;
}

// The dialog's fields by name.
struct Fields {
    explicit Fields(QDialog& d)
        : cable(d.findChild<QComboBox*>(QStringLiteral("cableCombo"))),
          unit(d.findChild<QComboBox*>(QStringLiteral("unitCombo"))),
          vf(d.findChild<QDoubleSpinBox*>(QStringLiteral("velocityFactorSpin"))),
          length(d.findChild<QDoubleSpinBox*>(QStringLiteral("lengthSpin"))),
          antenna(d.findChild<QDoubleSpinBox*>(QStringLiteral("antennaSpin"))),
          connectors(d.findChild<QDoubleSpinBox*>(QStringLiteral("connectorsSpin"))),
          result(d.findChild<QLabel*>(QStringLiteral("delayLabel"))),
          ok(d.findChild<QPushButton*>(QStringLiteral("okButton"))),
          cancel(d.findChild<QPushButton*>(QStringLiteral("cancelButton")))
    {
    }
    QComboBox *cable, *unit;
    QDoubleSpinBox *vf, *length, *antenna, *connectors;
    QLabel* result;
    QPushButton *ok, *cancel;
};

TEST(DelayCalculatorDialog, GpsAntennaDelayIsComputedAndTheInputsKeptForTheNextCall)
{
    GpsAntennaDelayParam param;
    QString shown;
    bool vfLocked = false;
    CModalAnswer answer([&](QDialog& d) {
        Fields f(d);
        f.cable->setCurrentIndex(0); // RG-58, 0.66
        vfLocked = !f.vf->isEnabled();
        f.length->setValue(30.0);
        f.antenna->setValue(20.0);
        f.connectors->setValue(7.0);
        shown = f.result->text();
        f.ok->click();
    });
    EXPECT_EQ(ShowKestrin(param), 1);
    EXPECT_TRUE(vfLocked) << "a table cable brings its own factor";
    EXPECT_TRUE(shown.startsWith(QStringLiteral("179 ns"))) << shown.toStdString();
    EXPECT_EQ(param.delayNs, 179);
    EXPECT_EQ(param.inputs.length, 30.0);
    EXPECT_EQ(param.inputs.velocityFactor, 0.66);

    // The next call starts from those inputs; switching to feet keeps the run.
    double startLength = 0.0;
    CModalAnswer again([&](QDialog& d) {
        Fields f(d);
        startLength = f.length->value();
        f.unit->setCurrentIndex(1);
        EXPECT_NEAR(f.length->value(), 98.43, 1e-9);
        shown = f.result->text();
        f.ok->click();
    });
    EXPECT_EQ(ShowKestrin(param), 1);
    EXPECT_EQ(startLength, 30.0);
    EXPECT_EQ(param.inputs.unit, LengthUnit::Feet);
    EXPECT_EQ(param.delayNs, 179) << shown.toStdString();
}

TEST(DelayCalculatorDialog, TypedFactorAndCancelChangesNothing)
{
    FrameClockDelayParam param;
    param.delayNs = 42;
    param.inputs.length = 12.0;
    const DelayInputs before = param.inputs;
    CModalAnswer cancel([](QDialog& d) {
        Fields f(d);
        f.length->setValue(500.0);
        f.cancel->click();
    });
    EXPECT_EQ(FClkKestrin(param), 0);
    EXPECT_EQ(param.delayNs, 42);
    EXPECT_EQ(param.inputs.length, before.length);
    EXPECT_EQ(param.inputs.cableIndex, before.cableIndex);

    bool okWithoutFactor = true;
    CModalAnswer other([&](QDialog& d) {
        Fields f(d);
        f.cable->setCurrentIndex(OtherCableIndex());
        EXPECT_TRUE(f.vf->isEnabled());
        f.vf->setValue(0.01); // below what any cable has: clamped to the minimum
        f.vf->setValue(0.5);
        f.length->setValue(100.0);
        okWithoutFactor = f.ok->isEnabled();
        f.ok->click();
    });
    EXPECT_EQ(FClkKestrin(param), 1);
    EXPECT_TRUE(okWithoutFactor);
    // 100 m / (0.5 x 0.299792458) = 667.1282 ns
    EXPECT_EQ(param.delayNs, 667);
    EXPECT_EQ(param.inputs.cableIndex, OtherCableIndex());
    EXPECT_EQ(param.inputs.velocityFactor, 0.5);
}

} // namespace
