#include "cli/CommissionCommand.h"

#include "app/LocalConnection.h"
#include "app/ManagerSettings.h"
#include "cli/CliPrompts.h"
#include "cli/CliSession.h"
#include "cli/CommissionPlan.h"
#include "cli/ReportStatusReader.h"
#include "cli/SingleRequest.h"
#include "cli/VersionCommand.h"
#include "commissioning/procedure/CommissionData.h"
#include "commissioning/report/CommissionReport.h"
#include "commissioning/report/ReportTexts.h"
#include "commissioning/report/WorkOrderWriter.h"
#include "link/AppHandler.h"
#include "platform/MeasureSetting.h"
#include "platform/MessageIds.h"
#include "platform/StringTable.h"

#include <optional>

namespace {
constexpr unsigned kCommissioningProblem = 61243;

bool FeetSetting()
{
    const auto measure = ReadMeasureSetting();
    return measure && !measure->startsWith(QLatin1Char('0'));
}
} // namespace

int RunCommissionCommand(const std::string& connection, bool connectionFromSettings,
                         const std::vector<std::string>& arguments, const SCliOutput& output)
{
    std::string error;
    const auto options = ParseCommissionArguments(arguments, QDate::currentDate(), error);
    if (!options) {
        std::fprintf(output.err, "qora-cli: %s\n", error.c_str());
        return kExitUsage;
    }

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
    surroundings.advancedMode = settings.advancedMode != 0;
    surroundings.feet = FeetSetting();
    surroundings.settingsIpAddress = settings.ipAddress;
    const SCommissionPlan plan = PlanCommissioning(*opened->values, *options, surroundings);
    for (const QString& notice : plan.notices)
        PrintLine(output.err, notice);
    if (plan.refusal) {
        PrintLine(output.err, plan.refusal->text);
        return kExitRequestFailed;
    }
    PrintLine(output.out, QStringLiteral("Commissioning ") + opened->unitNames.value(opened->chosen));

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
        group.SetCommissionValues(plan.values);
        group.SetRemoteConnection(false);
        session.Attach(group);
        if (!group.WriteWithLeadingCommand()) {
            std::fprintf(output.err, "the unit is not connected\n");
            session.Finish(kExitNoConnection);
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
        reset->Send(UnitResetRequest(), [&](std::optional<std::vector<std::uint8_t>> reply) {
            if (!reply) {
                std::fprintf(output.err, "the unit did not confirm the reset; reset it to apply the values\n");
                session.Finish(kExitRequestFailed);
                return;
            }
            PrintLine(output.out, QStringLiteral("The unit restarts with the new values."));
            session.Finish(kExitOk);
        });
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

    if (recorded && status == kExitOk && connectionFromSettings) {
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
    return status;
}
