#pragma once
// The date picker of the dialogs and the wizard: a QDateEdit whose typed
// digits make one date entry over all its sections (CDateEntry), so that a
// date typed over the shown one arrives whole. Keys that move, step or edit
// a section, the calendar pop-up and the mouse work as in QDateEdit; each
// ends a typed entry first.

#include "controls/DateEntry.h"

#include <QDateEdit>

class CDatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit CDatePicker(QWidget* parent = nullptr);

    // The display format in the dialogs' notation ("dd/MM/yyy": full year).
    void SetPickerFormat(const QString& format);

    [[nodiscard]] bool IsTyping() const { return entry_.Active(); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the key was taken as part of a typed date.
    bool TypeKey(QKeyEvent* event);
    void FinishEntry();
    void ShowEntry();
    [[nodiscard]] int FirstSectionToType() const;
    [[nodiscard]] QDateTimeEdit::Section SectionOf(int index) const;
    void ReadSections();

    CDateEntry entry_;
};
