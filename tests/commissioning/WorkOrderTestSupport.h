#pragma once
// Helpers of the work order tests: the sample files, outlines of the
// document a load keeps, and the unit choice played by the test.

#include "commissioning/WorkOrder.h"
#include "platform/StringTable.h"
#include "support/PromptRecorder.h"

#include <QStringList>

#include <libxml/tree.h>

#include <cstring>
#include <vector>

namespace workorder_test {

inline QString Data(const char* name)
{
    return QStringLiteral(WORKORDER_TESTDATA "/") + QString::fromLatin1(name);
}

inline bool Named(xmlNodePtr node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

inline QString Attribute(xmlNodePtr node, const char* name)
{
    xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
    QString text = value ? QString::fromUtf8(reinterpret_cast<const char*>(value)) : QString();
    xmlFree(value);
    return text;
}

// Every managedObject's distName (or class when unnamed) and every p's name
// attribute in document order, as "mo:..." and "p:...", plus other elements.
inline void Outline(xmlNodePtr node, QStringList& out)
{
    for (; node; node = node->next) {
        if (Named(node, "managedObject"))
            out << QStringLiteral("mo:") + Attribute(node, "distName");
        else if (Named(node, "p"))
            out << QStringLiteral("p:") + Attribute(node, "name");
        else if (node->type == XML_ELEMENT_NODE)
            out << QString::fromUtf8(reinterpret_cast<const char*>(node->name));
        Outline(node->children, out);
    }
}

inline QStringList Outline(const CWorkOrder& order)
{
    QStringList out;
    Outline(xmlDocGetRootElement(order.Document()), out);
    return out;
}

inline QStringList ManagedObjects(const CWorkOrder& order)
{
    return Outline(order).filter(QStringLiteral("mo:"));
}

// Replaces the unit choice while it lives and keeps the lists it was shown.
class ChoiceRecorder {
public:
    explicit ChoiceRecorder(int answer)
    {
        previous_ = SetUnitChoiceFunction([this, answer](const QStringList& names) {
            shown.push_back(names);
            return answer;
        });
    }
    ~ChoiceRecorder() { SetUnitChoiceFunction(std::move(previous_)); }
    std::vector<QStringList> shown;

private:
    UnitChoiceFunction previous_;
};

inline std::vector<unsigned> Shown(const PromptRecorder& prompts)
{
    std::vector<unsigned> ids;
    for (const auto& request : prompts.shown)
        for (unsigned id : {61249u, 61250u, 61288u, 61289u, 61290u})
            if (request.text == LoadResString(id))
                ids.push_back(id);
    return ids;
}

} // namespace workorder_test
