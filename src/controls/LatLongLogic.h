#pragma once
// What a latitude or longitude control shows and how it takes keys, without
// the widget: the style word, the hemisphere, degrees, minutes and seconds
// fields, the texts between them, and the value in decimal degrees.

#include "controls/CoordinateFields.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

// The style word. Within each group a new style replaces only the groups in
// which it sets a bit.
namespace LatLongStyle {
inline constexpr unsigned kColonSeparators = 0x0001;
inline constexpr unsigned kBlankSeparators = 0x0002;
inline constexpr unsigned kSymbolSeparators = 0x0004;  // " ", degree sign, ', " and a blank
inline constexpr unsigned kLetterSeparators = 0x2000;  // h, d, m, s
inline constexpr unsigned kHemisphereLetters = 0x0008; // N/S, E/W
inline constexpr unsigned kHemisphereSigns = 0x0010;   // +/-
inline constexpr unsigned kDecimalSeconds = 0x0020;
inline constexpr unsigned kWholeSeconds = 0x0040;
inline constexpr unsigned kLeadingZeros = 0x0080;
inline constexpr unsigned kLeadingBlanks = 0x0100;
inline constexpr unsigned kShowFields = 0x0400;
inline constexpr unsigned kHemisphereFirst = 0x0800;
inline constexpr unsigned kHemisphereLast = 0x1000;

inline constexpr unsigned kSeparatorGroup = 0x0001 | 0x0002 | 0x0004 | 0x2000;
inline constexpr unsigned kHemisphereFormGroup = 0x0008 | 0x0010;
inline constexpr unsigned kSecondsGroup = 0x0020 | 0x0040;
inline constexpr unsigned kFillGroup = 0x0080 | 0x0100;
inline constexpr unsigned kFieldsGroup = 0x0400;
inline constexpr unsigned kPlaceGroup = 0x0800 | 0x1000;

inline constexpr unsigned kDefault = 0x0CA9;

// The style word after applying `change` to `current`.
[[nodiscard]] unsigned Apply(unsigned current, unsigned change);
} // namespace LatLongStyle

// The text of a multi-field edit and where each field lies in it.
struct MultiFieldText {
    QString prefix;
    QStringList fields;
    QStringList separators; // separators[i] follows fields[i]; the last one serves the rest
    QString suffix;

    [[nodiscard]] QString Compose() const;
    [[nodiscard]] int FieldStart(int field) const;
    [[nodiscard]] int FieldEnd(int field) const;
    // The field a click at character `position` picks.
    [[nodiscard]] int FieldAt(int position) const;

private:
    [[nodiscard]] QString SeparatorAfter(int field) const;
};

class CGCLatLongLogic {
public:
    // Logical fields, whatever the order shown.
    enum Field { kHemisphere = 0, kDegrees = 1, kMinutes = 2, kSeconds = 3 };

    explicit CGCLatLongLogic(bool latitude);

    void SetStyle(unsigned style);
    [[nodiscard]] unsigned GetStyle() const { return style_; }
    [[nodiscard]] bool IsLatitude() const { return latitude_; }
    [[nodiscard]] int MaxDegrees() const { return maxDegrees_; }

    // False, and nothing changed, beyond the maximum degrees.
    bool SetValue(double degrees);
    [[nodiscard]] double GetValue() const;

    // The fields as shown, in display order.
    [[nodiscard]] int FieldCount() const;
    [[nodiscard]] int LogicalField(int displayed) const;
    [[nodiscard]] int DisplayedField(int logical) const;
    [[nodiscard]] MultiFieldText Text() const;

    // Input to a displayed field; false when nothing changed.
    bool TypeChar(int displayed, QChar c);
    void ResetField(int displayed);
    void IncrementField(int displayed);
    void DecrementField(int displayed);
    void ResetAll();
    void ClearTyped();

    // "Latitude"/"Longitude", and "Hemisphere", "Degrees", ... for a displayed field.
    [[nodiscard]] QString ValueName() const;
    [[nodiscard]] QString FieldName(int displayed) const;

    [[nodiscard]] int Degrees() const { return degrees_.Value(); }

private:
    [[nodiscard]] CGCFieldBase* FieldOf(int logical);
    [[nodiscard]] bool Locked(int logical) const;
    void AfterDegreesChange(int logical);
    void ApplyFormats();

    bool latitude_;
    int maxDegrees_;
    unsigned style_ = 0;
    QString positive_;
    QString negative_;
    CGCStringListField hemisphere_;
    CGCIntegerField degrees_;
    CGCIntegerField minutes_;
    std::unique_ptr<CGCNumBase> seconds_;
};
