#include "commissioning/WorkOrder.h"

#include "commissioning/WorkOrderSax.h"
#include "platform/StringTable.h"
#include "platform/UserPrompts.h"

#include <QFile>

#include <libxml/entities.h>
#include <libxml/xpath.h>

#include <charconv>
#include <limits>
#include <new>
#include <optional>
#include <unordered_set>
#include <vector>

namespace {

UnitChoiceFunction& UnitChoice()
{
    static UnitChoiceFunction function;
    return function;
}

void ShowError(unsigned id, MsgIcon icon)
{
    ShowMessageBox(LoadResString(id), icon);
}

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

// Parses the file as a stream into a document holding only what the filter
// passes; nothing when the file cannot be read, is not well-formed or keeps too
// much.
xmlDocPtr ParseFilteredFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    FilteredDocumentParser parser(CWorkOrder::MaxKeptSize);
    constexpr qint64 ChunkSize = 64 * 1024;
    std::vector<char> chunk(ChunkSize);
    for (;;) {
        const qint64 got = file.read(chunk.data(), ChunkSize);
        if (got < 0)
            return nullptr;
        if (got == 0)
            break;
        if (!parser.Feed(chunk.data(), static_cast<std::size_t>(got)))
            return nullptr;
    }
    if (file.error() != QFileDevice::NoError)
        return nullptr;
    return parser.Finish();
}

xmlDocPtr ParseFilteredBytes(const QByteArray& xml)
{
    FilteredDocumentParser parser(CWorkOrder::MaxKeptSize);
    if (!parser.Feed(xml.constData(), static_cast<std::size_t>(xml.size())))
        return nullptr;
    return parser.Finish();
}

// Work orders come from planning systems that may put the whole document in a
// default namespace or give its elements a prefix; units and parameters are
// therefore matched by local name, elements and attributes alike.
constexpr const char* UnitQuery =
    ".//*[local-name() = \"managedObject\"][@*[local-name() = \"class\"] = \"QOR\"]";

// The text of the attribute of that local name: the one in no namespace when
// the element has it, else the first other.
std::optional<QString> AttributeByLocalName(xmlNodePtr element, const char* name)
{
    const xmlChar* wanted = reinterpret_cast<const xmlChar*>(name);
    xmlAttrPtr found = xmlHasNsProp(element, wanted, nullptr);
    for (xmlAttrPtr attribute = element->properties; attribute && !found; attribute = attribute->next)
        if (xmlStrEqual(attribute->name, wanted))
            found = attribute;
    if (!found)
        return std::nullopt;
    xmlChar* value = xmlNodeListGetString(element->doc, found->children, 1);
    QString text = QString::fromUtf8(value ? reinterpret_cast<const char*>(value) : "");
    xmlFree(value);
    return text;
}

// Moves the namespace declarations of the elements from the unit's parent up
// to the given ancestor onto the unit, innermost first, so that the unit and
// its content keep their namespaces once those elements are gone. The
// declarations move as they are, so that every reference to them stays valid.
void AdoptDeclarations(xmlNodePtr unit, xmlNodePtr outermost)
{
    const auto declares = [unit](const xmlChar* prefix) {
        for (xmlNsPtr ns = unit->nsDef; ns; ns = ns->next)
            if (xmlStrEqual(ns->prefix, prefix))
                return true;
        return false;
    };
    for (xmlNodePtr node = unit->parent; node; node = node->parent) {
        xmlNsPtr* link = &node->nsDef;
        while (xmlNsPtr ns = *link) {
            if (declares(ns->prefix)) {
                link = &ns->next;
                continue;
            }
            *link = ns->next;
            ns->next = unit->nsDef;
            unit->nsDef = ns;
        }
        if (node == outermost)
            break;
    }
}

bool IsAncestor(xmlNodePtr ancestor, xmlNodePtr node)
{
    for (xmlNodePtr p = node->parent; p; p = p->parent)
        if (p == ancestor)
            return true;
    return false;
}

} // namespace

UnitChoiceFunction SetUnitChoiceFunction(UnitChoiceFunction function)
{
    UnitChoiceFunction previous = std::move(UnitChoice());
    UnitChoice() = std::move(function);
    return previous;
}

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

CWorkOrder::~CWorkOrder()
{
    Release();
}

void CWorkOrder::Release()
{
    unit_ = nullptr;
    if (doc_)
        xmlFreeDoc(doc_);
    doc_ = nullptr;
}

bool CWorkOrder::Load(const QString& path)
{
    Release();
    return Adopt(ParseFilteredFile(path));
}

bool CWorkOrder::LoadFromBytes(const QByteArray& xml)
{
    Release();
    return Adopt(ParseFilteredBytes(xml));
}

// Takes the filtered document (nothing when parsing failed), finds its units,
// lets the user choose one and drops the others.
bool CWorkOrder::Adopt(xmlDocPtr doc)
{
    if (!doc) {
        ShowError(WorkOrderStringId::ParseFailed, MsgIcon::Error);
        return false;
    }

    xmlXPathContextPtr xpath = xmlXPathNewContext(doc);
    if (!xpath) {
        xmlFreeDoc(doc);
        ShowError(WorkOrderStringId::CreateParserFailed, MsgIcon::Error);
        return false;
    }
    xpath->node = reinterpret_cast<xmlNodePtr>(doc);
    xmlXPathObjectPtr result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(UnitQuery), xpath);

    std::vector<xmlNodePtr> units;
    QStringList names;
    bool named = true;
    if (result && result->type == XPATH_NODESET && result->nodesetval) {
        for (int i = 0; i < result->nodesetval->nodeNr; ++i) {
            xmlNodePtr unit = result->nodesetval->nodeTab[i];
            const std::optional<QString> distName = AttributeByLocalName(unit, "distName");
            if (!distName) {
                named = false;
                break;
            }
            names << *distName;
            units.push_back(unit);
        }
    }
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(xpath);

    if (units.empty() || !named) {
        xmlFreeDoc(doc);
        ShowError(WorkOrderStringId::NoUnits, MsgIcon::Error);
        return false;
    }

    std::size_t chosen = 0;
    if (units.size() > 1 && UnitChoice()) {
        const int index = UnitChoice()(names);
        if (index >= 0 && static_cast<std::size_t>(index) < units.size())
            chosen = static_cast<std::size_t>(index);
    }
    xmlNodePtr unit = units[chosen];

    // Drop the other units; a unit inside one already dropped goes with it.
    // A unit holding the chosen one gives its place to the chosen unit, so
    // that the document keeps exactly one unit and the report no other unit's
    // values.
    std::unordered_set<xmlNodePtr> removed;
    for (xmlNodePtr other : units) {
        if (other == unit || IsAncestor(other, unit))
            continue;
        bool gone = false;
        for (xmlNodePtr p = other->parent; p && !gone; p = p->parent)
            gone = removed.count(p) != 0;
        if (gone)
            continue;
        removed.insert(other);
    }
    for (xmlNodePtr other : removed) {
        xmlUnlinkNode(other);
        xmlFreeNode(other);
    }
    xmlNodePtr outermost = nullptr;
    for (xmlNodePtr other : units)
        if (other != unit && IsAncestor(other, unit) && (!outermost || IsAncestor(other, outermost)))
            outermost = other;
    if (outermost) {
        AdoptDeclarations(unit, outermost);
        xmlUnlinkNode(unit);
        xmlReplaceNode(outermost, unit);
        xmlFreeNode(outermost);
    }

    doc_ = doc;
    unit_ = unit;
    return true;
}

xmlNodePtr CWorkOrder::FindParameterElement(const QString& name, xmlNodePtr element) const
{
    if (!element)
        element = unit_;
    if (!element || !doc_ || element->doc != doc_)
        return nullptr;
    // The name goes into the query as a literal; a name that no literal can
    // hold is no parameter.
    const QChar quote = name.contains(u'"') ? u'\'' : u'"';
    if (name.contains(quote))
        return nullptr;
    const QByteArray query = (QStringLiteral(".//*[local-name() = \"p\"][@*[local-name() = \"name\"] = ") + quote
                              + name + quote + u']')
                                 .toUtf8();

    xmlXPathContextPtr xpath = xmlXPathNewContext(doc_);
    if (!xpath)
        return nullptr;
    xpath->node = element;
    xmlXPathObjectPtr result = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(query.constData()), xpath);
    xmlNodePtr found = nullptr;
    if (result && result->type == XPATH_NODESET && result->nodesetval && result->nodesetval->nodeNr > 0)
        found = result->nodesetval->nodeTab[0];
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(xpath);
    return found;
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

bool ReadWorkOrderValues(const CWorkOrder& w, WorkOrderValues& v)
{
    return w.GetBtsFrDelay(v.frameClockDelay) && w.GetBtsGpsDelay(v.gpsAntennaDelay) && w.GetName(v.unitName)
        && w.GetType(v.unitType) && w.GetQ1Address(v.q1Address) && w.GetQ1Speed(v.q1SpeedCode)
        && w.GetGPSMode(v.gpsMode) && w.GetQ1Relay(v.q1Relay) && w.GetQ1IP(v.ipAddress)
        && w.GetQ1GW(v.gatewayAddress) && w.GetQ1Mask(v.subnetMask) && w.GetAntennaAltitude(v.antennaAltitude)
        && w.GetAntennaLatitude(v.antennaLatitude) && w.GetAntennaLongitude(v.antennaLongitude);
}

bool OpenWorkOrder(const QString& path, std::unique_ptr<CWorkOrder>& workOrder,
                   std::unique_ptr<WorkOrderValues>& values, QString& currentPath)
{
    try {
        workOrder.reset();
        workOrder = std::make_unique<CWorkOrder>();
        if (!workOrder->Load(path)) {
            workOrder.reset();
            ShowError(WorkOrderStringId::ReadError, MsgIcon::None);
            return false;
        }
    } catch (const std::bad_alloc&) {
        workOrder.reset();
        ShowError(WorkOrderStringId::OutOfMemory, MsgIcon::None);
        return false;
    } catch (...) {
        workOrder.reset();
        ShowError(WorkOrderStringId::ReadError, MsgIcon::None);
        return false;
    }

    if (!values)
        values = std::make_unique<WorkOrderValues>();
    if (!ReadWorkOrderValues(*workOrder, *values)) {
        workOrder.reset();
        values.reset();
        ShowError(WorkOrderStringId::ReadError, MsgIcon::None);
        return false;
    }
    currentPath = path;
    return true;
}
