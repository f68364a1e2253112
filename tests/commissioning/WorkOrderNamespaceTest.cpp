// Work orders as planning systems export them: the document in a default
// namespace or with prefixed elements, and namespaces declared on objects the
// reader drops.

#include "WorkOrderTestSupport.h"

#include <gtest/gtest.h>

#include <libxml/parser.h>

#include <memory>
#include <string>

using namespace workorder_test;

namespace {

std::string NamespaceOf(xmlNodePtr node)
{
    return node && node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

std::string PrefixOf(xmlNodePtr node)
{
    return node && node->ns && node->ns->prefix ? reinterpret_cast<const char*>(node->ns->prefix) : "";
}

xmlNodePtr ParameterElement(const CWorkOrder& order, const char* name)
{
    return order.FindParameterElement(QString::fromLatin1(name));
}

using Document = XmlPtr<xmlDoc>;

// The document as it would be saved, read back by a parser that minds
// namespaces: nothing when a prefix is undeclared or the text is not XML.
Document Reparsed(const CWorkOrder& order)
{
    xmlChar* dumped = nullptr;
    int size = 0;
    xmlDocDumpMemory(order.Document(), &dumped, &size);
    const XmlPtr<xmlChar> bytes(dumped);
    const XmlPtr<xmlParserCtxt> context(xmlNewParserCtxt());
    Document doc(xmlCtxtReadMemory(context.get(), reinterpret_cast<const char*>(bytes.get()), size, nullptr, nullptr,
                                   XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc || !context->wellFormed || !context->nsWellFormed)
        return nullptr;
    return doc;
}

// The first element of that local name in document order.
xmlNodePtr FirstElement(xmlNodePtr node, const char* name)
{
    for (; node; node = node->next) {
        if (Named(node, name))
            return node;
        if (xmlNodePtr found = FirstElement(node->children, name))
            return found;
    }
    return nullptr;
}

struct ExpectedUnit {
    const char* distName;
    WorkOrderValues values;
};

std::vector<ExpectedUnit> ExportUnits()
{
    WorkOrderValues first;
    first.unitName = QStringLiteral("Turku QORA 1");
    first.unitType = QStringLiteral("QORA-2");
    first.q1Address = 141;
    first.q1SpeedCode = 8;
    first.antennaLatitude = 60.4515;
    first.antennaLongitude = 22.2663;
    first.antennaAltitude = 1850;
    first.gpsAntennaDelay = 210;
    first.frameClockDelay = 35;
    first.gpsMode = QStringLiteral("Survey");
    first.q1Relay = QStringLiteral("YES");
    first.ipAddress = QStringLiteral("192.168.255.121");
    first.gatewayAddress = QStringLiteral("192.168.255.32");
    first.subnetMask = QStringLiteral("255.255.255.0");

    WorkOrderValues second;
    second.unitName = QStringLiteral("Turku QORA 2");
    second.unitType = QStringLiteral("QORA-3");
    second.q1Address = 142;
    second.q1SpeedCode = 7;
    second.antennaLatitude = -33.5;
    second.antennaLongitude = 151.25;
    second.antennaAltitude = 2400;
    second.gpsAntennaDelay = 190;
    second.frameClockDelay = 40;
    second.gpsMode = QStringLiteral("Locked");
    second.q1Relay = QStringLiteral("NO");
    second.ipAddress = QStringLiteral("10.20.30.40");
    second.gatewayAddress = QStringLiteral("10.20.30.1");
    second.subnetMask = QStringLiteral("255.255.255.0");
    return {{"BSC-7/QOR-1", first}, {"BSC-7/BCF-2/QOR-2", second}};
}

void ExpectValues(const WorkOrderValues& got, const WorkOrderValues& want)
{
    EXPECT_EQ(got.unitName, want.unitName);
    EXPECT_EQ(got.unitType, want.unitType);
    EXPECT_EQ(got.q1Address, want.q1Address);
    EXPECT_EQ(got.q1SpeedCode, want.q1SpeedCode);
    EXPECT_DOUBLE_EQ(got.antennaLatitude, want.antennaLatitude);
    EXPECT_DOUBLE_EQ(got.antennaLongitude, want.antennaLongitude);
    EXPECT_EQ(got.antennaAltitude, want.antennaAltitude);
    EXPECT_EQ(got.gpsAntennaDelay, want.gpsAntennaDelay);
    EXPECT_EQ(got.frameClockDelay, want.frameClockDelay);
    EXPECT_EQ(got.gpsMode, want.gpsMode);
    EXPECT_EQ(got.q1Relay, want.q1Relay);
    EXPECT_EQ(got.ipAddress, want.ipAddress);
    EXPECT_EQ(got.gatewayAddress, want.gatewayAddress);
    EXPECT_EQ(got.subnetMask, want.subnetMask);
}

} // namespace

TEST(WorkOrderNamespaces, ExportsLoadWithTheUnitChoiceAndAllFourteenValues)
{
    struct Case {
        const char* file;
        const char* prefix; // of the document's elements
    };
    const std::vector<ExpectedUnit> units = ExportUnits();
    for (const Case& c : {Case{"export_default_namespace.xml", ""}, Case{"export_prefixed.xml", "r"}}) {
        for (int answer : {0, 1}) {
            SCOPED_TRACE(std::string(c.file) + " unit " + std::to_string(answer));
            PromptRecorder prompts;
            ChoiceRecorder choice(answer);
            std::unique_ptr<CWorkOrder> order;
            std::unique_ptr<WorkOrderValues> values;
            QString path;
            ASSERT_TRUE(OpenWorkOrder(Data(c.file), choice.Chooser(), order, values, path));
            EXPECT_TRUE(prompts.shown.empty());
            const QStringList offered{QString::fromLatin1(units[0].distName), QString::fromLatin1(units[1].distName)};
            EXPECT_EQ(choice.shown, std::vector<QStringList>{offered});

            const ExpectedUnit& chosen = units[static_cast<std::size_t>(answer)];
            xmlNodePtr unit = order->UnitElement();
            EXPECT_EQ(Attribute(unit, "distName"), QLatin1String(chosen.distName));
            EXPECT_EQ(NamespaceOf(unit), "raml20.xsd");
            EXPECT_EQ(PrefixOf(unit), std::string(c.prefix));
            // The other unit and every other object went with their content.
            EXPECT_EQ(ManagedObjects(*order), QStringList{QStringLiteral("mo:") + QLatin1String(chosen.distName)});
            const QStringList outline = Outline(*order);
            EXPECT_FALSE(outline.contains(QStringLiteral("p:siteName")));
            EXPECT_FALSE(outline.contains(QStringLiteral("p:bcfAfterUnit")));
            EXPECT_TRUE(outline.contains(QStringLiteral("header")));
            ExpectValues(*values, chosen.values);
        }
    }
}

TEST(WorkOrderNamespaces, NamespacesDeclaredOnDroppedObjectsStayWithTheUnit)
{
    struct Case {
        int answer;
        const char* unitNamespace;
        const char* unitPrefix;
        const char* typeNamespace; // of the unit's qorType element, when it has one
    };
    for (const Case& c : {Case{0, "urn:example:units", "q", "urn:example:plan"}, Case{1, "", "", nullptr}}) {
        SCOPED_TRACE(c.answer);
        PromptRecorder prompts;
        ChoiceRecorder choice(c.answer);
        CWorkOrder order;
        ASSERT_TRUE(order.Load(Data("namespace_scopes.xml"), choice.Chooser()));
        EXPECT_TRUE(prompts.shown.empty());
        EXPECT_EQ(ManagedObjects(order).size(), 1);

        // The document read back as it would be saved: every prefix declared,
        // every element in the namespace it had in the file.
        const Document saved = Reparsed(order);
        ASSERT_TRUE(saved);
        xmlNodePtr unit = FirstElement(xmlDocGetRootElement(saved.get()), "managedObject");
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(NamespaceOf(unit), std::string(c.unitNamespace));
        EXPECT_EQ(PrefixOf(unit), std::string(c.unitPrefix));
        xmlNodePtr name = FirstElement(unit->children, "p");
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(NamespaceOf(name), std::string(c.unitNamespace));
        if (c.typeNamespace) {
            EXPECT_EQ(NamespaceOf(name->next ? FirstElement(name->next, "p") : nullptr),
                      std::string(c.typeNamespace));
            // The prefixed attribute keeps its namespace too.
            const XmlPtr<xmlChar> origin(xmlGetNsProp(unit, reinterpret_cast<const xmlChar*>("origin"),
                                                      reinterpret_cast<const xmlChar*>("urn:example:extra")));
            EXPECT_STREQ(origin ? reinterpret_cast<const char*>(origin.get()) : "(none)", "import");
        }
        // The root keeps its own declarations.
        EXPECT_EQ(NamespaceOf(xmlDocGetRootElement(saved.get())), "urn:example:plan");
    }
}

TEST(WorkOrderNamespaces, AUnitTakingTheOuterUnitsPlaceKeepsItsNamespaces)
{
    for (int answer : {0, 1}) {
        SCOPED_TRACE(answer);
        ChoiceRecorder choice(answer);
        CWorkOrder order;
        ASSERT_TRUE(order.Load(Data("nested_units_namespaced.xml"), choice.Chooser()));
        const QString chosen = answer == 0 ? QStringLiteral("outer") : QStringLiteral("inner");
        EXPECT_EQ(ManagedObjects(order), QStringList{QStringLiteral("mo:") + chosen});
        QString text;
        ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorName"), text));
        EXPECT_EQ(text, answer == 0 ? QStringLiteral("Outer") : QStringLiteral("Inner"));

        // The outer unit declared the namespaces and is gone; the inner one
        // declares them now.
        xmlNodePtr unit = order.UnitElement();
        EXPECT_EQ(NamespaceOf(unit), "urn:example:objects");
        const Document saved = Reparsed(order);
        ASSERT_TRUE(saved);
        xmlNodePtr savedUnit = FirstElement(xmlDocGetRootElement(saved.get()), "managedObject");
        ASSERT_NE(savedUnit, nullptr);
        EXPECT_EQ(NamespaceOf(savedUnit), "urn:example:objects");
        if (answer == 1) {
            EXPECT_EQ(NamespaceOf(ParameterElement(order, "qorType")), "urn:example:plan");
            xmlNodePtr savedName = FirstElement(savedUnit->children, "p");
            ASSERT_NE(savedName, nullptr);
            EXPECT_EQ(NamespaceOf(savedName), "urn:example:objects");
            EXPECT_EQ(NamespaceOf(FirstElement(savedName->next, "p")), "urn:example:plan");
        }
    }
}
