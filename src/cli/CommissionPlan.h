#pragma once
// The part of "qora-cli commission" that needs no unit: the options, the work
// order and its unit, and the wizard's pages filled from it and checked as
// the wizard's Next and Finish check them, down to the values the unit is
// to receive. Nothing here sends anything.

#include "commissioning/CommissionValues.h"
#include "commissioning/WorkOrder.h"
#include "commissioning/wizard/WizardProblem.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct SCommissionOptions {
    QString workOrderPath;
    std::optional<int> unit; // counted from 1 in document order
    QString reportPath;      // empty: no report file
    QString userName;
    QDate date;              // the user page's date; today when not given
    QString comments;
    QString actions;
    bool reset = true;
    bool remote = false;              // the connection goes through the operator's network
    std::optional<bool> advancedMode; // --advanced / --basic; the settings' when not given
    bool acceptReplaced = false;      // go on when the wizard would replace a work order value
    // After the reset: find the unit where it must now be and read it back.
    bool verify = false;
    int verifyTimeoutSeconds = 180;
    QString verifyReportPath; // empty: no JSON file
};

// The options, or nothing with the reason in `error` (naming the argument and
// the value refused). Texts longer than the user page takes (name 31,
// comments and actions 99 bytes as the unit receives them) are refused
// rather than cut.
[[nodiscard]] std::optional<SCommissionOptions> ParseCommissionArguments(const std::vector<std::string>& arguments,
                                                                         const QDate& today, std::string& error);

struct SOpenedWorkOrder {
    std::unique_ptr<CWorkOrder> workOrder;
    std::unique_ptr<WorkOrderValues> values;
    QStringList unitNames; // every unit of the file, in document order
    int chosen = 0;        // index into unitNames
};

// Opens the work order and reads the chosen unit's values; the reasons a work
// order cannot be used go through the message box function, as the desktop
// shows them. With several units and no
// unit number the units are listed on `err` and the first is taken. Nothing
// (with the reason in `error` when the reader gave none) on failure,
// including a unit number the file does not have.
[[nodiscard]] std::optional<SOpenedWorkOrder> OpenCommissionWorkOrder(const QString& path, std::optional<int> unit,
                                                                      std::FILE* err, std::string& error);

// What the wizard would know about its surroundings.
struct SCommissionSurroundings {
    bool advancedMode = false; // the position is entered only with advanced features
    bool remote = false;       // a remote connection's wizard has no Q1 page
    bool feet = false;         // the imperial regional setting
    QString settingsIpAddress; // the local connection's host
    QDateTime now = QDateTime::currentDateTime();
};

struct SCommissionPlan {
    // The first page that refused, as the wizard would have shown it; the
    // values are not to be used then.
    std::optional<SPageProblem> refusal;
    // Messages the pages show without stopping (advice, the IP change notice).
    QStringList notices;
    SCommissionValues values;
};

// Resets the pages, applies the work order's values, then passes each page
// in turn as a user pressing Next without touching anything would, with the
// user page's entries from the options. On a remote connection there is no
// Q1 page: its address texts stay empty, as the wizard hands them over.
[[nodiscard]] SCommissionPlan PlanCommissioning(const WorkOrderValues& workOrder, const SCommissionOptions& options,
                                                const SCommissionSurroundings& surroundings);
