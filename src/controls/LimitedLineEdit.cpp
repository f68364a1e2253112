#include "controls/LimitedLineEdit.h"

CLimitedLineEdit::CLimitedLineEdit(QWidget* parent) : CGuardedLineEdit(parent) {}

QString CLimitedLineEdit::Admit(const QString& incoming, qsizetype start, qsizetype end) const
{
    return limit_.Admit(text(), start, end, incoming);
}
