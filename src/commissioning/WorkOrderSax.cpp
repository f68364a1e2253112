#include "commissioning/WorkOrderSax.h"

#include <libxml/parser.h>

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
    SAXContentHandlerImpl::startDocument();
}

void QORSAXContentHandler::startElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                                        int nbNamespaces, const xmlChar** namespaces, int nbAttributes,
                                        int nbDefaulted, const xmlChar** attributes)
{
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
    if (pass_)
        SAXContentHandlerImpl::startElement(localname, prefix, uri, nbNamespaces, namespaces, nbAttributes,
                                            nbDefaulted, attributes);
}

void QORSAXContentHandler::endElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri)
{
    if (pass_)
        SAXContentHandlerImpl::endElement(localname, prefix, uri);
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

SAXContentHandler* HandlerOf(void* ctx)
{
    return static_cast<SAXContentHandler*>(static_cast<xmlParserCtxtPtr>(ctx)->_private);
}

} // namespace

void InstallSAXContentCallbacks(xmlSAXHandler& sax)
{
    sax.startDocument = [](void* ctx) { HandlerOf(ctx)->startDocument(); };
    sax.endDocument = [](void* ctx) { HandlerOf(ctx)->endDocument(); };
    sax.startElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                            int nbNamespaces, const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                            const xmlChar** attributes) {
        HandlerOf(ctx)->startElement(localname, prefix, uri, nbNamespaces, namespaces, nbAttributes, nbDefaulted,
                                     attributes);
    };
    sax.endElementNs = [](void* ctx, const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) {
        HandlerOf(ctx)->endElement(localname, prefix, uri);
    };
    sax.characters = [](void* ctx, const xmlChar* ch, int len) { HandlerOf(ctx)->characters(ch, len); };
    sax.ignorableWhitespace = [](void* ctx, const xmlChar* ch, int len) {
        HandlerOf(ctx)->ignorableWhitespace(ch, len);
    };
    sax.cdataBlock = [](void* ctx, const xmlChar* value, int len) { HandlerOf(ctx)->cdataBlock(value, len); };
    sax.processingInstruction = [](void* ctx, const xmlChar* target, const xmlChar* data) {
        HandlerOf(ctx)->processingInstruction(target, data);
    };
    sax.comment = [](void* ctx, const xmlChar* value) { HandlerOf(ctx)->comment(value); };
    sax.reference = [](void* ctx, const xmlChar* name) { HandlerOf(ctx)->reference(name); };
}
