#include "commissioning/WorkOrder.h"

#include <libxml/entities.h>
#include <libxml/xpath.h>

#include <charconv>
#include <limits>
#include <utility>

namespace {

// Text below a node, internal entities expanded, within bounds: entities that
// multiply each other ("billion laughs") give no text instead of gigabytes.
constexpr qsizetype MaxTextSize = 1024 * 1024;
constexpr int MaxEntityNesting = 16;

bool CollectText(xmlNodePtr first, QByteArray& out, int nesting)
{
    for (xmlNodePtr node = first; node; node = node->next) {
        switch (node->type) {
        case XML_TEXT_NODE:
        case XML_CDATA_SECTION_NODE:
            if (node->content) {
                const auto length = qsizetype(xmlStrlen(node->content));
                if (out.size() + length > MaxTextSize)
                    return false;
                out.append(reinterpret_cast<const char*>(node->content), length);
            }
            break;
        case XML_ELEMENT_NODE:
            if (!CollectText(node->children, out, nesting))
                return false;
            break;
        case XML_ENTITY_REF_NODE: {
            if (nesting >= MaxEntityNesting)
                return false;
            xmlEntityPtr entity = xmlGetDocEntity(node->doc, node->name);
            if (entity && entity->etype == XML_INTERNAL_GENERAL_ENTITY
                && !CollectText(entity->children, out, nesting + 1))
                return false;
            break;
        }
        default:
            break;
        }
    }
    return true;
}

bool NodeText(xmlNodePtr node, QString& text)
{
    QByteArray out;
    if (!CollectText(node->children, out, 0))
        return false;
    text = QString::fromUtf8(out);
    return true;
}

} // namespace

std::int32_t ParseWorkOrderInteger(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        negative = text[i++] == u'-';
    std::int64_t value = 0;
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min(limit, value * 10 + (text[i].unicode() - u'0'));
    if (negative)
        return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, limit - 1));
}

double ParseWorkOrderReal(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    QByteArray number;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-')
            number += '-';
        ++i;
    }
    const auto isDigit = [&](qsizetype at) { return at < text.size() && text[at] >= u'0' && text[at] <= u'9'; };
    bool digits = false;
    for (; isDigit(i); ++i, digits = true)
        number += char(text[i].unicode());
    if (i < text.size() && text[i] == u'.') {
        number += '.';
        for (++i; isDigit(i); ++i, digits = true)
            number += char(text[i].unicode());
    }
    if (!digits)
        return 0.0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        QByteArray exponent = "e";
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            exponent += char(text[j++].unicode());
        if (isDigit(j)) {
            for (; isDigit(j); ++j)
                exponent += char(text[j].unicode());
            number += exponent;
        }
    }
    double value = 0.0;
    std::from_chars(number.constData(), number.constData() + number.size(), value);
    return value;
}

CWorkOrder::CWorkOrder(XmlPtr<xmlDoc> doc, xmlNodePtr unit) : doc_(std::move(doc)), unit_(doc_ ? unit : nullptr) {}

CWorkOrder::CWorkOrder(CWorkOrder&& other) noexcept
    : doc_(std::move(other.doc_)), unit_(std::exchange(other.unit_, nullptr))
{
}

CWorkOrder& CWorkOrder::operator=(CWorkOrder&& other) noexcept
{
    doc_ = std::move(other.doc_);
    unit_ = std::exchange(other.unit_, nullptr);
    return *this;
}

xmlNodePtr CWorkOrder::FindParameterElement(const QString& name, xmlNodePtr element) const
{
    if (!element)
        element = unit_;
    if (!element || !doc_ || element->doc != doc_.get())
        return nullptr;
    // The name goes into the query as a literal; a name that no literal can
    // hold is no parameter.
    const QChar quote = name.contains(u'"') ? u'\'' : u'"';
    if (name.contains(quote))
        return nullptr;
    const QByteArray query = (QStringLiteral(".//*[local-name() = \"p\"][@*[local-name() = \"name\"] = ") + quote
                              + name + quote + u']')
                                 .toUtf8();

    const XmlPtr<xmlXPathContext> xpath(xmlXPathNewContext(doc_.get()));
    if (!xpath)
        return nullptr;
    xpath->node = element;
    const XmlPtr<xmlXPathObject> result(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(query.constData()), xpath.get()));
    if (result && result->type == XPATH_NODESET && result->nodesetval && result->nodesetval->nodeNr > 0)
        return result->nodesetval->nodeTab[0];
    return nullptr;
}

bool CWorkOrder::FindParameterText(const QString& name, QString& text, xmlNodePtr element) const
{
    xmlNodePtr found = FindParameterElement(name, element);
    return found && NodeText(found, text);
}

bool CWorkOrder::GetText(const char* name, QString& value) const
{
    return FindParameterText(QString::fromLatin1(name), value);
}

bool CWorkOrder::GetInteger(const char* name, std::int32_t& value) const
{
    QString text;
    if (!GetText(name, text))
        return false;
    value = ParseWorkOrderInteger(text);
    return true;
}

bool CWorkOrder::GetName(QString& value) const { return GetText("qorName", value); }
bool CWorkOrder::GetType(QString& value) const { return GetText("qorType", value); }
bool CWorkOrder::GetQ1Address(std::int32_t& value) const { return GetInteger("qorQ1Address", value); }
bool CWorkOrder::GetQ1Speed(std::int32_t& value) const { return GetInteger("qorQ1Speed", value); }
bool CWorkOrder::GetAntennaAltitude(std::int32_t& centimetres) const
{
    return GetInteger("qorGPSAntennaAltitude", centimetres);
}
bool CWorkOrder::GetBtsGpsDelay(std::int32_t& ns) const { return GetInteger("qorBtsGpsDelay", ns); }
bool CWorkOrder::GetBtsFrDelay(std::int32_t& ns) const { return GetInteger("qorBtsFrDelay", ns); }
bool CWorkOrder::GetGPSMode(QString& value) const { return GetText("qorGPSMode", value); }
bool CWorkOrder::GetQ1Relay(QString& value) const { return GetText("qorQ1Relay", value); }
bool CWorkOrder::GetQ1IP(QString& value) const { return GetText("qorQ1IP", value); }
bool CWorkOrder::GetQ1GW(QString& value) const { return GetText("qorQ1GW", value); }
bool CWorkOrder::GetQ1Mask(QString& value) const { return GetText("qorQ1Mask", value); }

bool CWorkOrder::GetAntennaLatitude(double& degrees) const
{
    QString text;
    if (!GetText("qorGPSAntennaLatitudeLocation", text))
        return false;
    degrees = ParseWorkOrderReal(text) / 10000000.0;
    return true;
}

bool CWorkOrder::GetAntennaLongitude(double& degrees) const
{
    QString text;
    if (!GetText("qorGPSAntennaLongitudeLocation", text))
        return false;
    degrees = ParseWorkOrderReal(text) / 10000000.0;
    return true;
}

bool ReadWorkOrderValues(const CWorkOrder& w, WorkOrderValues& v, QString* missing)
{
    // Stops at the first value missing, which is the one named.
    const auto read = [missing](bool found, const char* name) {
        if (!found && missing)
            *missing = QString::fromLatin1(name);
        return found;
    };
    return read(w.GetBtsFrDelay(v.frameClockDelay), "qorBtsFrDelay")
        && read(w.GetBtsGpsDelay(v.gpsAntennaDelay), "qorBtsGpsDelay") && read(w.GetName(v.unitName), "qorName")
        && read(w.GetType(v.unitType), "qorType") && read(w.GetQ1Address(v.q1Address), "qorQ1Address")
        && read(w.GetQ1Speed(v.q1SpeedCode), "qorQ1Speed") && read(w.GetGPSMode(v.gpsMode), "qorGPSMode")
        && read(w.GetQ1Relay(v.q1Relay), "qorQ1Relay") && read(w.GetQ1IP(v.ipAddress), "qorQ1IP")
        && read(w.GetQ1GW(v.gatewayAddress), "qorQ1GW") && read(w.GetQ1Mask(v.subnetMask), "qorQ1Mask")
        && read(w.GetAntennaAltitude(v.antennaAltitude), "qorGPSAntennaAltitude")
        && read(w.GetAntennaLatitude(v.antennaLatitude), "qorGPSAntennaLatitudeLocation")
        && read(w.GetAntennaLongitude(v.antennaLongitude), "qorGPSAntennaLongitudeLocation");
}
