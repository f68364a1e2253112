#pragma once
// The two contents ("a" and "b") of each file the interrupted-save tests
// write, shared by the child that saves and the test that checks. They differ
// in content and in size, so a file cut short or mixed from both shows.

#include "app/ManagerSettings.h"
#include "commissioning/WorkOrder.h"
#include "data/constlog/ConstLogFile.h"

#include <QByteArray>
#include <QString>

namespace savetest {

// Large enough that writing it takes many system calls and some time.
inline QByteArray WorkOrderVariantBytes(char variant)
{
    const qsizetype size = variant == 'a' ? 600 * 1024 : 400 * 1024;
    const QByteArray comments(size, variant == 'a' ? 'x' : 'y');
    return QByteArray("<?xml version=\"1.0\"?><raml><cmData>"
                      "<managedObject class=\"QOR\" distName=\"SITE/QOR-1\">"
                      "<p name=\"qorName\">unit ")
        + variant + "</p><p name=\"qorQ1Address\">140</p><p name=\"installComments\">" + comments
        + "</p></managedObject></cmData></raml>";
}

inline bool LoadVariantWorkOrder(CWorkOrder& workOrder, char variant)
{
    return static_cast<bool>(workOrder.LoadFromBytes(WorkOrderVariantBytes(variant)));
}

inline ConstLogReport ConstLogVariant(char variant)
{
    ConstLogReport report;
    report.serialNumber = variant == 'a' ? QStringLiteral("QSIM-A-131") : QStringLiteral("QSIM-B");
    report.latitudeText = PackedLatitudeText(variant == 'a' ? 601012345 : -335512000);
    report.longitudeText = PackedLongitudeText(variant == 'a' ? 24512000 : -1502000);
    report.altitudeText = LogAltitudeText(variant == 'a' ? 1234 : 98765, true);
    for (int d = 0; d < kConstLogDays; ++d) {
        ConstLogDay& day = report.statistics.days[static_cast<std::size_t>(d)];
        day.year = 2009;
        day.month = 3;
        day.day = d + 1;
        for (int n = 0; n < kConstLogCounts; ++n)
            day.durations[static_cast<std::size_t>(n)] = static_cast<std::uint32_t>((variant == 'a' ? 100 : 7) * (n + d + 1));
        for (std::uint32_t seconds : day.durations)
            report.statistics.totals[static_cast<std::size_t>(d)] += seconds;
    }
    return report;
}

inline void ApplySettingsVariant(CManagerSettings& settings, char variant)
{
    settings.ipAddress = variant == 'a' ? QStringLiteral("192.168.10.20") : QStringLiteral("10.1.2.3");
    settings.q1Address = variant == 'a' ? 140 : 1999;
    settings.portAddress = variant == 'a' ? 7000 : 7100;
    settings.swdlPacketSize = variant == 'a' ? 228 : 506;
    settings.advancedMode = variant == 'a' ? 0 : 1;
    settings.retryConnTime = variant == 'a' ? 60 : 90;
}

} // namespace savetest
