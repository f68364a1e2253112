// The cable delay calculator: the arithmetic against hand-worked cases, and
// the dialog behind the two entry points, answered as the engineer would.

#include "delaycalc/DelayCalc.h"
#include "delaycalc/DelayCalcDlg.h"
#include "platform/FieldRange.h"
#include "support/ModalAnswer.h"
#include "support/PromptRecorder.h"

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

// A delay beyond what the target field takes is refused in the calculator
// with the field's range message; the calculator stays open so that the
// length can be corrected, and only a delay within the range comes back.
struct RangeCase {
    const char* entry;
    std::int32_t max;
    double tooLongFt;  // gives a delay beyond max at 0.85
    double fittingFt;  // gives one within it
};

class DelayCalculatorRange : public testing::TestWithParam<RangeCase> {
protected:
    std::int32_t Run(std::int32_t& delay)
    {
        const RangeCase& c = GetParam();
        if (std::string(c.entry) == "ShowKestrin") {
            GpsAntennaDelayParam param;
            param.delayNs = 7;
            const std::int32_t result = ShowKestrin(param);
            delay = param.delayNs;
            return result;
        }
        FrameClockDelayParam param;
        param.delayNs = 7;
        const std::int32_t result = FClkKestrin(param);
        delay = param.delayNs;
        return result;
    }
};

TEST_P(DelayCalculatorRange, OutOfRangeIsRefusedAndTheCalculatorStaysOpen)
{
    const RangeCase& c = GetParam();
    PromptRecorder prompts;
    bool stayedOpen = false;
    bool lengthFocused = false;
    std::int32_t refusedDelay = 0;
    CModalAnswer answer([&](QDialog& d) {
        Fields f(d);
        f.cable->setCurrentIndex(7); // LMR-400, 0.85
        f.unit->setCurrentIndex(1);
        f.length->setValue(c.tooLongFt);
        refusedDelay = qobject_cast<CDelayCalcDlg*>(&d)->DelayNs();
        f.ok->click();
        stayedOpen = d.isVisible() && d.result() == 0;
        lengthFocused = d.focusWidget() == f.length;
        f.length->setValue(c.fittingFt);
        f.ok->click();
    });
    std::int32_t delay = 0;
    EXPECT_EQ(Run(delay), 1);
    EXPECT_FALSE(answer.SafetyClosed());
    EXPECT_GT(refusedDelay, c.max);
    EXPECT_TRUE(stayedOpen);
    EXPECT_TRUE(lengthFocused);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Enter an integer between 0 and %1.").arg(c.max));
    EXPECT_EQ(prompts.shown[0].icon, kFieldMessageIcon);
    EXPECT_LE(delay, c.max);
    EXPECT_EQ(delay, RoundedDelayNs(c.fittingFt * 0.3048 / (0.85 * kSpeedOfLightMetresPerNs)));
}

TEST_P(DelayCalculatorRange, TheFieldsBoundItselfPassesAndCancelAfterARefusalChangesNothing)
{
    const RangeCase& c = GetParam();
    PromptRecorder prompts;
    // At a factor of 1.0, max x 0.299792458 m takes exactly max ns.
    CModalAnswer exact([&](QDialog& d) {
        Fields f(d);
        f.cable->setCurrentIndex(OtherCableIndex());
        f.vf->setValue(1.0);
        f.unit->setCurrentIndex(0);
        f.length->setValue(c.max * kSpeedOfLightMetresPerNs);
        EXPECT_EQ(qobject_cast<CDelayCalcDlg*>(&d)->DelayNs(), c.max);
        f.ok->click();
    });
    std::int32_t delay = 0;
    EXPECT_EQ(Run(delay), 1);
    EXPECT_EQ(delay, c.max);
    EXPECT_TRUE(prompts.shown.empty());

    CModalAnswer refuseThenCancel([&](QDialog& d) {
        Fields f(d);
        f.length->setValue(c.max * kSpeedOfLightMetresPerNs + 1.0);
        f.ok->click();
        f.cancel->click();
    });
    EXPECT_EQ(Run(delay), 0);
    EXPECT_EQ(delay, 7);
    EXPECT_EQ(prompts.shown.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothFields, DelayCalculatorRange,
                         testing::Values(RangeCase{"ShowKestrin", kGpsAntennaDelayFieldMax, 99999.0, 50000.0},
                                         RangeCase{"FClkKestrin", kFrameClockDelayFieldMax, 5000.0, 4000.0}),
                         [](const testing::TestParamInfo<RangeCase>& info) { return std::string(info.param.entry); });

} // namespace
