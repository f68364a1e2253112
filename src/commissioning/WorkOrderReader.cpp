#include "commissioning/WorkOrderReader.h"

#include "commissioning/WorkOrderSax.h"
#include "platform/LogCategories.h"

#include <QFile>

#include <new>
#include <unordered_set>

namespace {

WorkOrderError ParseFailure(const QString& detail)
{
    return {WorkOrderStringId::ParseFailed, detail};
}

WorkOrderResult<XmlPtr<xmlDoc>> Finish(FilteredDocumentParser& parser)
{
    XmlPtr<xmlDoc> doc = parser.Finish();
    if (!doc)
        return ParseFailure(QString::fromStdString(parser.FailureReason()));
    return doc;
}

// Parses the file as a stream into a document holding only what the filter
// passes.
WorkOrderResult<XmlPtr<xmlDoc>> ParseFilteredFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return ParseFailure(QStringLiteral("cannot open the file: ") + file.errorString());
    FilteredDocumentParser parser(CWorkOrder::MaxKeptSize);
    constexpr qint64 ChunkSize = 64 * 1024;
    std::vector<char> chunk(ChunkSize);
    for (;;) {
        const qint64 got = file.read(chunk.data(), ChunkSize);
        if (got < 0)
            return ParseFailure(QStringLiteral("cannot read the file: ") + file.errorString());
        if (got == 0)
            break;
        if (!parser.Feed(chunk.data(), static_cast<std::size_t>(got)))
            return ParseFailure(QString::fromStdString(parser.FailureReason()));
    }
    if (file.error() != QFileDevice::NoError)
        return ParseFailure(QStringLiteral("cannot read the file: ") + file.errorString());
    return Finish(parser);
}

WorkOrderResult<XmlPtr<xmlDoc>> ParseFilteredBytes(const QByteArray& xml)
{
    FilteredDocumentParser parser(CWorkOrder::MaxKeptSize);
    if (!parser.Feed(xml.constData(), static_cast<std::size_t>(xml.size())))
        return ParseFailure(QString::fromStdString(parser.FailureReason()));
    return Finish(parser);
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
    const XmlPtr<xmlChar> value(xmlNodeListGetString(element->doc, found->children, 1));
    return QString::fromUtf8(value ? reinterpret_cast<const char*>(value.get()) : "");
}

// The units of the filtered document, each with its name.
WorkOrderResult<CWorkOrderUnits> FindUnits(XmlPtr<xmlDoc> doc)
{
    const XmlPtr<xmlXPathContext> xpath(xmlXPathNewContext(doc.get()));
    if (!xpath)
        return WorkOrderError{WorkOrderStringId::CreateParserFailed, QStringLiteral("no XPath context")};
    xpath->node = reinterpret_cast<xmlNodePtr>(doc.get());
    const XmlPtr<xmlXPathObject> found(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(UnitQuery), xpath.get()));
    const int count =
        found && found->type == XPATH_NODESET && found->nodesetval ? found->nodesetval->nodeNr : 0;

    std::vector<xmlNodePtr> units;
    QStringList names;
    for (int i = 0; i < count; ++i) {
        xmlNodePtr unit = found->nodesetval->nodeTab[i];
        std::optional<QString> name = AttributeByLocalName(unit, "distName");
        if (!name)
            return WorkOrderError{WorkOrderStringId::NoUnits,
                                  QStringLiteral("unit %1 (line %2) has no distName").arg(i + 1).arg(xmlGetLineNo(unit))};
        names << *name;
        units.push_back(unit);
    }
    if (units.empty())
        return WorkOrderError{WorkOrderStringId::NoUnits, QStringLiteral("no managedObject of class QOR")};
    return CWorkOrderUnits(std::move(doc), std::move(units), std::move(names));
}

template <typename Parse>
WorkOrderResult<CWorkOrderUnits> ReadFiltered(const Parse& parse)
{
    try {
        WorkOrderResult<XmlPtr<xmlDoc>> parsed = parse();
        if (!parsed)
            return parsed.Failure();
        return FindUnits(std::move(parsed.Value()));
    } catch (const std::bad_alloc&) {
        return WorkOrderError{WorkOrderStringId::OutOfMemory, QStringLiteral("out of memory")};
    }
}

bool IsAncestor(xmlNodePtr ancestor, xmlNodePtr node)
{
    for (xmlNodePtr p = node->parent; p; p = p->parent)
        if (p == ancestor)
            return true;
    return false;
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

// Drops every unit but the chosen one; a unit inside one already dropped goes
// with it.
void DropUnitsBeside(const std::vector<xmlNodePtr>& units, xmlNodePtr chosen)
{
    std::unordered_set<xmlNodePtr> removed;
    for (xmlNodePtr other : units) {
        if (other == chosen || IsAncestor(other, chosen))
            continue;
        bool gone = false;
        for (xmlNodePtr p = other->parent; p && !gone; p = p->parent)
            gone = removed.count(p) != 0;
        if (!gone)
            removed.insert(other);
    }
    for (xmlNodePtr other : removed) {
        xmlUnlinkNode(other);
        const XmlPtr<xmlNode> dropped(other);
    }
}

// A unit holding the chosen one gives its place to the chosen unit, so that
// the document keeps exactly one unit and the report no other unit's values.
void LiftOutOfUnits(const std::vector<xmlNodePtr>& units, xmlNodePtr chosen)
{
    xmlNodePtr outermost = nullptr;
    for (xmlNodePtr other : units)
        if (other != chosen && IsAncestor(other, chosen) && (!outermost || IsAncestor(other, outermost)))
            outermost = other;
    if (!outermost)
        return;
    AdoptDeclarations(chosen, outermost);
    xmlUnlinkNode(chosen);
    const XmlPtr<xmlNode> replaced(xmlReplaceNode(outermost, chosen));
}

WorkOrderOpenFailure Failed(const QString& path, WorkOrderOpenFailure failure)
{
    qCWarning(lcCommissioning).noquote() << "work order" << path << "not opened:" << failure.detail;
    return failure;
}

} // namespace

CWorkOrderUnits::CWorkOrderUnits(XmlPtr<xmlDoc> doc, std::vector<xmlNodePtr> units, QStringList names)
    : doc_(std::move(doc)), units_(std::move(units)), names_(std::move(names))
{
}

CWorkOrder CWorkOrderUnits::Choose(int index) &&
{
    if (units_.empty())
        return {};
    const bool listed = index >= 0 && static_cast<std::size_t>(index) < units_.size();
    xmlNodePtr chosen = units_[listed ? static_cast<std::size_t>(index) : 0];
    DropUnitsBeside(units_, chosen);
    LiftOutOfUnits(units_, chosen);
    units_.clear();
    names_.clear();
    return CWorkOrder(std::move(doc_), chosen);
}

CWorkOrder CWorkOrderUnits::CopyUnit(int index) const
{
    if (units_.empty())
        return {};
    const bool listed = index >= 0 && static_cast<std::size_t>(index) < units_.size();
    xmlNodePtr unit = units_[listed ? static_cast<std::size_t>(index) : 0];
    XmlPtr<xmlDoc> doc(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")));
    xmlNodePtr copy = doc ? xmlDocCopyNode(unit, doc.get(), 1) : nullptr;
    if (!copy)
        throw std::bad_alloc();
    xmlDocSetRootElement(doc.get(), copy);

    const XmlPtr<xmlXPathContext> xpath(xmlXPathNewContext(doc.get()));
    if (!xpath)
        throw std::bad_alloc();
    xpath->node = copy;
    const XmlPtr<xmlXPathObject> found(
        xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(UnitQuery), xpath.get()));
    std::vector<xmlNodePtr> inside;
    if (found && found->type == XPATH_NODESET && found->nodesetval)
        inside.assign(found->nodesetval->nodeTab, found->nodesetval->nodeTab + found->nodesetval->nodeNr);
    DropUnitsBeside(inside, copy);
    return CWorkOrder(std::move(doc), copy);
}

WorkOrderResult<CWorkOrderUnits> ReadWorkOrderFile(const QString& path)
{
    return ReadFiltered([&path] { return ParseFilteredFile(path); });
}

WorkOrderResult<CWorkOrderUnits> ReadWorkOrderBytes(const QByteArray& xml)
{
    return ReadFiltered([&xml] { return ParseFilteredBytes(xml); });
}

int ChooseUnit(const CWorkOrderUnits& units, const UnitChooser& choose)
{
    return units.Names().size() > 1 && choose ? choose(units.Names()) : 0;
}

namespace {

WorkOrderStatus<> Keep(WorkOrderResult<CWorkOrderUnits> read, const UnitChooser& choose, CWorkOrder& into)
{
    if (!read)
        return read.Failure();
    const int index = ChooseUnit(read.Value(), choose);
    into = std::move(read.Value()).Choose(index);
    return WorkOrderDone{};
}

} // namespace

WorkOrderStatus<> CWorkOrder::Load(const QString& path, const UnitChooser& choose)
{
    *this = CWorkOrder();
    return Keep(ReadWorkOrderFile(path), choose, *this);
}

WorkOrderStatus<> CWorkOrder::LoadFromBytes(const QByteArray& xml, const UnitChooser& choose)
{
    *this = CWorkOrder();
    return Keep(ReadWorkOrderBytes(xml), choose, *this);
}

WorkOrderStatus<WorkOrderOpenFailure> OpenWorkOrder(const QString& path, const UnitChooser& choose,
                                                    std::unique_ptr<CWorkOrder>& workOrder,
                                                    std::unique_ptr<WorkOrderValues>& values, QString& currentPath)
{
    try {
        workOrder.reset();
        WorkOrderResult<CWorkOrderUnits> read = ReadWorkOrderFile(path);
        if (!read) {
            const WorkOrderError& error = read.Failure();
            if (error.messageId == WorkOrderStringId::OutOfMemory)
                return Failed(path, {std::nullopt, WorkOrderStringId::OutOfMemory, error.detail});
            return Failed(path, {error, WorkOrderStringId::ReadError, error.detail});
        }
        const int index = ChooseUnit(read.Value(), choose);
        workOrder = std::make_unique<CWorkOrder>(std::move(read.Value()).Choose(index));
    } catch (const std::bad_alloc&) {
        workOrder.reset();
        return Failed(path, {std::nullopt, WorkOrderStringId::OutOfMemory, QStringLiteral("out of memory")});
    } catch (...) {
        workOrder.reset();
        return Failed(path, {std::nullopt, WorkOrderStringId::ReadError, QStringLiteral("unexpected failure")});
    }

    if (!values)
        values = std::make_unique<WorkOrderValues>();
    QString missing;
    if (!ReadWorkOrderValues(*workOrder, *values, &missing)) {
        workOrder.reset();
        values.reset();
        return Failed(path, {std::nullopt, WorkOrderStringId::ReadError,
                             QStringLiteral("the unit's parameter %1 is missing or unreadable").arg(missing)});
    }
    currentPath = path;
    return WorkOrderDone{};
}
