#include "commissioning/wizard/WorkOrderCheck.h"

#include "commissioning/WorkOrderResult.h"
#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/WorkOrderApply.h"
#include "commissioning/wizard/WorkOrderReplacements.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

using Kind = SWorkOrderProblem::Kind;

// The parameters in the order of the wizard's pages, which is the order the
// problems are told in.
constexpr std::array<const char*, 14> kParameters{
    "qorName",
    "qorType",
    "qorGPSAntennaLatitudeLocation",
    "qorGPSAntennaLongitudeLocation",
    "qorGPSAntennaAltitude",
    "qorGPSMode",
    "qorBtsGpsDelay",
    "qorBtsFrDelay",
    "qorQ1Address",
    "qorQ1Speed",
    "qorQ1Relay",
    "qorQ1IP",
    "qorQ1Mask",
    "qorQ1GW",
};

int Rank(const QString& parameter)
{
    const auto at = std::find_if(kParameters.begin(), kParameters.end(),
                                 [&parameter](const char* name) { return parameter == QLatin1String(name); });
    return static_cast<int>(at - kParameters.begin());
}

bool IsPosition(const QString& parameter)
{
    return parameter == QLatin1String("qorGPSAntennaLatitudeLocation")
        || parameter == QLatin1String("qorGPSAntennaLongitudeLocation");
}

const QRegularExpression& RealNumber()
{
    static const QRegularExpression real(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return real;
}

// The numbers the reader takes from leading digits only; a text that is more
// than the number is read as its leading number (or 0) without a word.
bool IsWholeNumber(const QString& parameter, const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    return (IsPosition(parameter) ? RealNumber() : integer).match(text).hasMatch();
}

QString Degrees(double degrees)
{
    return QString::number(degrees, 'g', 12) + QStringLiteral(" degrees");
}

// A number written with a fraction where the format has whole numbers only;
// nothing for a whole number, however written ("6.05e8"), and for a text
// that is no number at all.
std::optional<double> FractionalNumber(const QString& text)
{
    if (!RealNumber().match(text).hasMatch())
        return std::nullopt;
    const double value = ParseWorkOrderReal(text);
    if (!std::isfinite(value) || value == std::trunc(value))
        return std::nullopt;
    return value;
}

// What a whole-number parameter counts, for a value written with a fraction:
// most often it was written in another unit (a longitude in degrees, an
// altitude in metres), so the unit the format wants is named, with the value
// as it would be written when that guess is plausible.
QString NotAsWrittenMessage(const QString& parameter, double value)
{
    QString message = QStringLiteral("not a number as written: ");
    const bool latitude = parameter == QLatin1String("qorGPSAntennaLatitudeLocation");
    if (latitude || parameter == QLatin1String("qorGPSAntennaLongitudeLocation")) {
        message += QStringLiteral("positions are whole numbers of 1/10 000 000 degree");
        if (std::abs(value) <= (latitude ? 90.0 : 180.0))
            message += QStringLiteral(" (%1 degrees is written %2)")
                           .arg(QString::number(value, 'g', 12), QString::number(std::llround(value * 1e7)));
    } else if (parameter == QLatin1String("qorGPSAntennaAltitude")) {
        message += QStringLiteral("the altitude is a whole number of centimetres");
        if (std::abs(value) <= 1e6)
            message += QStringLiteral(" (%1 metres is written %2)")
                           .arg(QString::number(value, 'g', 12), QString::number(std::llround(value * 100)));
    } else if (parameter == QLatin1String("qorBtsGpsDelay") || parameter == QLatin1String("qorBtsFrDelay")) {
        message += QStringLiteral("the delay is a whole number of nanoseconds");
    } else if (parameter == QLatin1String("qorQ1Speed")) {
        message += QStringLiteral("the speed is a whole-number code, 3 to 11");
    } else {
        message += QStringLiteral("the Q1 address is a whole number, 0 to 4095");
    }
    return message;
}

// Within this many degrees of 0 degrees north, 0 degrees east, in both: no
// site is there, but a position left at 0 or written in degrees where the
// format wants 1/10 000 000 degree ("25" for 25 degrees) lands there.
constexpr double kNullIslandDegrees = 0.01;

} // namespace

QString OneLineText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'"')
            out += QStringLiteral("\\\"");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else
            out += c;
    }
    return out;
}

namespace {

// A value stands bare when it is one plain word; otherwise it is quoted, so
// that where it ends is never in doubt.
QString ValueText(const std::optional<QString>& value)
{
    if (!value)
        return QStringLiteral("(missing)");
    const bool bare = !value->isEmpty() && !value->startsWith(u'(')
        && std::none_of(value->begin(), value->end(), [](QChar c) {
               return c.isSpace() || c == u'"' || c == u':' || c == u'\\' || c.category() == QChar::Other_Control;
           });
    return bare ? *value : QLatin1Char('"') + OneLineText(*value) + QLatin1Char('"');
}

class CChecker {
public:
    explicit CChecker(const CWorkOrder& workOrder)
    {
        for (const char* name : kParameters) {
            QString text;
            if (workOrder.FindParameterText(QString::fromLatin1(name), text))
                texts_.insert(QString::fromLatin1(name), text.trimmed());
        }
        // Each value as "Open Work Order" reads it; a missing one keeps the
        // record's initial value and is not checked.
        workOrder.GetQ1Address(values_.q1Address);
        workOrder.GetQ1Speed(values_.q1SpeedCode);
        workOrder.GetAntennaLatitude(values_.antennaLatitude);
        workOrder.GetAntennaLongitude(values_.antennaLongitude);
        workOrder.GetAntennaAltitude(values_.antennaAltitude);
        workOrder.GetBtsGpsDelay(values_.gpsAntennaDelay);
        workOrder.GetBtsFrDelay(values_.frameClockDelay);
        workOrder.GetGPSMode(values_.gpsMode);
        workOrder.GetQ1IP(values_.ipAddress);
        workOrder.GetQ1GW(values_.gatewayAddress);
        workOrder.GetQ1Mask(values_.subnetMask);
        ResetPages(pages_);
        ApplyWorkOrderValues(pages_, values_);
    }

    QList<SWorkOrderProblem> Run()
    {
        for (const char* name : kParameters)
            if (!Has(name))
                Add(Kind::Missing, name, WorkOrderStringId::ReadError,
                    WizardString(WorkOrderStringId::ReadError));
        CheckEntries();
        CheckReplacements();
        CheckPosition();
        CheckAddresses();
        std::stable_sort(problems_.begin(), problems_.end(),
                         [](const SWorkOrderProblem& a, const SWorkOrderProblem& b) {
                             return Rank(a.parameter) < Rank(b.parameter);
                         });
        return problems_;
    }

private:
    bool Has(const char* parameter) const { return texts_.contains(QString::fromLatin1(parameter)); }

    void Add(Kind kind, const QString& parameter, unsigned messageId, const QString& message)
    {
        SWorkOrderProblem problem;
        problem.kind = kind;
        problem.parameter = parameter;
        if (texts_.contains(parameter))
            problem.value = texts_.value(parameter);
        problem.messageId = messageId;
        problem.message = message;
        problems_.append(problem);
    }

    void AddRefusal(const char* parameter, const std::optional<SPageProblem>& refusal)
    {
        if (refusal)
            Add(Kind::Refusal, QString::fromLatin1(parameter), refusal->messageId, refusal->text);
    }

    // The edits' own checks, on the texts as the work order writes them: what
    // the page would say were they typed in.
    void CheckEntries()
    {
        if (Has("qorGPSAntennaAltitude"))
            AddRefusal("qorGPSAntennaAltitude", CheckAltitudeText(texts_.value(QStringLiteral("qorGPSAntennaAltitude"))));
        if (Has("qorBtsGpsDelay"))
            AddRefusal("qorBtsGpsDelay", CheckGpsAntennaDelayText(texts_.value(QStringLiteral("qorBtsGpsDelay"))));
        if (Has("qorBtsFrDelay"))
            AddRefusal("qorBtsFrDelay", CheckFrameClockDelayText(texts_.value(QStringLiteral("qorBtsFrDelay"))));
        if (Has("qorQ1Address"))
            AddRefusal("qorQ1Address", CheckQ1AddressText(texts_.value(QStringLiteral("qorQ1Address"))));
    }

    // What the pages hold after the work order was applied, as the
    // replacement would be named.
    QString PageValue(const QString& parameter) const
    {
        if (parameter == QLatin1String("qorGPSAntennaLatitudeLocation"))
            return Degrees(pages_.gps.latitude);
        if (parameter == QLatin1String("qorGPSAntennaLongitudeLocation"))
            return Degrees(pages_.gps.longitude);
        if (parameter == QLatin1String("qorGPSAntennaAltitude"))
            return QString::number(pages_.gps.altitudeCm);
        if (parameter == QLatin1String("qorBtsGpsDelay"))
            return QString::number(pages_.rf.gpsAntennaDelayNs);
        if (parameter == QLatin1String("qorBtsFrDelay"))
            return QString::number(pages_.rf.frameClockDelayNs);
        if (parameter == QLatin1String("qorQ1Address"))
            return QString::number(pages_.q1.q1Address);
        const int index = pages_.q1.speedIndex;
        return QStringLiteral("%1 (%2)").arg(SpeedCodeOfIndex(index)).arg(SpeedTextOfIndex(index));
    }

    void CheckReplacements()
    {
        QList<QString> replaced;
        for (const SWorkOrderReplacement& replacement : WorkOrderReplacements(values_)) {
            if (!texts_.contains(replacement.parameter))
                continue;
            QString message = QStringLiteral("the wizard would use ") + replacement.replacement;
            if (replacement.field == SWorkOrderReplacement::Field::Latitude)
                message += QStringLiteral(" degrees instead of ") + Degrees(values_.antennaLatitude);
            else if (replacement.field == SWorkOrderReplacement::Field::Longitude)
                message += QStringLiteral(" degrees instead of ") + Degrees(values_.antennaLongitude);
            else
                message += QStringLiteral(" instead");
            Add(Kind::Replacement, replacement.parameter, 0, message);
            replaced.append(replacement.parameter);
        }
        // A number followed by anything else, or no number at all, is read
        // as its leading digits, or 0. A number with a fraction is no value
        // the format has: the wizard would take it in another unit.
        for (const char* name : {"qorGPSAntennaLatitudeLocation", "qorGPSAntennaLongitudeLocation",
                                 "qorGPSAntennaAltitude", "qorBtsGpsDelay", "qorBtsFrDelay", "qorQ1Address",
                                 "qorQ1Speed"}) {
            const QString parameter = QString::fromLatin1(name);
            if (!texts_.contains(parameter))
                continue;
            const QString text = texts_.value(parameter);
            if (const std::optional<double> fraction = FractionalNumber(text)) {
                Add(Kind::NotAsWritten, parameter, 0, NotAsWrittenMessage(parameter, *fraction));
                continue;
            }
            if (replaced.contains(parameter) || IsWholeNumber(parameter, text))
                continue;
            Add(Kind::Replacement, parameter, 0,
                (text.isEmpty() ? QStringLiteral("empty") : QStringLiteral("not a number as written"))
                    + QStringLiteral("; the wizard would use ") + PageValue(parameter) + QStringLiteral(" instead"));
        }
    }

    // A position at 0 degrees north, 0 degrees east is no site's: told unless
    // the latitude or longitude was found wrong already.
    void CheckPosition()
    {
        const QString latitude = QStringLiteral("qorGPSAntennaLatitudeLocation");
        const QString longitude = QStringLiteral("qorGPSAntennaLongitudeLocation");
        if (!texts_.contains(latitude) || !texts_.contains(longitude))
            return;
        const bool told = std::any_of(problems_.begin(), problems_.end(), [&](const SWorkOrderProblem& problem) {
            return problem.parameter == latitude || problem.parameter == longitude;
        });
        if (told || std::abs(pages_.gps.latitude) > kNullIslandDegrees
            || std::abs(pages_.gps.longitude) > kNullIslandDegrees)
            return;
        Add(Kind::Warning, latitude, 0,
            QStringLiteral("the position (latitude %1, longitude %2) is within %3 degrees of 0 degrees north, 0 "
                           "degrees east, where no site is: a position left at 0, or written in degrees where "
                           "the work order has whole numbers of 1/10 000 000 degree")
                .arg(Degrees(pages_.gps.latitude), Degrees(pages_.gps.longitude))
                .arg(kNullIslandDegrees));
    }

    // The Q1 page's checks of the addresses it opens with, in its order; a
    // check that needs what an earlier one refused is not made.
    void CheckAddresses()
    {
        if (!Has("qorQ1IP"))
            return;
        const Ipv4Fields ip = OpeningIpAddress(pages_.q1);
        const Ipv4Fields mask = OpeningSubnetMask(pages_.q1);
        const Ipv4Fields gateway = OpeningGateway(pages_.q1);
        if (const auto refusal = CheckAddressClass(ip)) {
            AddRefusal("qorQ1IP", refusal);
            return;
        }
        if (!Has("qorQ1Mask"))
            return;
        if (const auto refusal = CheckSubnetMask(ip, mask)) {
            AddRefusal("qorQ1Mask", refusal);
            return;
        }
        AddRefusal("qorQ1IP", CheckHostAddress(ip, mask));
        if (!Has("qorQ1GW"))
            return;
        if (const auto refusal = CheckGatewayAddress(ip, mask, gateway))
            AddRefusal("qorQ1GW", refusal);
        else if (gateway == ip)
            Add(Kind::Warning, QStringLiteral("qorQ1GW"), 0,
                QStringLiteral("the gateway is the unit's own IP address; the unit could reach nothing beyond "
                               "its subnet, no site can use it"));
    }

    QHash<QString, QString> texts_; // the parameters present, trimmed
    WorkOrderValues values_;
    SWizardPageValues pages_;
    QList<SWorkOrderProblem> problems_;
};

QString Body(const SWorkOrderProblem& problem, bool escaped)
{
    const QString message = escaped ? OneLineText(problem.message) : problem.message;
    switch (problem.kind) {
    case Kind::Missing:
    case Kind::Refusal:
        return escaped ? QLatin1Char('"') + message + QLatin1Char('"') : message;
    case Kind::Replacement:
        return escaped ? QStringLiteral("replaced: ") + message : message;
    case Kind::Warning:
        return QStringLiteral("warning: ") + message;
    case Kind::NotAsWritten:
        return escaped ? QStringLiteral("refused: ") + message : message;
    }
    return message;
}

} // namespace

QString SWorkOrderProblem::Line() const
{
    return parameter + QLatin1Char(' ') + ValueText(value) + QStringLiteral(": ") + Body(*this, true);
}

QString SWorkOrderProblem::Text() const
{
    return parameter + QLatin1Char(' ') + ValueText(value) + QStringLiteral(": ") + Body(*this, false);
}

QList<SWorkOrderProblem> CheckWorkOrderUnit(const CWorkOrder& workOrder)
{
    return CChecker(workOrder).Run();
}

EProblemUse CommissioningUse(const SWorkOrderProblem& problem, const QList<SWorkOrderProblem>& all,
                             bool acceptReplaced, bool withoutQ1Page)
{
    const bool address = problem.parameter == QLatin1String("qorQ1IP")
        || problem.parameter == QLatin1String("qorQ1Mask") || problem.parameter == QLatin1String("qorQ1GW");
    // A missing address still keeps the work order from being opened.
    if (withoutQ1Page && address && problem.kind != Kind::Missing)
        return EProblemUse::NotUsed;
    // A value the wizard replaces is also one its page would refuse when
    // typed in; taking the replacement takes both.
    const bool replaced = std::any_of(all.begin(), all.end(), [&problem](const SWorkOrderProblem& other) {
        return other.kind == Kind::Replacement && other.parameter == problem.parameter;
    });
    if (acceptReplaced && replaced && (problem.kind == Kind::Replacement || problem.kind == Kind::Refusal))
        return EProblemUse::Replaced;
    return EProblemUse::Stops;
}
