#include "platform/MeasureSetting.h"

#include <QLocale>

#if defined(Q_OS_WIN)
#include <QSettings>
#else
#include <clocale>
#include <langinfo.h>
#include <locale.h>
#endif

namespace {

MeasureSettingFunction& Installed()
{
    static MeasureSettingFunction function;
    return function;
}

#if !defined(Q_OS_WIN)
// Qt's view of the system locale, for systems without the measurement item.
std::optional<QString> FromQtLocale()
{
    return QLocale::system().measurementSystem() == QLocale::MetricSystem ? QStringLiteral("0")
                                                                          : QStringLiteral("1");
}
#endif

} // namespace

std::optional<QString> ReadPlatformMeasureSetting()
{
#if defined(Q_OS_WIN)
    const QSettings international(QStringLiteral("HKEY_CURRENT_USER\\Control Panel\\International"),
                                  QSettings::NativeFormat);
    const QVariant value = international.value(QStringLiteral("iMeasure"));
    if (!value.isValid())
        return std::nullopt;
    return value.toString();
#elif defined(_NL_MEASUREMENT_MEASUREMENT)
    // The environment's locale, not the process's current one: a program that
    // never called setlocale still follows LC_MEASUREMENT / LANG.
    locale_t locale = newlocale(LC_MEASUREMENT_MASK, "", locale_t(nullptr));
    if (locale == locale_t(nullptr))
        return FromQtLocale();
    const char* item = nl_langinfo_l(_NL_MEASUREMENT_MEASUREMENT, locale);
    std::optional<QString> result;
    if (item && item[0] == 1)
        result = QStringLiteral("0");
    else if (item && item[0] == 2)
        result = QStringLiteral("1");
    freelocale(locale);
    return result ? result : FromQtLocale();
#else
    return FromQtLocale();
#endif
}

std::optional<QString> ReadMeasureSetting()
{
    if (const MeasureSettingFunction& function = Installed())
        return function();
    return ReadPlatformMeasureSetting();
}

MeasureSettingFunction SetMeasureSettingFunction(MeasureSettingFunction function)
{
    MeasureSettingFunction previous = std::move(Installed());
    Installed() = std::move(function);
    return previous;
}
