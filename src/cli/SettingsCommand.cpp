#include "cli/SettingsCommand.h"

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "settings/UserSettings.h"

QString SettingsReport()
{
    const QString key = ManagerSettingsKeyPath();
    QString report = QStringLiteral("stored in: ") + CRegistry::Location(RegRoot::CurrentUser, key);
    {
        CRegistry probe;
        if (!probe.OpenKeyForRead(RegRoot::CurrentUser, key))
            report += probe.LastResult() == RegResult::NotFound ? QStringLiteral(" (nothing stored yet)")
                                                                : QStringLiteral(" (cannot be read)");
    }
    report += QLatin1Char('\n');

    CManagerSettings settings;
    settings.LoadSettings();
    for (const auto& value : settings.StoredValues()) {
        report += value.name + QStringLiteral(": ") + value.text;
        if (!value.loaded)
            report += QStringLiteral(" (default)");
        report += QLatin1Char('\n');
    }
    report += QStringLiteral("local connection: ") + BuildLocalConnectionString(settings) + QLatin1Char('\n');
    return report;
}
