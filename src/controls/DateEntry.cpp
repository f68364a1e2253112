#include "controls/DateEntry.h"

#include <algorithm>

namespace {

constexpr int kMaxDay = 31;
constexpr int kMaxMonth = 12;

int Width(CDateEntry::Part part)
{
    return part == CDateEntry::Part::Year ? 4 : 2;
}

int Highest(CDateEntry::Part part)
{
    switch (part) {
    case CDateEntry::Part::Day: return kMaxDay;
    case CDateEntry::Part::Month: return kMaxMonth;
    case CDateEntry::Part::Year: return 9999;
    }
    return 0;
}

bool IsSeparator(QChar c)
{
    return !c.isLetterOrNumber() && c.isPrint();
}

} // namespace

CDateEntry::CDateEntry(std::vector<Part> order) : order_(std::move(order)) {}

bool CDateEntry::Usable() const
{
    const auto has = [this](Part part) { return std::count(order_.begin(), order_.end(), part) == 1; };
    return order_.size() == 3 && has(Part::Day) && has(Part::Month) && has(Part::Year);
}

void CDateEntry::Begin(const QDate& shown, int section)
{
    active_ = true;
    original_ = shown;
    const QDate base = shown.isValid() ? shown : QDate(2000, 1, 1);
    day_ = base.day();
    month_ = base.month();
    year_ = base.year();
    section_ = std::clamp(section, 0, static_cast<int>(order_.size()) - 1);
    digits_.clear();
    advancedByWidth_ = false;
}

int CDateEntry::Value(Part part) const
{
    switch (part) {
    case Part::Day: return day_;
    case Part::Month: return month_;
    case Part::Year: return year_;
    }
    return 0;
}

void CDateEntry::CommitSection()
{
    if (!digits_.isEmpty()) {
        const Part part = order_[static_cast<std::size_t>(section_)];
        int value = digits_.toInt();
        if (part == Part::Year && digits_.size() <= 2)
            value += year_ / 100 * 100; // "25" in the century shown
        (part == Part::Day ? day_ : part == Part::Month ? month_ : year_) = value;
    }
    digits_.clear();
    ++section_;
}

bool CDateEntry::Type(QChar c)
{
    if (!active_ || Complete())
        return false;
    const Part part = order_[static_cast<std::size_t>(section_)];
    if (c.isDigit() && c.unicode() < 128) {
        const QString typed = digits_ + c;
        const int value = typed.toInt();
        if (value > Highest(part) || (typed.size() == Width(part) && value == 0 && part != Part::Year))
            return false;
        digits_ = typed;
        // Full, or no digit could follow: on to the next section.
        advancedByWidth_ = typed.size() == Width(part) || value * 10 > Highest(part);
        if (advancedByWidth_)
            CommitSection();
        return true;
    }
    if (!IsSeparator(c))
        return false;
    if (digits_.isEmpty() && advancedByWidth_) {
        // "15/": the separator after a full day only confirms it.
        advancedByWidth_ = false;
        return true;
    }
    if (digits_ == QStringLiteral("0") && part != Part::Year)
        return false; // no day or month 0
    CommitSection();
    advancedByWidth_ = false;
    return true;
}

QDate CDateEntry::Shown() const
{
    int day = day_;
    int month = month_;
    int year = year_;
    if (!Complete() && !digits_.isEmpty()) {
        const int value = digits_.toInt();
        switch (order_[static_cast<std::size_t>(section_)]) {
        case Part::Day: day = value > 0 ? value : day; break;
        case Part::Month: month = value > 0 ? value : month; break;
        case Part::Year: break; // shown once it is whole
        }
    }
    const QDate first(year, month, 1);
    if (!first.isValid())
        return original_;
    return QDate(year, month, std::min(day, first.daysInMonth()));
}

std::optional<QDate> CDateEntry::Finish()
{
    if (!active_)
        return std::nullopt;
    if (!Complete() && !digits_.isEmpty() && !(digits_ == QStringLiteral("0") &&
                                               order_[static_cast<std::size_t>(section_)] != Part::Year))
        CommitSection();
    active_ = false;
    digits_.clear();
    const QDate typed(year_, month_, day_);
    if (!typed.isValid())
        return std::nullopt;
    return typed;
}

QString QtDateFormat(const QString& pickerFormat)
{
    QString format;
    bool quoted = false;
    for (qsizetype i = 0; i < pickerFormat.size();) {
        const QChar c = pickerFormat.at(i);
        if (c == u'\'') {
            quoted = !quoted;
            format += c;
            ++i;
            continue;
        }
        if (quoted || c != u'y') {
            format += c;
            ++i;
            continue;
        }
        qsizetype run = 0;
        while (i + run < pickerFormat.size() && pickerFormat.at(i + run) == u'y')
            ++run;
        format += run >= 3 ? QStringLiteral("yyyy") : QStringLiteral("yy");
        i += run;
    }
    return format;
}
