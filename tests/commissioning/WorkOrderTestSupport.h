#pragma once
// Helpers of the work order tests: the sample files, outlines of the
// document a load keeps, and the unit choice played by the test.

#include "commissioning/WorkOrder.h"
#include "commissioning/WorkOrderReader.h"
#include "commissioning/XmlPtr.h"
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
    const XmlPtr<xmlChar> value(xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name)));
    return value ? QString::fromUtf8(reinterpret_cast<const char*>(value.get())) : QString();
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

// Answers the unit choice and keeps the lists it was shown.
class ChoiceRecorder {
public:
    explicit ChoiceRecorder(int answer) : answer_(answer) {}
    ChoiceRecorder(const ChoiceRecorder&) = delete;
    ChoiceRecorder& operator=(const ChoiceRecorder&) = delete;

    [[nodiscard]] UnitChooser Chooser()
    {
        return [this](const QStringList& names) {
            shown.push_back(names);
            return answer_;
        };
    }
    std::vector<QStringList> shown;

private:
    int answer_;
};

} // namespace workorder_test
