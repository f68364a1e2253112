#pragma once
// Owning pointers for libxml2's objects: whatever a function made is freed on
// every way out of it. A pointer handed over to libxml2 (a node added to a
// document) is released from its owner first.

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>

#include <memory>

struct XmlFreer {
    void operator()(xmlDoc* doc) const noexcept { xmlFreeDoc(doc); }
    void operator()(xmlNode* node) const noexcept { xmlFreeNode(node); }
    void operator()(xmlChar* text) const noexcept { xmlFree(text); }
    void operator()(xmlParserCtxt* context) const noexcept { xmlFreeParserCtxt(context); }
    void operator()(xmlXPathContext* context) const noexcept { xmlXPathFreeContext(context); }
    void operator()(xmlXPathObject* object) const noexcept { xmlXPathFreeObject(object); }
};

template <typename T>
using XmlPtr = std::unique_ptr<T, XmlFreer>;
