#include "controls/LatLongLogic.h"

#include "controls/AngleText.h"

#include <cmath>

namespace LatLongStyle {
unsigned Apply(unsigned current, unsigned change)
{
    unsigned result = current;
    for (unsigned group : {kSeparatorGroup, kHemisphereFormGroup, kSecondsGroup, kFillGroup, kFieldsGroup,
                           kPlaceGroup}) {
        if (change & group)
            result = (result & ~group) | (change & group);
    }
    return result;
}
} // namespace LatLongStyle

using namespace LatLongStyle;

QString MultiFieldText::SeparatorAfter(int field) const
{
    if (separators.isEmpty())
        return {};
    return separators[std::min<qsizetype>(field, separators.size() - 1)];
}

QString MultiFieldText::Compose() const
{
    QString text = prefix;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        text += fields[i];
        if (i + 1 < fields.size())
            text += SeparatorAfter(static_cast<int>(i));
    }
    return text + suffix;
}

int MultiFieldText::FieldStart(int field) const
{
    int at = static_cast<int>(prefix.size());
    for (int i = 0; i < field && i < fields.size(); ++i)
        at += static_cast<int>(fields[i].size() + SeparatorAfter(i).size());
    return at;
}

int MultiFieldText::FieldEnd(int field) const
{
    return FieldStart(field) + (field < fields.size() ? static_cast<int>(fields[field].size()) : 0);
}

int MultiFieldText::FieldAt(int position) const
{
    const int count = static_cast<int>(fields.size());
    if (count == 0)
        return 0;
    for (int i = 0; i < count; ++i)
        if (position < FieldEnd(i))
            return i;
    return count - 1;
}

CGCLatLongLogic::CGCLatLongLogic(bool latitude)
    : latitude_(latitude), maxDegrees_(latitude ? 90 : 180), hemisphere_({}), degrees_(0, maxDegrees_),
      minutes_(0, 59)
{
    SetStyle(kDefault);
}

void CGCLatLongLogic::SetStyle(unsigned style)
{
    const unsigned previous = style_;
    style_ = Apply(style_, style);
    if (!(style_ & kSecondsGroup))
        style_ |= kDecimalSeconds;

    if (style_ & kHemisphereSigns) {
        positive_ = QStringLiteral("+");
        negative_ = QStringLiteral("-");
    } else {
        positive_ = latitude_ ? QStringLiteral("N") : QStringLiteral("E");
        negative_ = latitude_ ? QStringLiteral("S") : QStringLiteral("W");
    }
    hemisphere_.SetStrings({positive_, negative_});

    const bool decimal = style_ & kDecimalSeconds;
    if (!seconds_ || decimal != bool(previous & kDecimalSeconds)) {
        const double kept = seconds_ ? seconds_->GetValue() : 0.0;
        if (decimal)
            seconds_ = std::make_unique<CGCDoubleField>(0.0, 59.999, 3, 0.001);
        else
            seconds_ = std::make_unique<CGCIntegerField>(0, 59);
        seconds_->SetNumber(decimal ? kept : std::floor(kept));
    }
    ApplyFormats();
}

void CGCLatLongLogic::ApplyFormats()
{
    const bool blanks = (style_ & kLeadingBlanks) && !(style_ & kLeadingZeros);
    const bool decimal = style_ & kDecimalSeconds;
    if (blanks) {
        degrees_.SetFormat(latitude_ ? "%2d" : "%3d");
        minutes_.SetFormat("%2d");
        seconds_->SetFormat(decimal ? "%6.3f" : "%2d");
    } else {
        degrees_.SetFormat(latitude_ ? "%02d" : "%03d");
        minutes_.SetFormat("%02d");
        seconds_->SetFormat(decimal ? "%06.3f" : "%02d");
    }
}

bool CGCLatLongLogic::SetValue(double degrees)
{
    if (!std::isfinite(degrees) || std::fabs(degrees) > maxDegrees_)
        return false;
    hemisphere_.SetIndex(degrees >= 0.0 ? 0 : 1);
    if (style_ & kShowFields) {
        const AngleParts parts = SplitAngle(degrees, style_ & kDecimalSeconds);
        degrees_.SetValue(parts.degrees);
        minutes_.SetValue(parts.minutes);
        seconds_->SetNumber(parts.seconds);
    }
    return true;
}

double CGCLatLongLogic::GetValue() const
{
    if (!(style_ & kShowFields))
        return 0.0;
    const double value = degrees_.Value() + minutes_.Value() / 60.0 + seconds_->GetValue() / 3600.0;
    return hemisphere_.Text() == negative_ ? -value : value;
}

int CGCLatLongLogic::FieldCount() const
{
    return (style_ & kShowFields) ? 4 : 1;
}

int CGCLatLongLogic::LogicalField(int displayed) const
{
    if ((style_ & kHemisphereLast) && (style_ & kShowFields))
        return displayed == 3 ? kHemisphere : displayed + 1;
    return displayed;
}

int CGCLatLongLogic::DisplayedField(int logical) const
{
    if ((style_ & kHemisphereLast) && (style_ & kShowFields))
        return logical == kHemisphere ? 3 : logical - 1;
    return logical;
}

MultiFieldText CGCLatLongLogic::Text() const
{
    // What follows each logical field.
    QString after[4];
    if (style_ & kSymbolSeparators) {
        after[kHemisphere] = QStringLiteral(" ");
        after[kDegrees] = QString(QChar(0x00B0));
        after[kMinutes] = QStringLiteral("'");
        after[kSeconds] = QStringLiteral("\" ");
    } else if (style_ & kLetterSeparators) {
        after[kHemisphere] = QStringLiteral("h");
        after[kDegrees] = QStringLiteral("d");
        after[kMinutes] = QStringLiteral("m");
        after[kSeconds] = QStringLiteral("s");
    } else {
        const QString between = (style_ & kBlankSeparators) ? QStringLiteral(" ") : QStringLiteral(":");
        for (QString& text : after)
            text = between;
        // Plain separators go only between fields.
        after[(style_ & kHemisphereLast) && (style_ & kShowFields) ? kHemisphere : kSeconds].clear();
    }

    MultiFieldText text;
    const int count = FieldCount();
    for (int i = 0; i < count; ++i) {
        const int logical = LogicalField(i);
        const CGCFieldBase* field = logical == kHemisphere ? static_cast<const CGCFieldBase*>(&hemisphere_)
                                    : logical == kDegrees  ? &degrees_
                                    : logical == kMinutes  ? &minutes_
                                                           : seconds_.get();
        text.fields << field->Text();
        if (i + 1 < count)
            text.separators << after[logical];
        else if (count > 1)
            text.suffix = after[logical];
    }
    return text;
}

CGCFieldBase* CGCLatLongLogic::FieldOf(int logical)
{
    switch (logical) {
    case kHemisphere:
        return &hemisphere_;
    case kDegrees:
        return &degrees_;
    case kMinutes:
        return &minutes_;
    case kSeconds:
        return seconds_.get();
    default:
        return nullptr;
    }
}

bool CGCLatLongLogic::Locked(int logical) const
{
    // At the maximum degrees there is nothing beyond whole degrees.
    return (logical == kMinutes || logical == kSeconds) && degrees_.Value() >= maxDegrees_;
}

void CGCLatLongLogic::AfterDegreesChange(int logical)
{
    if (logical == kDegrees && degrees_.Value() >= maxDegrees_) {
        minutes_.Reset();
        seconds_->Reset();
    }
}

bool CGCLatLongLogic::TypeChar(int displayed, QChar c)
{
    const int logical = LogicalField(displayed);
    CGCFieldBase* field = FieldOf(logical);
    if (!field || Locked(logical))
        return false;
    if (!field->TypeChar(c.toUpper()))
        return false;
    AfterDegreesChange(logical);
    return true;
}

void CGCLatLongLogic::ResetField(int displayed)
{
    if (CGCFieldBase* field = FieldOf(LogicalField(displayed)))
        field->Reset();
}

void CGCLatLongLogic::IncrementField(int displayed)
{
    const int logical = LogicalField(displayed);
    CGCFieldBase* field = FieldOf(logical);
    if (!field || Locked(logical))
        return;
    field->Increment();
    AfterDegreesChange(logical);
}

void CGCLatLongLogic::DecrementField(int displayed)
{
    const int logical = LogicalField(displayed);
    CGCFieldBase* field = FieldOf(logical);
    if (!field || Locked(logical))
        return;
    field->Decrement();
    AfterDegreesChange(logical);
}

void CGCLatLongLogic::ResetAll()
{
    for (int logical = kHemisphere; logical <= kSeconds; ++logical)
        FieldOf(logical)->Reset();
}

void CGCLatLongLogic::ClearTyped()
{
    for (int logical = kHemisphere; logical <= kSeconds; ++logical)
        FieldOf(logical)->ClearTyped();
}

QString CGCLatLongLogic::ValueName() const
{
    return latitude_ ? QStringLiteral("Latitude") : QStringLiteral("Longitude");
}

QString CGCLatLongLogic::FieldName(int displayed) const
{
    switch (LogicalField(displayed)) {
    case kHemisphere:
        return QStringLiteral("Hemisphere");
    case kDegrees:
        return QStringLiteral("Degrees");
    case kMinutes:
        return QStringLiteral("Minutes");
    default:
        return QStringLiteral("Seconds");
    }
}
