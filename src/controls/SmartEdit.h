#pragma once
// An edit that lets only a chosen set of characters in, however they come
// (typed, pasted or dropped); anything else is left out with a beep.

#include "controls/GuardedLineEdit.h"
#include "controls/SmartEditFilter.h"

#include <functional>

class CSmartEdit : public CGuardedLineEdit {
    Q_OBJECT
public:
    explicit CSmartEdit(QWidget* parent = nullptr);

    // kind: CSmartEditFilter::Kind; `custom` is the set for kind 9.
    void SetCharacterSet(int kind, const QString& custom = {});
    [[nodiscard]] const CSmartEditFilter& Filter() const { return filter_; }

    // Replaces the beep (tests count them); an empty function restores it.
    static std::function<void()> SetBeepFunction(std::function<void()> beep);

protected:
    [[nodiscard]] QString Admit(const QString& incoming, qsizetype start, qsizetype end) const override;

private:
    CSmartEditFilter filter_;
};
