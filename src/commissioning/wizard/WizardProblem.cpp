#include "commissioning/wizard/WizardProblem.h"

#include "platform/StringTable.h"

namespace {
// Far beyond every field's range, far below any overflow.
constexpr long long kSaturation = 1'000'000'000'000'000LL;

// Skips blanks and a sign; gives where the digits start and whether negative.
qsizetype SkipToDigits(const QString& text, bool& negative)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    return i;
}

bool IsDigitAt(const QString& text, qsizetype at)
{
    return at < text.size() && text[at] >= u'0' && text[at] <= u'9';
}
} // namespace

QString WizardString(unsigned id)
{
    return LoadResString(id);
}

SPageProblem IntegerRangeProblem(EWizardField field, long long min, long long max)
{
    SPageProblem problem;
    problem.messageId = WizardStringId::IntegerRange;
    problem.text = WizardString(WizardStringId::IntegerRange).arg(QString::number(min), QString::number(max));
    problem.icon = MsgIcon::Warning;
    problem.field = field;
    problem.selectAll = true;
    return problem;
}

SPageProblem PlainProblem(unsigned id, EWizardField field, int octet)
{
    SPageProblem problem;
    problem.messageId = id;
    problem.text = WizardString(id);
    problem.field = field;
    problem.octet = octet;
    return problem;
}

long long ReadDecimalInteger(const QString& text)
{
    bool negative = false;
    qsizetype i = SkipToDigits(text, negative);
    long long value = 0;
    for (; IsDigitAt(text, i); ++i)
        if (value < kSaturation)
            value = value * 10 + (text[i].unicode() - u'0');
    return negative ? -value : value;
}

double ReadDecimalNumber(const QString& text)
{
    bool negative = false;
    qsizetype i = SkipToDigits(text, negative);
    QString number;
    for (; IsDigitAt(text, i); ++i)
        number += text[i];
    if (i < text.size() && text[i] == u'.') {
        number += u'.';
        for (++i; IsDigitAt(text, i); ++i)
            number += text[i];
    }
    bool ok = false;
    const double value = number.toDouble(&ok);
    if (!ok)
        return 0.0;
    return negative ? -value : value;
}

MsgAnswer ShowPageProblem(const SPageProblem& problem)
{
    return ShowMessageBox(problem.text, problem.icon, MsgButtons::Ok);
}
