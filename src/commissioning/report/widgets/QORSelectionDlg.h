#pragma once
// "Select QORA for Commissioning": picks one unit of a work order that holds
// several. The combo box can be typed into, but only a listed unit can be
// chosen; Cancel leaves the first unit chosen.

#include <QDialog>
#include <QStringList>

#include <memory>

namespace Ui {
class QORSelectionDlg;
}

class QComboBox;
class QPushButton;

class CQORSelectionDlg : public QDialog {
    Q_OBJECT
public:
    explicit CQORSelectionDlg(const QStringList& unitNames, QWidget* parent = nullptr);
    ~CQORSelectionDlg() override;

    // The chosen unit's index in the list: 0 until OK chooses another.
    [[nodiscard]] int SelectedIndex() const { return selected_; }

    [[nodiscard]] QComboBox& UnitCombo() const;
    [[nodiscard]] QPushButton& OkButton() const;

    void accept() override;

private:
    // The listed unit the combo box names: its current entry when the text is
    // that entry's, else the first entry with that exact text, else -1.
    [[nodiscard]] int NamedIndex() const;
    void UpdateOk();

    std::unique_ptr<Ui::QORSelectionDlg> ui_;
    QStringList names_;
    int selected_ = 0;
};

// Asks the user, in the dialog parented to `parent`, which of the units to
// commission; the index chosen (0 when cancelled).
int AskForUnit(const QStringList& unitNames, QWidget* parent = nullptr);
