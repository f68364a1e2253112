#pragma once
// SAX content events between libxml2's parser and its tree builder, the
// filter that keeps only QORA units out of the managed objects of a work order,
// and the streaming parse that builds nothing but what the filter keeps.

#include "commissioning/XmlPtr.h"

#include <libxml/tree.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// One receiver of the content events of a parse (libxml2's SAX2 element form).
class SAXContentHandler {
public:
    virtual ~SAXContentHandler() = default;
    virtual void startDocument() = 0;
    virtual void endDocument() = 0;
    // attributes: nb_attributes blocks of localname, prefix, URI, value, value end
    virtual void startElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri,
                              int nbNamespaces, const xmlChar** namespaces, int nbAttributes,
                              int nbDefaulted, const xmlChar** attributes) = 0;
    virtual void endElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) = 0;
    virtual void characters(const xmlChar* ch, int len) = 0;
    virtual void ignorableWhitespace(const xmlChar* ch, int len) = 0;
    virtual void cdataBlock(const xmlChar* value, int len) = 0;
    virtual void processingInstruction(const xmlChar* target, const xmlChar* data) = 0;
    virtual void comment(const xmlChar* value) = 0;
    virtual void reference(const xmlChar* name) = 0;
};

// Forwards every event to a downstream handler; without one every event is
// simply accepted.
class SAXContentHandlerImpl : public SAXContentHandler {
public:
    void SetDownstream(std::shared_ptr<SAXContentHandler> downstream) { downstream_ = std::move(downstream); }
    [[nodiscard]] const std::shared_ptr<SAXContentHandler>& Downstream() const { return downstream_; }

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

private:
    std::shared_ptr<SAXContentHandler> downstream_;
};

// Passes QORA units (managedObject class="QOR") and everything outside managed
// objects; drops every other managed object with its content. A unit nested in
// a dropped object is passed, and dropping resumes after its end tag. Names go
// by local name, so units and objects in a namespace count alike. A unit
// passed from inside dropped elements also declares the namespaces those
// elements declared, so that its prefixes keep their meaning in the document.
class QORSAXContentHandler : public SAXContentHandlerImpl {
public:
    void startDocument() override;
    void startElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri, int nbNamespaces,
                      const xmlChar** namespaces, int nbAttributes, int nbDefaulted,
                      const xmlChar** attributes) override;
    void endElement(const xmlChar* localname, const xmlChar* prefix, const xmlChar* uri) override;
    void characters(const xmlChar* ch, int len) override;
    void cdataBlock(const xmlChar* value, int len) override;
    void comment(const xmlChar* value) override;
    void reference(const xmlChar* name) override;

    [[nodiscard]] bool Passing() const { return pass_; }
    [[nodiscard]] int SkipDepth() const { return skipDepth_; }

private:
    struct OpenObject {
        bool passBefore; // the pass flag before the object's start tag
        bool skipped;    // the object counted in the skip depth
    };
    struct Declaration {
        bool prefixed;      // false: the default namespace
        std::string prefix;
        std::string uri;
    };
    struct OpenElement {
        bool passed;
        std::vector<Declaration> declarations; // kept only for dropped elements
    };
    bool pass_ = true;
    int skipDepth_ = 0;
    // One entry per managed object open, so that each end tag restores the
    // state its start tag found.
    std::vector<OpenObject> open_;
    // One entry per element open.
    std::vector<OpenElement> elements_;
};

// Parses a byte stream fed in pieces of any size and builds the document out of
// what the unit filter passes, so that dropped managed objects never take
// memory. What the document may hold (elements, attributes, text, declarations
// of the document type) is bounded by maxKeptBytes; past the bound the parse
// stops and fails. Nothing outside the input is ever read: no external subset,
// no external entities, no network. Throws std::bad_alloc when libxml2 cannot
// create its parser.
class FilteredDocumentParser {
public:
    explicit FilteredDocumentParser(std::size_t maxKeptBytes);
    ~FilteredDocumentParser();
    FilteredDocumentParser(const FilteredDocumentParser&) = delete;
    FilteredDocumentParser& operator=(const FilteredDocumentParser&) = delete;

    // False once the parse has failed; later input is then ignored.
    bool Feed(const char* data, std::size_t size);
    // Ends the input. The well-formed document with a root element, or none.
    [[nodiscard]] XmlPtr<xmlDoc> Finish();

    [[nodiscard]] bool OverBound() const;
    [[nodiscard]] std::size_t KeptBytes() const;
    // Why the parse failed, for the log: the bound, the document type, or
    // libxml2's line and reason.
    [[nodiscard]] std::string FailureReason() const;

    struct Chain;

private:
    std::unique_ptr<Chain> chain_;
};
