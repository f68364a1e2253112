#include "commissioning/wizard/WorkOrderCheck.h"

#include "commissioning/WorkOrderResult.h"
#include "commissioning/wizard/PageRules.h"
#include "commissioning/wizard/WorkOrderApply.h"
#include "commissioning/wizard/WorkOrderReplacements.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>
#include <array>

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

// The numbers the reader takes from leading digits only; a text that is more
// than the number is read as its leading number (or 0) without a word.
bool IsWholeNumber(const QString& parameter, const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^[+-]?[0-9]+$"));
    static const QRegularExpression real(QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return (IsPosition(parameter) ? real : integer).match(text).hasMatch();
}

QString Degrees(double degrees)
{
    return QString::number(degrees, 'g', 12) + QStringLiteral(" degrees");
}

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
        // as its leading digits, or 0.
        for (const char* name : {"qorGPSAntennaLatitudeLocation", "qorGPSAntennaLongitudeLocation",
                                 "qorGPSAntennaAltitude", "qorBtsGpsDelay", "qorBtsFrDelay", "qorQ1Address",
                                 "qorQ1Speed"}) {
            const QString parameter = QString::fromLatin1(name);
            if (!texts_.contains(parameter) || replaced.contains(parameter)
                || IsWholeNumber(parameter, texts_.value(parameter)))
                continue;
            const QString text = texts_.value(parameter);
            Add(Kind::Replacement, parameter, 0,
                (text.isEmpty() ? QStringLiteral("empty") : QStringLiteral("not a number as written"))
                    + QStringLiteral("; the wizard would use ") + PageValue(parameter) + QStringLiteral(" instead"));
        }
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
