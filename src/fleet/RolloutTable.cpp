#include "fleet/RolloutTable.h"

#include "platform/CsvField.h"

#include <QStringList>

#include <array>

QString RolloutOutcomeText(ERolloutOutcome outcome)
{
    switch (outcome) {
    case ERolloutOutcome::Downloaded:
        return QStringLiteral("downloaded");
    case ERolloutOutcome::Activated:
        return QStringLiteral("activated");
    case ERolloutOutcome::Skipped:
        return QStringLiteral("skipped");
    case ERolloutOutcome::Failed:
        return QStringLiteral("failed");
    case ERolloutOutcome::Cancelled:
        return QStringLiteral("cancelled");
    case ERolloutOutcome::Pending:
        break;
    }
    return QStringLiteral("pending");
}

QByteArray RolloutCsv(const std::vector<SRolloutRow>& rows)
{
    QByteArray csv = QByteArray(kRolloutCsvHeader) + '\n';
    for (const SRolloutRow& row : rows) {
        csv += CsvField(row.name) + ',' + CsvField(row.connection) + ',' +
               CsvField(RolloutOutcomeText(row.outcome)) + ',' + CsvField(row.reason) + '\n';
    }
    return csv;
}

QString RolloutSummary(const std::vector<SRolloutRow>& rows)
{
    constexpr std::array kOrder{ERolloutOutcome::Activated, ERolloutOutcome::Downloaded, ERolloutOutcome::Skipped,
                                ERolloutOutcome::Failed,    ERolloutOutcome::Cancelled,  ERolloutOutcome::Pending};
    QStringList parts;
    for (const ERolloutOutcome outcome : kOrder) {
        const auto count = std::count_if(rows.begin(), rows.end(),
                                         [outcome](const SRolloutRow& row) { return row.outcome == outcome; });
        if (count > 0)
            parts.append(QStringLiteral("%1 %2").arg(count).arg(RolloutOutcomeText(outcome)));
    }
    const QString head = QStringLiteral("%1 unit%2").arg(rows.size()).arg(rows.size() == 1 ? "" : "s");
    return parts.isEmpty() ? head : head + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

bool RolloutSucceeded(const std::vector<SRolloutRow>& rows)
{
    return std::all_of(rows.begin(), rows.end(), [](const SRolloutRow& row) {
        return row.outcome == ERolloutOutcome::Downloaded || row.outcome == ERolloutOutcome::Activated ||
               row.outcome == ERolloutOutcome::Skipped;
    });
}

bool IsRolloutSoftware(const QString& bankName, const SRolloutSoftware& software)
{
    const QString name = bankName.trimmed();
    if (name.isEmpty())
        return false;
    return name == software.imageName.trimmed() || name == software.softwareName.trimmed();
}
