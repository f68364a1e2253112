#include "controls/SmartEditFilter.h"

void CSmartEditFilter::SetCharacterSet(int kind, const QString& custom)
{
    const QString digits = QStringLiteral("0123456789");
    const QString decimal = digits + u'.';
    switch (kind) {
    case kDigits:
        set_ = digits;
        break;
    case kSignedDigits:
        set_ = digits + QStringLiteral("+-");
        break;
    case kDigitsComma:
        set_ = digits + u',';
        break;
    case kSignedDigitsComma:
        set_ = digits + QStringLiteral("+-,");
        break;
    case kDecimal:
        set_ = decimal;
        break;
    case kSignedDecimal:
        set_ = decimal + QStringLiteral("+-");
        break;
    case kDecimalComma:
        set_ = decimal + u',';
        break;
    case kSignedDecimalComma:
        set_ = decimal + QStringLiteral("+-,");
        break;
    case kCustom:
        set_ = custom;
        break;
    default:
        set_.clear();
        break;
    }
}

bool CSmartEditFilter::Accepts(QChar c) const
{
    return set_.isEmpty() || c == u'\b' || set_.contains(c);
}

QString CSmartEditFilter::Admitted(const QString& text) const
{
    if (set_.isEmpty())
        return text;
    QString admitted;
    admitted.reserve(text.size());
    for (const QChar c : text)
        if (set_.contains(c))
            admitted += c;
    return admitted;
}
