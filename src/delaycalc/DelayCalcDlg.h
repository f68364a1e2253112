#pragma once
// The cable delay dialog: cable type (table or a typed velocity factor),
// length in metres or feet, the fixed delays of the parts on the way, and the
// resulting delay, updated as the engineer types. OK takes only a delay
// within the range of the field it is meant for; beyond it the range message
// is shown and the dialog stays open.

#include "delaycalc/DelayCalc.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;

class CDelayCalcDlg : public QDialog {
    Q_OBJECT
public:
    CDelayCalcDlg(const QString& title, const delaycalc::DelayInputs& start, std::int32_t maxDelayNs,
                  QWidget* parent = nullptr);

    [[nodiscard]] delaycalc::DelayInputs Inputs() const;
    // The delay the dialog shows, in whole ns.
    [[nodiscard]] std::int32_t DelayNs() const;
    [[nodiscard]] std::int32_t MaxDelayNs() const { return maxDelayNs_; }

    void accept() override;

private:
    void OnCableChanged(int index);
    void OnUnitChanged(int index);
    void Update();

    QComboBox* cable_;
    QDoubleSpinBox* velocityFactor_;
    QDoubleSpinBox* length_;
    QComboBox* unit_;
    QDoubleSpinBox* antenna_;
    QDoubleSpinBox* arrester_;
    QDoubleSpinBox* splitter_;
    QDoubleSpinBox* connectors_;
    QLabel* result_;
    QPushButton* ok_;
    delaycalc::LengthUnit shownUnit_ = delaycalc::LengthUnit::Metres;
    std::int32_t maxDelayNs_;
};
