#include "controls/SmartEdit.h"

#include "controls/InputBeep.h"

CSmartEdit::CSmartEdit(QWidget* parent) : CGuardedLineEdit(parent) {}

void CSmartEdit::SetCharacterSet(int kind, const QString& custom)
{
    filter_.SetCharacterSet(kind, custom);
}

std::function<void()> CSmartEdit::SetBeepFunction(std::function<void()> beep)
{
    return SetInputBeepFunction(std::move(beep));
}

QString CSmartEdit::Admit(const QString& incoming, qsizetype, qsizetype) const
{
    return filter_.Admitted(incoming);
}
