#include "controls/CoordinateFields.h"

#include <cmath>

CGCIntegerField::CGCIntegerField(int minimum, int maximum, QByteArray format)
    : value_(minimum), minimum_(minimum), maximum_(maximum)
{
    format_ = std::move(format);
}

bool CGCIntegerField::TypeChar(QChar c)
{
    if (c == u'-') {
        if (minimum_ >= 0)
            return false;
        negative_ = !negative_;
        value_ = -value_;
        if (value_ < minimum_ || value_ > maximum_)
            value_ = minimum_;
        return true;
    }
    if (!c.isDigit() || c.unicode() > 127)
        return false;
    typed_ += c;
    bool ok = false;
    qlonglong typed = typed_.toLongLong(&ok);
    if (!ok || (negative_ ? -typed : typed) > maximum_ || (negative_ ? -typed : typed) < minimum_) {
        typed_ = c;
        typed = typed_.toLongLong();
    }
    value_ = static_cast<int>(negative_ ? -typed : typed);
    return true;
}

void CGCIntegerField::Reset()
{
    value_ = minimum_;
    negative_ = false;
    typed_.clear();
}

void CGCIntegerField::Increment()
{
    value_ = value_ >= maximum_ ? minimum_ : value_ + step_;
    if (value_ > maximum_)
        value_ = minimum_;
    typed_.clear();
}

void CGCIntegerField::Decrement()
{
    value_ = value_ <= minimum_ ? maximum_ : value_ - step_;
    if (value_ < minimum_)
        value_ = maximum_;
    typed_.clear();
}

QString CGCIntegerField::Text() const
{
    return QString::asprintf(format_.constData(), value_);
}

bool CGCIntegerField::SetValue(int v)
{
    if (v < minimum_ || v > maximum_)
        return false;
    value_ = v;
    negative_ = v < 0;
    typed_.clear();
    return true;
}

bool CGCIntegerField::SetNumber(double v)
{
    if (!(v >= minimum_ && v <= maximum_))
        return false;
    return SetValue(static_cast<int>(v));
}

CGCDoubleField::CGCDoubleField(double minimum, double maximum, int decimals, double step, QByteArray format)
    : value_(minimum), minimum_(minimum), maximum_(maximum), decimals_(decimals), step_(step)
{
    format_ = std::move(format);
}

double CGCDoubleField::Round(double v) const
{
    const double scale = std::pow(10.0, decimals_);
    return std::floor(v * scale + 0.5) / scale;
}

bool CGCDoubleField::TypeChar(QChar c)
{
    if (c == u'-') {
        if (minimum_ >= 0.0)
            return false;
        negative_ = !negative_;
        value_ = -value_;
        if (value_ < minimum_ || value_ > maximum_)
            value_ = minimum_;
        return true;
    }
    const bool digit = c.isDigit() && c.unicode() <= 127;
    if (!digit && !(c == u'.' && !typed_.contains(u'.')))
        return false;
    const auto valueOf = [this](const QString& text) {
        const double v = text == QLatin1String(".") ? 0.0 : text.toDouble();
        return negative_ ? -v : v;
    };
    QString typed = typed_ + c;
    const qsizetype point = typed.indexOf(u'.');
    const bool tooManyDecimals = point >= 0 && typed.size() - point - 1 > decimals_;
    double v = valueOf(typed);
    if (tooManyDecimals || v > maximum_ || v < minimum_) {
        typed = QString(c);
        v = valueOf(typed);
    }
    typed_ = typed;
    value_ = Round(v);
    return true;
}

void CGCDoubleField::Reset()
{
    value_ = minimum_;
    negative_ = false;
    typed_.clear();
}

void CGCDoubleField::Increment()
{
    const double next = Round(value_ + step_);
    value_ = next > maximum_ ? minimum_ : next;
    typed_.clear();
}

void CGCDoubleField::Decrement()
{
    const double next = Round(value_ - step_);
    value_ = next < minimum_ ? maximum_ : next;
    typed_.clear();
}

QString CGCDoubleField::Text() const
{
    return QString::asprintf(format_.constData(), value_);
}

bool CGCDoubleField::SetNumber(double v)
{
    if (!(v >= minimum_ && v <= maximum_))
        return false;
    value_ = Round(v);
    negative_ = v < 0.0;
    typed_.clear();
    return true;
}

CGCStringListField::CGCStringListField(QStringList strings) : strings_(std::move(strings)) {}

bool CGCStringListField::Match(const QString& prefix)
{
    for (qsizetype i = 0; i < strings_.size(); ++i) {
        if (strings_[i].startsWith(prefix, Qt::CaseInsensitive)) {
            index_ = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

bool CGCStringListField::TypeChar(QChar c)
{
    typed_ += c;
    if (Match(typed_))
        return true;
    typed_ = c;
    if (Match(typed_))
        return true;
    typed_.clear();
    return false;
}

void CGCStringListField::Increment()
{
    if (!strings_.isEmpty())
        index_ = (index_ + 1) % static_cast<int>(strings_.size());
    typed_.clear();
}

void CGCStringListField::Decrement()
{
    if (!strings_.isEmpty())
        index_ = (index_ + static_cast<int>(strings_.size()) - 1) % static_cast<int>(strings_.size());
    typed_.clear();
}

QString CGCStringListField::Text() const
{
    return index_ >= 0 && index_ < strings_.size() ? strings_[index_] : QString();
}

void CGCStringListField::SetIndex(int index)
{
    if (index >= 0 && index < strings_.size())
        index_ = index;
    typed_.clear();
}

void CGCStringListField::SetStrings(QStringList strings)
{
    strings_ = std::move(strings);
    if (index_ >= strings_.size())
        index_ = 0;
    typed_.clear();
}
