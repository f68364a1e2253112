#pragma once
// An edit that lets only a chosen set of characters through (and Backspace);
// anything else is dropped with a beep.

#include "controls/SmartEditFilter.h"

#include <QLineEdit>

#include <functional>

class CSmartEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSmartEdit(QWidget* parent = nullptr);

    // kind: CSmartEditFilter::Kind; `custom` is the set for kind 9.
    void SetCharacterSet(int kind, const QString& custom = {});
    [[nodiscard]] const CSmartEditFilter& Filter() const { return filter_; }

    // Replaces the beep (tests count them); an empty function restores it.
    static std::function<void()> SetBeepFunction(std::function<void()> beep);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CSmartEditFilter filter_;
};
