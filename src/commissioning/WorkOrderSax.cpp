#include "commissioning/WorkOrderSax.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <new>
#include <string>
#include <utility>

#include <cstring>

void SAXContentHandlerImpl::startDocument()
{
    if (downstream_)
        downstream_->startDocument();
}

void SAXContentHandlerImpl::endDocument()
{
    if (downstream_)
        downstream_->endDocument();
}

void SAXContentHandlerImpl::startElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                                         int nbNamespaces, const xmlChar** namespaces, int nbAttributes,
                                         int nbDefaulted, const xmlChar** attributes)
{
    if (downstream_)
        downstream_->startElement(localname, prefix, uri, nbNamespaces, namespaces, nbAttributes, nbDefaulted,
                                  attributes);
}

void SAXContentHandlerImpl::endElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
{
    if (downstream_)
        downstream_->endElement(localname, prefix, uri);
}

void SAXContentHandlerImpl::characters(const xmlChar* ch, int len)
{
    if (downstream_)
        downstream_->characters(ch, len);
}

void SAXContentHandlerImpl::ignorableWhitespace(const xmlChar* ch, int len)
{
    if (downstream_)
        downstream_->ignorableWhitespace(ch, len);
}

void SAXContentHandlerImpl::cdataBlock(const xmlChar* value, int len)
{
    if (downstream_)
        downstream_->cdataBlock(value, len);
}

void SAXContentHandlerImpl::processingInstruction(const xmlChar* target, const xmlChar* data)
{
    if (downstream_)
        downstream_->processingInstruction(target, data);
}

void SAXContentHandlerImpl::comment(const xmlChar* value)
{
    if (downstream_)
        downstream_->comment(value);
}

void SAXContentHandlerImpl::reference(const xmlChar* name)
{
    if (downstream_)
        downstream_->reference(name);
}

namespace {

bool IsManagedObject(const xmlChar* localname)
{
    return localname && std::strcmp(reinterpret_cast<const char*>(localname), "managedObject") == 0;
}

// True when the attribute blocks hold class="QOR" (by local name).
bool IsUnit(int nbAttributes, const xmlChar** attributes)
{
    for (int i = 0; i < nbAttributes; ++i) {
        const xmlChar** a = attributes + 5 * i;
        if (!a[0] || std::strcmp(reinterpret_cast<const char*>(a[0]), "class") != 0)
            continue;
        const auto* value = reinterpret_cast<const char*>(a[3]);
        const auto length = static_cast<size_t>(a[4] - a[3]);
        return length == 3 && std::memcmp(value, "QOR", 3) == 0;
    }
    return false;
}

} // namespace

void QORSAXContentHandler::startDocument()
{
    pass_ = true;
    skipDepth_ = 0;
    open_.clear();
    elements_.clear();
    SAXContentHandlerImpl::startDocument();
}

namespace {

const char* Text(const xmlChar* text)
{
    return text ? reinterpret_cast<const char*>(text) : "";
}

} // namespace

void QORSAXContentHandler::startElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                                        int nbNamespaces, const xmlChar** namespaces, int nbAttributes,
                                        int nbDefaulted, const xmlChar** attributes)
{
    const bool passBefore = pass_;
    if (IsManagedObject(localname)) {
        const bool unit = IsUnit(nbAttributes, attributes);
        open_.push_back({pass_, !unit});
        if (unit) {
            pass_ = true;
        } else {
            ++skipDepth_;
            pass_ = false;
        }
    }
    if (!pass_) {
        OpenElement dropped{false, {}};
        for (int i = 0; i < nbNamespaces; ++i)
            dropped.declarations.push_back(
                {namespaces[2 * i] != nullptr, Text(namespaces[2 * i]), Text(namespaces[2 * i + 1])});
        elements_.push_back(std::move(dropped));
        return;
    }
    if (passBefore) {
        SAXContentHandlerImpl::startElement(localname, prefix, uri, nbNamespaces, namespaces, nbAttributes,
                                            nbDefaulted, attributes);
        elements_.push_back({true, {}});
        return;
    }

    // A unit inside dropped elements: the namespaces they declared are in
    // scope for it and its content, but their elements never reach the
    // document, so the unit declares them itself (the innermost of each
    // prefix, unless the unit declares that prefix too).
    std::vector<const xmlChar*> all(namespaces, namespaces + 2 * nbNamespaces);
    const auto declaredAlready = [&all](bool prefixed, const std::string& name) {
        for (std::size_t i = 0; i < all.size(); i += 2) {
            if ((all[i] != nullptr) != prefixed)
                continue;
            if (!prefixed || name == Text(all[i]))
                return true;
        }
        return false;
    };
    for (auto element = elements_.rbegin(); element != elements_.rend() && !element->passed; ++element) {
        for (const Declaration& declaration : element->declarations) {
            if (declaredAlready(declaration.prefixed, declaration.prefix))
                continue;
            // The tree builder takes the element's own namespace from its
            // declarations by the very prefix pointer it was given.
            const xmlChar* name = nullptr;
            if (declaration.prefixed)
                name = prefix && declaration.prefix == Text(prefix)
                    ? prefix
                    : reinterpret_cast<const xmlChar*>(declaration.prefix.c_str());
            all.push_back(name);
            all.push_back(reinterpret_cast<const xmlChar*>(declaration.uri.c_str()));
        }
    }
    SAXContentHandlerImpl::startElement(localname, prefix, uri, static_cast<int>(all.size() / 2), all.data(),
                                        nbAttributes, nbDefaulted, attributes);
    elements_.push_back({true, {}});
}

void QORSAXContentHandler::endElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
{
    if (pass_)
        SAXContentHandlerImpl::endElement(localname, prefix, uri);
    if (!elements_.empty())
        elements_.pop_back();
    if (!IsManagedObject(localname) || open_.empty())
        return;
    // Back to the state before this object's start tag: after a unit inside a
    // dropped object dropping resumes, after the last dropped object passing does.
    const OpenObject closed = open_.back();
    open_.pop_back();
    if (closed.skipped)
        --skipDepth_;
    pass_ = closed.passBefore;
}

void QORSAXContentHandler::characters(const xmlChar* ch, int len)
{
    if (pass_)
        SAXContentHandlerImpl::characters(ch, len);
}

void QORSAXContentHandler::cdataBlock(const xmlChar* value, int len)
{
    if (pass_)
        SAXContentHandlerImpl::cdataBlock(value, len);
}

void QORSAXContentHandler::comment(const xmlChar* value)
{
    if (pass_)
        SAXContentHandlerImpl::comment(value);
}

void QORSAXContentHandler::reference(const xmlChar* name)
{
    if (pass_)
        SAXContentHandlerImpl::reference(name);
}

namespace {

// libxml2's own tree builder as the end of the event chain. It builds into the
// context whose event is being delivered: the document's, or while an entity's
// replacement text is parsed, the entity's own.
class TreeBuilder : public SAXContentHandler {
public:
    explicit TreeBuilder(FilteredDocumentParser::Chain& chain) : chain_(chain) {}
    void startDocument() override;
    void endDocument() override;
    void startElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri, int nbNamespaces,
                      const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                      const xmlChar** attributes) override;
    void endElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) override;
    void characters(const xmlChar* ch, int len) override;
    void ignorableWhitespace(const xmlChar* ch, int len) override;
    void cdataBlock(const xmlChar* value, int len) override;
    void processingInstruction(const xmlChar* target, const xmlChar* data) override;
    void comment(const xmlChar* value) override;
    void reference(const xmlChar* name) override;

    // Adjacent pieces of text become one node; only the first costs a node.
    bool textOpen = false;

private:
    FilteredDocumentParser::Chain& chain_;
};

std::size_t Length(const xmlChar* text)
{
    return text ? static_cast<std::size_t>(xmlStrlen(text)) : 0;
}

std::size_t Length(int len)
{
    return len > 0 ? static_cast<std::size_t>(len) : 0;
}

} // namespace

struct FilteredDocumentParser::Chain {
    XmlPtr<xmlParserCtxt> document;      // the parser of the input itself
    xmlParserCtxtPtr current = nullptr;  // the parser whose event is being delivered
    std::size_t maxKept = 0;
    std::size_t kept = 0;
    bool over = false;
    bool doctype = false; // a document type declaration: refused, as the format has none
    std::shared_ptr<QORSAXContentHandler> filter;
    std::shared_ptr<TreeBuilder> builder;

    // Counts what the next piece of the document will hold; past the bound
    // the parse stops and nothing more is built.
    bool Charge(std::size_t bytes)
    {
        if (!over && bytes <= maxKept - kept) {
            kept += bytes;
            return true;
        }
        over = true;
        // Only the parser delivering this event is stopped here; the
        // document's own parser, when an entity's parser is running inside
        // it, stops at its next event.
        if (current && !current->disableSAX)
            xmlStopParser(current);
        return false;
    }
};

namespace {

constexpr std::size_t NodeCost = sizeof(xmlNode);

FilteredDocumentParser::Chain& ChainOf(void* ctx)
{
    return *static_cast<FilteredDocumentParser::Chain*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

// The document's own events go through the unit filter. An entity's
// replacement text is parsed apart from the document and built into the
// entity, whatever object it is first used in, so it goes straight to the
// builder.
SAXContentHandler& Route(void* ctx)
{
    FilteredDocumentParser::Chain& chain = ChainOf(ctx);
    chain.current = static_cast<xmlParserCtxtPtr>(ctx);
    if (chain.over && !chain.current->disableSAX)
        xmlStopParser(chain.current);
    if (chain.current == chain.document.get())
        return *chain.filter;
    return *chain.builder;
}

} // namespace

void TreeBuilder::startDocument()
{
    textOpen = false;
    xmlSAX2StartDocument(chain_.current);
}

void TreeBuilder::endDocument()
{
    xmlSAX2EndDocument(chain_.current);
}

void TreeBuilder::startElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                               int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                               const xmlChar** attributes)
{
    textOpen = false;
    std::size_t cost = NodeCost + Length(localname);
    for (int i = 0; i < nbNamespaces; ++i)
        cost += sizeof(xmlNs) + Length(namespaces[2 * i]) + Length(namespaces[2 * i + 1]);
    for (int i = 0; i < nbAttributes; ++i) {
        const xmlChar** a = attributes + 5 * i;
        cost += sizeof(xmlAttr) + NodeCost + Length(a[0]) + static_cast<std::size_t>(a[4] - a[3]);
    }
    if (chain_.Charge(cost))
        xmlSAX2StartElementNs(chain_.current, localname, prefix, uri, nbNamespaces, namespaces, nbAttributes,
                              nbDefaulted, attributes);
}

void TreeBuilder::endElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
{
    textOpen = false;
    if (!chain_.over)
        xmlSAX2EndElementNs(chain_.current, localname, prefix, uri);
}

void TreeBuilder::characters(const xmlChar* ch, int len)
{
    const std::size_t cost = Length(len) + (textOpen ? 0 : NodeCost);
    textOpen = true;
    if (chain_.Charge(cost))
        xmlSAX2Characters(chain_.current, ch, len);
}

void TreeBuilder::ignorableWhitespace(const xmlChar* ch, int len)
{
    const std::size_t cost = Length(len) + (textOpen ? 0 : NodeCost);
    textOpen = true;
    if (chain_.Charge(cost))
        xmlSAX2IgnorableWhitespace(chain_.current, ch, len);
}

void TreeBuilder::cdataBlock(const xmlChar* value, int len)
{
    textOpen = false;
    if (chain_.Charge(NodeCost + Length(len)))
        xmlSAX2CDataBlock(chain_.current, value, len);
}

void TreeBuilder::processingInstruction(const xmlChar* target, const xmlChar* data)
{
    textOpen = false;
    if (chain_.Charge(NodeCost + Length(target) + Length(data)))
        xmlSAX2ProcessingInstruction(chain_.current, target, data);
}

void TreeBuilder::comment(const xmlChar* value)
{
    textOpen = false;
    if (chain_.Charge(NodeCost + Length(value)))
        xmlSAX2Comment(chain_.current, value);
}

void TreeBuilder::reference(const xmlChar* name)
{
    textOpen = false;
    if (chain_.Charge(NodeCost + Length(name)))
        xmlSAX2Reference(chain_.current, name);
}

namespace {

void InstallCallbacks(xmlSAXHandler& sax)
{
    sax.startDocument = [](void* ctx) { Route(ctx).startDocument(); };
    sax.endDocument = [](void* ctx) { Route(ctx).endDocument(); };
    sax.startElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                            int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                            const xmlChar** attributes) {
        Route(ctx).startElement(localname, prefix, uri, nbNamespaces, namespaces, nbAttributes, nbDefaulted,
                                attributes);
    };
    sax.endElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) {
        Route(ctx).endElement(localname, prefix, uri);
    };
    sax.characters = [](void* ctx, const xmlChar* ch, int len) { Route(ctx).characters(ch, len); };
    sax.ignorableWhitespace = [](void* ctx, const xmlChar* ch, int len) { Route(ctx).ignorableWhitespace(ch, len); };
    sax.cdataBlock = [](void* ctx, const xmlChar* value, int len) { Route(ctx).cdataBlock(value, len); };
    sax.processingInstruction = [](void* ctx, const xmlChar* target, const xmlChar* data) {
        Route(ctx).processingInstruction(target, data);
    };
    sax.comment = [](void* ctx, const xmlChar* value) { Route(ctx).comment(value); };
    sax.reference = [](void* ctx, const xmlChar* name) { Route(ctx).reference(name); };

    // A work order has no document type. A declaration of one is where
    // entity tricks live, so the whole file is refused as unreadable; no
    // declaration inside it is ever looked at.
    sax.internalSubset = [](void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
        ChainOf(ctx).doctype = true;
        xmlStopParser(static_cast<xmlParserCtxtPtr>(ctx));
    };

    // Nothing outside the input is ever read: no external subset, no external
    // entities, no network. Errors only fail the parse.
    sax.externalSubset = nullptr;
    sax.resolveEntity = [](void*, const xmlChar*, const xmlChar*) -> xmlParserInputPtr { return nullptr; };
    sax.serror = [](void*, xmlErrorPtr) {};
    sax.error = nullptr;
    sax.warning = nullptr;
}

} // namespace

FilteredDocumentParser::FilteredDocumentParser(std::size_t maxKeptBytes) : chain_(std::make_unique<Chain>())
{
    xmlSAXHandler sax{};
    xmlSAXVersion(&sax, 2);
    InstallCallbacks(sax);

    XmlPtr<xmlParserCtxt> ctxt(xmlCreatePushParserCtxt(&sax, nullptr, nullptr, 0, nullptr));
    if (!ctxt)
        throw std::bad_alloc();
    xmlCtxtUseOptions(ctxt.get(), XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    ctxt->replaceEntities = 0;
    ctxt->loadsubset = 0;
    ctxt->validate = 0;
    ctxt->_private = chain_.get();

    chain_->document = std::move(ctxt);
    chain_->maxKept = maxKeptBytes;
    chain_->filter = std::make_shared<QORSAXContentHandler>();
    chain_->builder = std::make_shared<TreeBuilder>(*chain_);
    chain_->filter->SetDownstream(chain_->builder);
}

FilteredDocumentParser::~FilteredDocumentParser()
{
    // The document a failed or unfinished parse was building; the parser
    // itself goes with the chain.
    if (chain_->document) {
        const XmlPtr<xmlDoc> unfinished(std::exchange(chain_->document->myDoc, nullptr));
    }
}

bool FilteredDocumentParser::Feed(const char* data, std::size_t size)
{
    // libxml2 takes int sizes; a piece of a few MiB at most keeps its input
    // buffer small as well.
    constexpr std::size_t Piece = 1024 * 1024;
    xmlParserCtxtPtr ctxt = chain_->document.get();
    while (size > 0) {
        if (chain_->over || chain_->doctype || !ctxt->wellFormed || ctxt->disableSAX)
            return false;
        const std::size_t piece = std::min(size, Piece);
        if (xmlParseChunk(ctxt, data, static_cast<int>(piece), 0) != 0)
            return false;
        data += piece;
        size -= piece;
    }
    return !chain_->over && !chain_->doctype && ctxt->wellFormed && !ctxt->disableSAX;
}

XmlPtr<xmlDoc> FilteredDocumentParser::Finish()
{
    xmlParserCtxtPtr ctxt = chain_->document.get();
    if (!chain_->over && !chain_->doctype && ctxt->wellFormed && !ctxt->disableSAX)
        xmlParseChunk(ctxt, nullptr, 0, 1);
    XmlPtr<xmlDoc> doc(std::exchange(ctxt->myDoc, nullptr));
    if (chain_->over || chain_->doctype || !ctxt->wellFormed || !doc || !xmlDocGetRootElement(doc.get()))
        return nullptr;
    return doc;
}

bool FilteredDocumentParser::OverBound() const
{
    return chain_->over;
}

std::size_t FilteredDocumentParser::KeptBytes() const
{
    return chain_->kept;
}

std::string FilteredDocumentParser::FailureReason() const
{
    if (chain_->over)
        return "keeps more than " + std::to_string(chain_->maxKept) + " bytes of units and surroundings";
    if (chain_->doctype)
        return "declares a document type";
    const xmlParserCtxtPtr ctxt = chain_->document.get();
    const xmlError& error = ctxt->lastError;
    if (error.code != XML_ERR_OK) {
        std::string message = error.message ? error.message : "not well-formed";
        while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
            message.pop_back();
        return "line " + std::to_string(error.line) + ": " + message;
    }
    return "is not a well-formed document with a root element";
}
