#include "controls/TextByteLimit.h"

#include <algorithm>

CTextByteLimit::CTextByteLimit(qsizetype limit, Measure measure, CharacterRefusal refusal)
    : limit_(limit), measure_(std::move(measure)), refusal_(std::move(refusal))
{
}

qsizetype CTextByteLimit::FirstRefused(const QString& text, QString* why) const
{
    if (!refusal_)
        return text.size();
    for (qsizetype at = 0; at < text.size();) {
        const bool pair = at + 1 < text.size() && text[at].isHighSurrogate() && text[at + 1].isLowSurrogate();
        const char32_t character = pair ? QChar::surrogateToUcs4(text[at], text[at + 1]) : text[at].unicode();
        QString reason = refusal_(character);
        if (!reason.isEmpty()) {
            if (why)
                *why = std::move(reason);
            return at;
        }
        at += pair ? 2 : 1;
    }
    return text.size();
}

QString CTextByteLimit::Refusal(const QString& incoming) const
{
    QString why;
    FirstRefused(incoming, &why);
    return why;
}

qsizetype CTextByteLimit::Bytes(const QString& text) const
{
    return measure_ ? measure_(text) : text.size();
}

QString CTextByteLimit::Admit(const QString& text, qsizetype start, qsizetype end, const QString& whole) const
{
    const QString incoming = whole.left(FirstRefused(whole));
    if (!IsLimited() || incoming.isEmpty())
        return incoming;
    start = std::clamp<qsizetype>(start, 0, text.size());
    end = std::clamp<qsizetype>(end, start, text.size());
    const qsizetype room = std::max(limit_, Bytes(text));
    const QString before = text.left(start);
    const QString after = text.mid(end);
    const auto fits = [&](qsizetype count) { return Bytes(before + incoming.left(count) + after) <= room; };
    if (fits(incoming.size()))
        return incoming;
    // Bytes grow with every character taken, so the longest fitting
    // beginning is found by halving (a large paste costs few measures).
    qsizetype low = 0; // fits (or nothing does)
    qsizetype high = incoming.size(); // does not fit
    while (high - low > 1) {
        const qsizetype middle = low + (high - low) / 2;
        (fits(middle) ? low : high) = middle;
    }
    if (low > 0 && incoming.at(low - 1).isHighSurrogate())
        --low;
    return low > 0 && fits(low) ? incoming.left(low) : QString();
}
