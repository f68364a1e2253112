#pragma once
// The user's measurement system, as the regional setting "iMeasure" gives it:
// "0" for metric, any other text for US units (feet). On Windows it is the
// value under HKCU "Control Panel\International"; elsewhere it comes from the
// locale's measurement category. Tests replace the reader to get "0", "1" or
// an unreadable setting.

#include <QString>

#include <functional>
#include <optional>

using MeasureSettingFunction = std::function<std::optional<QString>()>;

// The setting's text, or nothing when it cannot be read.
[[nodiscard]] std::optional<QString> ReadMeasureSetting();

// Replaces the reader; an empty function restores the platform's. Returns the
// reader it replaced.
MeasureSettingFunction SetMeasureSettingFunction(MeasureSettingFunction function);

// The platform's own reading, whatever reader is installed.
[[nodiscard]] std::optional<QString> ReadPlatformMeasureSetting();

// True for a readable setting that asks for feet (anything but "0").
[[nodiscard]] inline bool MeasureInFeet(const QString& setting)
{
    return setting != QLatin1String("0");
}
