#include "cli/CommissionPlan.h"

#include "commissioning/wizard/CommissionHandover.h"
#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/WorkOrderApply.h"
#include "controls/LatLongLogic.h"

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
        error = arguments[i] + " needs a value";
        return false;
    }
    text = QString::fromLocal8Bit(arguments[++i].c_str());
    if (text.size() > limit) {
        error = arguments[i - 1] + " takes at most " + std::to_string(limit) + " characters";
        return false;
    }
    return true;
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
        const bool hasValue = i + 1 < arguments.size();
        if (argument == "--unit") {
            bool ok = false;
            const int unit = hasValue ? QString::fromStdString(arguments[i + 1]).toInt(&ok) : 0;
            if (!ok || unit < 1) {
                error = "--unit takes a unit number from 1";
                return std::nullopt;
            }
            options.unit = unit;
            ++i;
        } else if (argument == "--report") {
            if (!hasValue || arguments[i + 1].empty()) {
                error = "--report needs the file to write";
                return std::nullopt;
            }
            options.reportPath = QString::fromLocal8Bit(arguments[++i].c_str());
        } else if (argument == "--date") {
            const QDate date = hasValue ? QDate::fromString(QString::fromStdString(arguments[i + 1]),
                                                            QStringLiteral("yyyy-MM-dd"))
                                        : QDate();
            if (!date.isValid()) {
                error = "--date takes a date as yyyy-MM-dd";
                return std::nullopt;
            }
            options.date = date;
            ++i;
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
        } else if (argument.rfind("--", 0) == 0 || havePath) {
            error = "unknown argument " + argument + " (see --help)";
            return std::nullopt;
        } else {
            options.workOrderPath = QString::fromLocal8Bit(argument.c_str());
            havePath = true;
        }
    }
    if (!havePath || options.workOrderPath.isEmpty()) {
        error = "commission needs the work order file";
        return std::nullopt;
    }
    return options;
}

std::optional<SOpenedWorkOrder> OpenCommissionWorkOrder(const QString& path, std::optional<int> unit,
                                                        std::FILE* err, std::string& error)
{
    SOpenedWorkOrder opened;
    bool unitMissing = false;
    const UnitChoiceFunction previous = SetUnitChoiceFunction([&](const QStringList& names) {
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
    });
    QString currentPath;
    const bool loaded = OpenWorkOrder(path, opened.workOrder, opened.values, currentPath);
    SetUnitChoiceFunction(previous);
    if (!loaded || !opened.workOrder || !opened.values)
        return std::nullopt;
    if (opened.unitNames.isEmpty()) {
        // The choice is asked only among several units; a single unit's name
        // is its element's distName as well.
        xmlChar* name = xmlGetProp(opened.workOrder->UnitElement(), BAD_CAST "distName");
        opened.unitNames.append(name ? QString::fromUtf8(reinterpret_cast<const char*>(name)) : QString());
        xmlFree(name);
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

    // Q1 page: the command works on a local connection, so the page is there.
    SQ1Entries q1Entries;
    q1Entries.q1AddressText = QString::number(pages.q1.q1Address);
    q1Entries.speedIndex = pages.q1.speedIndex;
    q1Entries.relayChecked = pages.q1.relayDefault;
    q1Entries.ip = OpeningIpAddress(pages.q1);
    q1Entries.mask = OpeningSubnetMask(pages.q1);
    q1Entries.gateway = OpeningGateway(pages.q1);
    if ((plan.refusal = CheckQ1Page(q1Entries)))
        return plan;
    if (const auto notice = Q1IpChangeNotice(q1Entries, true, surroundings.settingsIpAddress))
        plan.notices.append(notice->text);
    if ((plan.refusal = TakeQ1Page(q1Entries, pages.q1)))
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
