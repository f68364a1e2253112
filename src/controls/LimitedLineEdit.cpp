#include "controls/LimitedLineEdit.h"

CLimitedLineEdit::CLimitedLineEdit(QWidget* parent) : CGuardedLineEdit(parent) {}

QString CLimitedLineEdit::Admit(const QString& incoming, qsizetype start, qsizetype end) const
{
    return limit_.Admit(text(), start, end, incoming);
}

QString CLimitedLineEdit::Refusal(const QString& incoming) const
{
    return limit_.Refusal(incoming);
}
