#pragma once
// The outcome of a firmware rollout, unit by unit: what each unit ended with
// and why, the table printed at the end and its one-line summary.

#include <QByteArray>
#include <QString>

#include <vector>

enum class ERolloutOutcome {
    Pending,    // not finished (yet)
    Downloaded, // the new firmware is in the inactive bank
    Activated,  // and it runs: read back after the restart
    Skipped,    // it ran that software already
    Failed,
    Cancelled,  // the rollout was interrupted before this unit finished
};

struct SRolloutRow {
    QString name;
    QString connection;
    ERolloutOutcome outcome = ERolloutOutcome::Pending;
    QString reason; // why it failed, was skipped or cancelled; empty on success
};

// "downloaded", "activated", "skipped", "failed", "cancelled" ("pending").
[[nodiscard]] QString RolloutOutcomeText(ERolloutOutcome outcome);

inline constexpr const char* kRolloutCsvHeader = "name,connection,outcome,reason";

// Header line and one line per unit, each ended by "\n", quoted as the fleet
// status table is.
[[nodiscard]] QByteArray RolloutCsv(const std::vector<SRolloutRow>& rows);

// "12 units: 9 activated, 1 skipped, 2 failed" (outcomes with no unit left out).
[[nodiscard]] QString RolloutSummary(const std::vector<SRolloutRow>& rows);

// Every unit got the software (downloaded or activated as asked) or had it already.
[[nodiscard]] bool RolloutSucceeded(const std::vector<SRolloutRow>& rows);

// What the master file says the unit will run.
struct SRolloutSoftware {
    QString imageName;    // the image file, which the unit's banks name
    QString softwareName; // the software record's name
};

// Whether a bank's name is this software: the image's name or the software
// name, exactly as the unit reports it apart from surrounding blanks. An
// empty bank is nothing.
[[nodiscard]] bool IsRolloutSoftware(const QString& bankName, const SRolloutSoftware& software);
