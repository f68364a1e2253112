#include "cli/CommissionCommand.h"

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "cli/CliArguments.h"
#include "cli/CliPrompts.h"
#include "cli/CliSession.h"
#include "cli/CommissionPlan.h"
#include "cli/CommissionVerify.h"
#include "cli/FileArguments.h"
#include "cli/LinkReport.h"
#include "cli/ReportStatusReader.h"
#include "cli/SingleRequest.h"
#include "cli/GroupCommandSession.h"
#include "commissioning/procedure/CommissionData.h"
#include "commissioning/report/CommissionReport.h"
#include "commissioning/report/ReportTexts.h"
#include "commissioning/report/WorkOrderWriter.h"
#include "commissioning/wizard/WizardProblem.h"
#include "commissioning/WorkOrderReader.h"
#include "commissioning/wizard/WorkOrderCheck.h"
#include "link/AppHandler.h"
#include "link/CommHandler.h"
#include "platform/LogCategories.h"
#include "platform/MeasureSetting.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <new>
#include <optional>

namespace {
constexpr unsigned kCommissioningProblem = 61243;

bool FeetSetting()
{
    const auto measure = ReadMeasureSetting();
    return measure && !measure->startsWith(QLatin1Char('0'));
}

// Whether the work order's position is written, as the GPS page decides it.
QString ModeLine(bool advanced, const WorkOrderValues& values, const SCommissionValues& written)
{
    if (advanced)
        return QStringLiteral("Advanced mode: the work order's position is written (latitude %1, longitude %2 "
                              "degrees).")
            .arg(QString::number(written.latitude, 'g', 10), QString::number(written.longitude, 'g', 10));
    QString line = QStringLiteral("Basic mode: the work order's position is not written (latitude and longitude "
                                  "stay 0, as the wizard's GPS page without advanced features); --advanced "
                                  "writes it.");
    if (values.gpsMode == WizardString(WizardStringId::GpsModeLocked))
        line += QStringLiteral(" Its Locked GPS mode needs the position and is not set either.");
    return line;
}

// The chosen unit checked as "qora-cli check" checks it, told on the same
// lines. What check fails stops the commissioning before anything is read
// from or sent to the unit, save the wizard's own replacements when the
// caller takes them and the addresses a remote connection never uses. A work
// order that cannot be read, or has no such unit, passes here: opening it
// tells why.
bool PassWorkOrderCheck(const SCommissionOptions& options, std::FILE* err)
{
    const WorkOrderResult<CWorkOrderUnits> read = ReadWorkOrderFile(options.workOrderPath);
    const int index = options.unit ? *options.unit - 1 : 0;
    if (!read || index >= read.Value().Names().size())
        return true;
    QList<SWorkOrderProblem> problems;
    try {
        problems = CheckWorkOrderUnit(read.Value().CopyUnit(index));
    } catch (const std::bad_alloc&) {
        return true;
    }
    const QString prefix =
        QStringLiteral("%1 unit %2 (%3): ").arg(options.workOrderPath).arg(index + 1).arg(read.Value().Names()[index]);
    QStringList stopping;
    bool onlyReplacements = true;
    for (const SWorkOrderProblem& problem : problems) {
        const EProblemUse use = CommissioningUse(problem, problems, options.acceptReplaced, options.remote);
        if (use == EProblemUse::NotUsed)
            continue;
        PrintLine(err, prefix + problem.Line());
        if (use != EProblemUse::Stops)
            continue;
        if (!stopping.contains(problem.parameter))
            stopping.append(problem.parameter);
        onlyReplacements &= CommissioningUse(problem, problems, true, options.remote) == EProblemUse::Replaced;
    }
    if (stopping.isEmpty())
        return true;
    qCWarning(lcCommissioning).noquote() << "commissioning refused by the work order check:" << stopping.join(u',');
    PrintLine(err, QStringLiteral("qora-cli: commission refused: %1 as the work order check says above; nothing was "
                                  "sent to the unit. Correct the work order%2.")
                       .arg(stopping.join(QStringLiteral(", ")),
                            onlyReplacements ? QStringLiteral(", or give --accept-replaced to commission with the "
                                                              "values the wizard would use instead")
                                             : QString()));
    return false;
}

// After the reset: the unit looked for where it must now be, read back and
// compared; 0 verified, 1 other values read back (or the report not
// written), 2 the unit not back in time.
int VerifyAfterReset(const std::string& connection, const SCommissionValues& written,
                     const SCommissionOptions& options, const SCliOutput& output)
{
    SUnitPlace place;
    place.remote = options.remote;
    if (!place.remote) {
        place.ipAddress = written.ipAddress;
        place.q1Address = written.q1Address;
    }
    const std::string target = ConnectionAt(connection, place);
    PrintLine(output.out, QStringLiteral("Verifying: waiting up to %1 s for the unit %2.")
                              .arg(options.verifyTimeoutSeconds)
                              .arg(place.remote ? QStringLiteral("on its node")
                                                : QStringLiteral("at %1, Q1 address %2")
                                                      .arg(place.ipAddress)
                                                      .arg(place.q1Address)));
    std::fflush(output.out);
    CManagerSettings settings;
    settings.LoadSettings();
    const SVerification verification = VerifyCommissionedUnit(target, written, place, options.verifyTimeoutSeconds,
                                                              static_cast<int>(settings.retryConnTime));
    if (verification.unitBack) {
        for (const QString& line : VerificationTableLines(verification))
            PrintLine(output.out, line);
        const QStringList unreadable = UnreadableParameters(place.remote);
        if (!unreadable.isEmpty())
            PrintLine(output.out, QStringLiteral("Not readable on the unit: ") + unreadable.join(QStringLiteral(", ")));
    }
    const QString summary = VerificationSummary(verification, options.verifyTimeoutSeconds);
    int status = kExitOk;
    if (verification.Passed()) {
        PrintLine(output.out, summary);
    } else {
        PrintLine(output.err, summary);
        status = verification.unitBack ? kExitRequestFailed : kExitNoConnection;
    }
    // A unit missing at its new place may be one that kept its old address.
    const std::optional<SUnitPlace> old = PlaceOf(connection);
    if (!verification.unitBack && !place.remote && old
        && (old->ipAddress != place.ipAddress || old->q1Address != place.q1Address)) {
        const SVerification there = VerifyCommissionedUnit(connection, written, *old, 1, 0);
        if (there.unitBack)
            PrintLine(output.err, QStringLiteral("the unit still answers at its old place, %1, Q1 address %2: it did "
                                                 "not take its new address")
                                      .arg(old->ipAddress)
                                      .arg(old->q1Address));
    }
    if (!options.verifyReportPath.isEmpty()) {
        QString error;
        if (SaveVerificationReport(options.verifyReportPath, verification, error)) {
            PrintLine(output.out, QStringLiteral("Verification report: ") + options.verifyReportPath);
        } else {
            PrintLine(output.err, QStringLiteral("cannot write %1: %2").arg(options.verifyReportPath, error));
            if (status == kExitOk)
                status = kExitRequestFailed;
        }
    }
    return status;
}
} // namespace

int RunCommissionCommand(const std::string& connection, bool connectionFromSettings,
                         const std::vector<std::string>& arguments, const SCliOutput& output)
{
    std::string error;
    const auto options = ParseCommissionArguments(arguments, QDate::currentDate(), error);
    if (!options)
        return RefuseUsage(output.err, error);
    auto problem = InputFileProblem(options->workOrderPath);
    if (!problem && !options->reportPath.isEmpty())
        problem = OutputFileProblem(options->reportPath);
    if (!problem && !options->verifyReportPath.isEmpty())
        problem = OutputFileProblem(options->verifyReportPath);
    if (problem) {
        PrintError(output.err, *problem);
        return kExitRequestFailed;
    }

    if (!PassWorkOrderCheck(*options, output.err))
        return kExitRequestFailed;
    CCliPrompts prompts(MsgAnswer::No, output.err);
    auto opened = OpenCommissionWorkOrder(options->workOrderPath, options->unit, output.err, error);
    if (!opened) {
        if (!error.empty())
            std::fprintf(output.err, "%s\n", error.c_str());
        return kExitRequestFailed;
    }

    CManagerSettings settings;
    settings.LoadSettings();
    SCommissionSurroundings surroundings;
    surroundings.advancedMode = options->advancedMode.value_or(settings.advancedMode != 0);
    surroundings.remote = options->remote;
    surroundings.feet = FeetSetting();
    surroundings.settingsIpAddress = settings.ipAddress;
    const SCommissionPlan plan = PlanCommissioning(*opened->values, *options, surroundings);
    for (const QString& notice : plan.notices)
        PrintLine(output.err, notice);
    if (plan.refusal) {
        PrintLine(output.err, plan.refusal->text);
        PrintLine(output.err, QStringLiteral("qora-cli: commission refused by the wizard's page; nothing was sent to "
                                             "the unit"));
        return kExitRequestFailed;
    }
    PrintLine(output.out, QStringLiteral("Commissioning ") + opened->unitNames.value(opened->chosen));
    PrintLine(output.out, ModeLine(surroundings.advancedMode, *opened->values, plan.values));

    CCommissionData group;
    CGroupCommandSession session(connection);
    CReportStatusReader statusReader(UnitAddressText(QString::fromStdString(connection)));
    std::optional<CSingleRequest> reset;
    SReportStatus reportStatus = CReportStatusReader::Unknown();
    bool recorded = false;

    const auto record = [&](bool success) {
        RecordResult(*opened->workOrder, plan.values, success, reportStatus, QDateTime::currentDateTime());
        recorded = true;
    };
    const auto startWrite = [&] {
        // Over a remote connection nothing left over may come between the
        // commissioning's steps.
        if (options->remote)
            AppCommHandler()->ClearQueues();
        group.SetCommissionValues(plan.values);
        group.SetRemoteConnection(options->remote);
        session.Attach(group);
        if (!group.WriteWithLeadingCommand()) {
            std::fprintf(output.err, "the unit is not connected\n");
            session.Finish(kExitNoConnection);
        }
    };
    const auto resetDone = [&](std::optional<std::vector<std::uint8_t>> reply) {
        if (reply && !ResetRefused(*reply)) {
            qCInfo(lcCommissioning, "reset answered: the unit restarts with the new values");
            PrintLine(output.out, QStringLiteral("The unit restarts with the new values."));
            session.Finish(kExitOk);
        } else if (reply) {
            qCWarning(lcCommissioning, "reset refused by the unit (%d-byte reply)", static_cast<int>(reply->size()));
            std::fprintf(output.err, "the unit refused the reset; reset it to apply the values\n");
            session.Finish(kExitRequestFailed);
        } else if (UnansweredRequest(*AppCommHandler(), kResetHeader)) {
            qCInfo(lcCommissioning, "reset unanswered: the unit may already be restarting");
            PrintLine(output.out, QString::fromLatin1(kUnansweredRestartText));
            session.Finish(kExitOk);
        } else {
            const std::string why = AppCommHandler()->LastFailure().text;
            qCWarning(lcCommissioning, "reset not sent: %s", why.c_str());
            std::fprintf(output.err, "the reset could not be sent%s%s; reset the unit to apply the values\n",
                         why.empty() ? "" : ": ", why.c_str());
            session.Finish(kExitRequestFailed);
        }
    };
    session.SetNoticeHandler([&](unsigned message, MsgWParam wParam) {
        if (message != WM_COMMISSION_WRITE_DONE || recorded)
            return;
        if (wParam != 1) {
            PrintLine(output.err, LoadResString(kCommissioningProblem));
            record(false);
            session.Finish(kExitRequestFailed);
            return;
        }
        record(true);
        PrintLine(output.out, QStringLiteral("The unit acknowledged every value."));
        if (!options->reset) {
            session.Finish(kExitOk);
            return;
        }
        reset.emplace(*AppCommHandler());
        reset->Send(UnitResetRequest(), resetDone);
    });
    int status = session.Run(true, [&] {
        if (options->reportPath.isEmpty()) {
            startWrite();
            return;
        }
        // The status windows' figures as they stand before the write.
        statusReader.Start([&](const SReportStatus& read, bool complete) {
            reportStatus = read;
            if (!complete)
                std::fprintf(output.err, "not every status answered; the report leaves those values unknown\n");
            startWrite();
        });
    });
    reset.reset();
    group.Unregister();

    if (recorded && status == kExitOk && connectionFromSettings && !options->remote) {
        // The next local connection finds the unit at its new place.
        settings.ipAddress = plan.values.ipAddress;
        settings.q1Address = static_cast<std::uint32_t>(plan.values.q1Address);
        settings.SaveSettings();
    }
    if (recorded && !options->reportPath.isEmpty()) {
        const WorkOrderSaveResult saved = SaveWorkOrder(*opened->workOrder, options->reportPath);
        if (!saved.saved) {
            PrintLine(output.err, LoadResString(ReportStringId::CannotSave).arg(options->reportPath, saved.error));
            if (status == kExitOk)
                status = kExitRequestFailed;
        } else {
            PrintLine(output.out, QStringLiteral("Report: ") + options->reportPath);
        }
    }
    if (recorded && status == kExitOk && options->verify)
        status = VerifyAfterReset(connection, plan.values, *options, output);
    return status;
}
