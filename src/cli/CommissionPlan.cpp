#include "cli/CommissionPlan.h"

#include "cli/CliArguments.h"
#include "commissioning/WorkOrderReader.h"
#include "commissioning/wizard/CommissionHandover.h"
#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/WorkOrderApply.h"
#include "controls/LatLongLogic.h"
#include "data/system/UserData.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

namespace {
// The coordinate control's value after showing `degrees` (or, when it was
// never filled, what a new control holds).
double CoordinateControlValue(bool latitude, std::optional<double> degrees)
{
    CGCLatLongLogic control(latitude);
    control.SetStyle(LatLongStyle::kSymbolSeparators);
    if (degrees)
        control.SetValue(*degrees);
    return control.GetValue();
}

bool TakeText(const std::vector<std::string>& arguments, std::size_t& i, int limit, QString& text,
              std::string& error)
{
    if (i + 1 >= arguments.size()) {
        error = MissingValue(arguments[i]);
        return false;
    }
    text = QString::fromLocal8Bit(arguments[++i].c_str());
    if (const QString why = UnitTextRefusal(text); !why.isEmpty()) {
        error = arguments[i - 1] + ": " + why.toStdString();
        return false;
    }
    // Counted as the unit receives the text (line breaks as CR LF), so that
    // the user block never has to cut it.
    if (UnitTextBytes(text) > limit) {
        error = arguments[i - 1] + ": longer than " + std::to_string(limit)
            + " bytes as the unit receives it (a line break counts two)";
        return false;
    }
    return true;
}

// The Q1 page of a local connection, passed with what it shows on opening.
std::optional<SPageProblem> PassQ1Page(SQ1PageValues& q1, const SCommissionSurroundings& surroundings,
                                       QStringList& notices)
{
    SQ1Entries entries;
    entries.q1AddressText = QString::number(q1.q1Address);
    entries.speedIndex = q1.speedIndex;
    entries.relayChecked = q1.relayDefault;
    entries.ip = OpeningIpAddress(q1);
    entries.mask = OpeningSubnetMask(q1);
    entries.gateway = OpeningGateway(q1);
    if (auto refusal = CheckQ1Page(entries))
        return refusal;
    if (const auto notice = Q1IpChangeNotice(entries, true, surroundings.settingsIpAddress))
        notices.append(notice->text);
    return TakeQ1Page(entries, q1);
}
} // namespace

std::optional<SCommissionOptions> ParseCommissionArguments(const std::vector<std::string>& arguments,
                                                           const QDate& today, std::string& error)
{
    SCommissionOptions options;
    options.date = today;
    bool havePath = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        const bool takesValue = argument == "--unit" || argument == "--report" || argument == "--date"
            || argument == "--verify-timeout" || argument == "--verify-report";
        if (takesValue && i + 1 >= arguments.size()) {
            error = MissingValue(argument);
            return std::nullopt;
        }
        if (argument == "--unit") {
            int unit = 0;
            const std::string& value = arguments[++i];
            if (!ReadDigits(value, 6, unit) || unit < 1) {
                error = RefusedValue(argument, value, "not a unit number (1 for the first unit of the file)");
                return std::nullopt;
            }
            options.unit = unit;
        } else if (argument == "--report") {
            const std::string& value = arguments[++i];
            if (value.empty()) {
                error = RefusedValue(argument, value, "the file to write is needed");
                return std::nullopt;
            }
            options.reportPath = QString::fromLocal8Bit(value.c_str());
        } else if (argument == "--date") {
            const std::string& value = arguments[++i];
            const QDate date = QDate::fromString(QString::fromStdString(value), QStringLiteral("yyyy-MM-dd"));
            if (!date.isValid()) {
                error = RefusedValue(argument, value, "not a date as yyyy-MM-dd");
                return std::nullopt;
            }
            options.date = date;
        } else if (argument == "--verify") {
            options.verify = true;
        } else if (argument == "--verify-timeout") {
            int seconds = 0;
            const std::string& value = arguments[++i];
            if (!ReadDigits(value, 5, seconds) || seconds < 1) {
                error = RefusedValue(argument, value, "not a number of seconds (1 or more)");
                return std::nullopt;
            }
            options.verifyTimeoutSeconds = seconds;
        } else if (argument == "--verify-report") {
            const std::string& value = arguments[++i];
            if (value.empty()) {
                error = RefusedValue(argument, value, "the file to write is needed");
                return std::nullopt;
            }
            // The table is of a verification: asking for it asks for one.
            options.verifyReportPath = QString::fromLocal8Bit(value.c_str());
            options.verify = true;
        } else if (argument == "--advanced" || argument == "--basic") {
            const bool advanced = argument == "--advanced";
            if (options.advancedMode && *options.advancedMode != advanced) {
                error = "give --advanced or --basic, not both";
                return std::nullopt;
            }
            options.advancedMode = advanced;
        } else if (argument == "--remote") {
            options.remote = true;
        } else if (argument == "--accept-replaced") {
            options.acceptReplaced = true;
        } else if (argument == "--user") {
            if (!TakeText(arguments, i, kMaxUserNameLength, options.userName, error))
                return std::nullopt;
        } else if (argument == "--comments") {
            if (!TakeText(arguments, i, kMaxUserNoteLength, options.comments, error))
                return std::nullopt;
        } else if (argument == "--actions") {
            if (!TakeText(arguments, i, kMaxUserNoteLength, options.actions, error))
                return std::nullopt;
        } else if (argument == "--no-reset") {
            options.reset = false;
        } else if ((argument.size() > 1 && argument[0] == '-') || havePath) {
            error = UnknownArgument("commission", argument);
            return std::nullopt;
        } else {
            options.workOrderPath = QString::fromLocal8Bit(argument.c_str());
            havePath = true;
        }
    }
    if (options.verify && !options.reset) {
        error = "--verify checks the unit after its reset: give it without --no-reset";
        return std::nullopt;
    }
    if (!havePath || options.workOrderPath.isEmpty()) {
        error = "commission needs the work order file (see qora-cli commission --help)";
        return std::nullopt;
    }
    return options;
}

std::optional<SOpenedWorkOrder> OpenCommissionWorkOrder(const QString& path, std::optional<int> unit,
                                                        std::FILE* err, std::string& error)
{
    SOpenedWorkOrder opened;
    bool unitMissing = false;
    const UnitChooser choose = [&](const QStringList& names) {
        opened.unitNames = names;
        if (unit) {
            unitMissing = *unit > names.size();
            return unitMissing ? 0 : *unit - 1;
        }
        std::fprintf(err, "the work order holds %lld QORA units; taking the first (choose with --unit N):\n",
                     static_cast<long long>(names.size()));
        for (qsizetype i = 0; i < names.size(); ++i)
            std::fprintf(err, "  %lld  %s\n", static_cast<long long>(i + 1), names[i].toLocal8Bit().constData());
        return 0;
    };
    QString currentPath;
    const auto loaded = OpenWorkOrder(path, choose, opened.workOrder, opened.values, currentPath);
    // A unit number the file does not have is said as such, never hidden
    // behind a reading error of the unit that stood in for it.
    if (!loaded && !unitMissing) {
        // Told as the desktop tells them, each on its own line.
        const WorkOrderOpenFailure& failure = loaded.Failure();
        if (failure.reading)
            ShowMessageBox(LoadResString(failure.reading->messageId), MsgIcon::Error);
        ShowMessageBox(LoadResString(failure.messageId), MsgIcon::None);
        return std::nullopt;
    }
    if (loaded && opened.unitNames.isEmpty()) {
        // The choice is asked only among several units; a single unit's name
        // is its element's distName as well.
        const XmlPtr<xmlChar> name(xmlGetProp(opened.workOrder->UnitElement(), BAD_CAST "distName"));
        opened.unitNames.append(name ? QString::fromUtf8(reinterpret_cast<const char*>(name.get())) : QString());
        unitMissing = unit && *unit > 1;
    }
    if (unitMissing) {
        // Commissioning another unit than the one asked for is never the right guess.
        error = "the work order has no unit " + std::to_string(*unit) + " (it holds " +
                std::to_string(opened.unitNames.size()) + ")";
        return std::nullopt;
    }
    opened.chosen = unit ? *unit - 1 : 0;
    return opened;
}

SCommissionPlan PlanCommissioning(const WorkOrderValues& workOrder, const SCommissionOptions& options,
                                  const SCommissionSurroundings& surroundings)
{
    SCommissionPlan plan;
    SWizardPageValues pages;
    ResetPages(pages);
    ApplyWorkOrderValues(pages, workOrder);

    // GPS page: without advanced features the position is not offered; its
    // controls keep what a new control holds.
    SGpsPageValues& gps = pages.gps;
    if (!surroundings.advancedMode)
        gps.positionLocked = false;
    if (gps.positionLocked) {
        gps.selfSurvey = false;
        plan.notices.append(WizardString(WizardStringId::ManualPositionAdvice));
    }
    SGpsEntries gpsEntries;
    gpsEntries.latitude = CoordinateControlValue(
        true, surroundings.advancedMode ? std::optional<double>(gps.latitude) : std::nullopt);
    gpsEntries.longitude = CoordinateControlValue(
        false, surroundings.advancedMode ? std::optional<double>(gps.longitude) : std::nullopt);
    gpsEntries.feet = surroundings.feet;
    gpsEntries.altitudeText = AltitudeText(gps.altitudeCm, surroundings.feet);
    const QDateTime utc = surroundings.now.toUTC();
    gpsEntries.utc = {utc.date().year(), utc.date().month(),  utc.date().day(),
                      utc.time().hour(), utc.time().minute(), utc.time().second()};
    if ((plan.refusal = TakeGpsPage(gpsEntries, gps)))
        return plan;

    // Time calculation page: the delays as the edits show them.
    const SRfEntries rfEntries{QString::number(pages.rf.gpsAntennaDelayNs),
                               QString::number(pages.rf.frameClockDelayNs), pages.rf.onePps};
    if ((plan.refusal = TakeRfPage(rfEntries, pages.rf)))
        return plan;

    // A remote connection's wizard has no Q1 page: nothing of it is checked or
    // taken, and the unit keeps the addresses it has.
    if (!surroundings.remote && (plan.refusal = PassQ1Page(pages.q1, surroundings, plan.notices)))
        return plan;

    SUserEntries userEntries;
    userEntries.userName = options.userName;
    userEntries.comments = options.comments;
    userEntries.actions = options.actions;
    if (options.date.isValid()) {
        userEntries.year = options.date.year();
        userEntries.month = options.date.month();
        userEntries.day = options.date.day();
    }
    TakeUserPage(userEntries, pages.user);

    plan.values = GatherCommissionValues(pages);
    return plan;
}
