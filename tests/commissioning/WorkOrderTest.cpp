#include "commissioning/WorkOrder.h"

#include "platform/StringTable.h"
#include "support/PromptRecorder.h"

#include <gtest/gtest.h>

#include <libxml/tree.h>

#include <cstring>
#include <limits>

namespace {

QString Data(const char* name)
{
    return QStringLiteral(WORKORDER_TESTDATA "/") + QString::fromLatin1(name);
}

bool Named(xmlNodePtr node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

QString Attribute(xmlNodePtr node, const char* name)
{
    xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
    QString text = value ? QString::fromUtf8(reinterpret_cast<const char*>(value)) : QString();
    xmlFree(value);
    return text;
}

// Every managedObject's distName (or class when unnamed) and every p's name
// attribute in document order, as "mo:..." and "p:...", plus other elements.
void Outline(xmlNodePtr node, QStringList& out)
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

QStringList Outline(const CWorkOrder& order)
{
    QStringList out;
    Outline(xmlDocGetRootElement(order.Document()), out);
    return out;
}

QStringList ManagedObjects(const CWorkOrder& order)
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

std::vector<unsigned> Shown(const PromptRecorder& prompts)
{
    std::vector<unsigned> ids;
    for (const auto& request : prompts.shown)
        for (unsigned id : {61249u, 61250u, 61288u, 61289u, 61290u})
            if (request.text == LoadResString(id))
                ids.push_back(id);
    return ids;
}

} // namespace

TEST(WorkOrderParse, IntegerAndRealFollowTheLeadingNumber)
{
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("  -45")), -45);
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("+8x")), 8);
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("7fast")), 7);
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("fast")), 0);
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("-")), 0);
    EXPECT_EQ(ParseWorkOrderInteger(QString()), 0);
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("99999999999")), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("-2147483648")), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(ParseWorkOrderInteger(QStringLiteral("-99999999999")), std::numeric_limits<std::int32_t>::min());

    EXPECT_DOUBLE_EQ(ParseWorkOrderReal(QStringLiteral(" -3.25x")), -3.25);
    EXPECT_DOUBLE_EQ(ParseWorkOrderReal(QStringLiteral("1.5e3")), 1500.0);
    EXPECT_DOUBLE_EQ(ParseWorkOrderReal(QStringLiteral("2e")), 2.0);
    EXPECT_DOUBLE_EQ(ParseWorkOrderReal(QStringLiteral(".5")), 0.5);
    EXPECT_DOUBLE_EQ(ParseWorkOrderReal(QStringLiteral("+600000000")), 600000000.0);
    EXPECT_DOUBLE_EQ(ParseWorkOrderReal(QStringLiteral("abc")), 0.0);
    EXPECT_DOUBLE_EQ(ParseWorkOrderReal(QStringLiteral(".")), 0.0);
}

TEST(WorkOrderLoad, UnitInsideOtherObjectIsKeptAndItsValuesRead)
{
    PromptRecorder prompts;
    ChoiceRecorder choice(0);
    CWorkOrder order;
    ASSERT_TRUE(order.Load(Data("nested_unit.xml")));
    EXPECT_TRUE(prompts.shown.empty());
    EXPECT_TRUE(choice.shown.empty()); // one unit: no choice offered

    // The other objects went with their content; what stands outside any
    // managed object stays; the unit took the place of its dropped parent.
    EXPECT_EQ(ManagedObjects(order), QStringList{QStringLiteral("mo:BSC-1/BCF-7/QOR-1")});
    const QStringList outline = Outline(order);
    EXPECT_TRUE(outline.contains(QStringLiteral("note")));
    EXPECT_TRUE(outline.contains(QStringLiteral("header")));
    EXPECT_FALSE(outline.contains(QStringLiteral("p:siteName")));
    EXPECT_FALSE(outline.contains(QStringLiteral("p:afterUnit")));
    EXPECT_TRUE(Named(order.UnitElement()->parent, "cmData"));

    WorkOrderValues values;
    ASSERT_TRUE(ReadWorkOrderValues(order, values));
    EXPECT_EQ(values.unitName, QStringLiteral("Kallio QORA"));
    EXPECT_EQ(values.unitType, QStringLiteral("QORA-2"));
    EXPECT_EQ(values.q1Address, 12);
    EXPECT_EQ(values.q1SpeedCode, 3);
    EXPECT_DOUBLE_EQ(values.antennaLatitude, 60.1693);
    EXPECT_DOUBLE_EQ(values.antennaLongitude, -24.93845);
    EXPECT_EQ(values.antennaAltitude, 2350);
    EXPECT_EQ(values.gpsAntennaDelay, 120);
    EXPECT_EQ(values.frameClockDelay, -45);
    EXPECT_EQ(values.gpsMode, QStringLiteral("Survey"));
    EXPECT_EQ(values.q1Relay, QStringLiteral("YES"));
    EXPECT_EQ(values.ipAddress, QStringLiteral("10.1.2.3"));
    EXPECT_EQ(values.gatewayAddress, QStringLiteral("10.1.2.1"));
    EXPECT_EQ(values.subnetMask, QStringLiteral("255.255.255.0")); // the first of two

    QString text;
    EXPECT_FALSE(order.FindParameterText(QStringLiteral("siteName"), text, xmlDocGetRootElement(order.Document())));
    EXPECT_FALSE(order.FindParameterText(QStringLiteral("a\"b'c"), text));
    EXPECT_TRUE(order.FindParameterText(QStringLiteral("qorName"), text, xmlDocGetRootElement(order.Document())));
    EXPECT_EQ(text, QStringLiteral("Kallio QORA"));
}

TEST(WorkOrderLoad, BadNumbersReadAsTheirLeadingDigits)
{
    PromptRecorder prompts;
    CWorkOrder order;
    ASSERT_TRUE(order.Load(Data("bad_numbers.xml")));
    WorkOrderValues values;
    ASSERT_TRUE(ReadWorkOrderValues(order, values));
    EXPECT_EQ(values.q1SpeedCode, 7);
    EXPECT_EQ(values.q1Address, 0);
    EXPECT_DOUBLE_EQ(values.antennaLatitude, 60.0);
    EXPECT_EQ(values.antennaAltitude, std::numeric_limits<std::int32_t>::max());
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(WorkOrderLoad, ChosenUnitStaysAndTheOthersGo)
{
    struct Case {
        int answer;
        const char* unit;
    };
    for (const Case& c : {Case{1, "BSC-1/TRX-1/QOR-B"}, Case{0, "BSC-1/QOR-A"}, Case{-1, "BSC-1/QOR-A"},
                          Case{2, "BSC-1/QOR-A"}}) {
        SCOPED_TRACE(c.answer);
        PromptRecorder prompts;
        ChoiceRecorder choice(c.answer);
        CWorkOrder order;
        ASSERT_TRUE(order.Load(Data("two_units.xml")));
        ASSERT_EQ(choice.shown.size(), 1u);
        EXPECT_EQ(choice.shown[0], (QStringList{QStringLiteral("BSC-1/QOR-A"), QStringLiteral("BSC-1/TRX-1/QOR-B")}));
        EXPECT_EQ(ManagedObjects(order), QStringList{QStringLiteral("mo:") + QLatin1String(c.unit)});
        EXPECT_EQ(Attribute(order.UnitElement(), "distName"), QLatin1String(c.unit));
        EXPECT_TRUE(Outline(order).contains(QStringLiteral("trailer")));
        EXPECT_TRUE(prompts.shown.empty());
    }
}

TEST(WorkOrderLoad, UnitKeepsWhatFollowsAnObjectDroppedInsideIt)
{
    ChoiceRecorder choice(1);
    CWorkOrder order;
    ASSERT_TRUE(order.Load(Data("two_units.xml")));
    // The unit lies in a dropped object and holds one itself: its content
    // after that inner object is kept, the outer object's rest is not.
    EXPECT_EQ(Outline(order), (QStringList{QStringLiteral("raml"), QStringLiteral("mo:BSC-1/TRX-1/QOR-B"), QStringLiteral("p:qorName"),
                                           QStringLiteral("p:qorType"), QStringLiteral("trailer")}));
    QString text;
    ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorType"), text));
    EXPECT_EQ(text, QStringLiteral("after nested object"));
}

TEST(WorkOrderLoad, NoChoiceFunctionTakesTheFirstUnit)
{
    const UnitChoiceFunction previous = SetUnitChoiceFunction({});
    CWorkOrder order;
    EXPECT_TRUE(order.Load(Data("two_units.xml")));
    EXPECT_EQ(Attribute(order.UnitElement(), "distName"), QStringLiteral("BSC-1/QOR-A"));
    SetUnitChoiceFunction(previous);
}

TEST(WorkOrderLoad, UnitsInsideUnitsNeverLoseTheChosenOne)
{
    struct Case {
        int answer;
        QStringList objects;
    };
    const auto mo = [](const char* name) { return QStringLiteral("mo:") + QLatin1String(name); };
    for (const Case& c : {Case{0, {mo("outer")}}, Case{1, {mo("outer"), mo("inner")}}, Case{2, {mo("last")}},
                          Case{3, {mo("last"), mo("last-inner")}}}) {
        SCOPED_TRACE(c.answer);
        ChoiceRecorder choice(c.answer);
        CWorkOrder order;
        ASSERT_TRUE(order.Load(Data("nested_units.xml")));
        EXPECT_EQ(ManagedObjects(order), c.objects);
        EXPECT_EQ(QStringLiteral("mo:") + Attribute(order.UnitElement(), "distName"), c.objects.back());
    }
}

TEST(WorkOrderLoad, FailuresShowTheirMessageAndHoldNothing)
{
    struct Case {
        const char* file;
        unsigned message;
    };
    for (const Case& c : {Case{"malformed.xml", 61289}, Case{"secret.txt", 61289}, Case{"absent.xml", 61289},
                          Case{"no_units.xml", 61290}, Case{"unnamed_unit.xml", 61290}}) {
        SCOPED_TRACE(c.file);
        PromptRecorder prompts;
        CWorkOrder order;
        ASSERT_TRUE(order.Load(Data("nested_unit.xml")));
        EXPECT_FALSE(order.Load(Data(c.file)));
        EXPECT_FALSE(order.IsLoaded());
        EXPECT_EQ(order.Document(), nullptr);
        EXPECT_EQ(Shown(prompts), std::vector<unsigned>{c.message});
        ASSERT_EQ(prompts.shown.size(), 1u);
        EXPECT_EQ(prompts.shown[0].icon, MsgIcon::Error);
        QString text;
        EXPECT_FALSE(order.FindParameterText(QStringLiteral("qorName"), text));
    }
}

TEST(WorkOrderLoad, NothingOutsideTheFileIsRead)
{
    PromptRecorder prompts;
    CWorkOrder order;
    ASSERT_TRUE(order.Load(Data("xxe.xml")));
    QString text;
    ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorName"), text));
    EXPECT_FALSE(text.contains(QStringLiteral("SECRET")));
    ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorGPSMode"), text));
    EXPECT_EQ(text, QStringLiteral("[]")); // the external subset was never loaded
    ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorType"), text));
    EXPECT_EQ(text, QStringLiteral("Kallio unit")); // entities of the file itself still count
}

TEST(WorkOrderLoad, MultiplyingEntitiesGiveNoText)
{
    PromptRecorder prompts;
    CWorkOrder order;
    // The parser may refuse such a file outright; if it builds the document,
    // the text still stays bounded.
    if (!order.Load(Data("laughs.xml"))) {
        EXPECT_EQ(Shown(prompts), std::vector<unsigned>{61289});
        return;
    }
    QString text;
    EXPECT_FALSE(order.FindParameterText(QStringLiteral("qorName"), text));
    ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorType"), text));
    EXPECT_EQ(text, QStringLiteral("plain"));
}

TEST(OpenWorkOrder, ReplacesTheWorkOrderAndFillsTheValues)
{
    PromptRecorder prompts;
    std::unique_ptr<CWorkOrder> order;
    std::unique_ptr<WorkOrderValues> values;
    QString path;
    ASSERT_TRUE(OpenWorkOrder(Data("nested_unit.xml"), order, values, path));
    ASSERT_TRUE(order && values);
    EXPECT_EQ(path, Data("nested_unit.xml"));
    EXPECT_EQ(values->unitName, QStringLiteral("Kallio QORA"));

    const WorkOrderValues* record = values.get();
    ASSERT_TRUE(OpenWorkOrder(Data("bad_numbers.xml"), order, values, path));
    EXPECT_EQ(values.get(), record); // the record lives on, overwritten
    EXPECT_EQ(values->q1SpeedCode, 7);
    EXPECT_EQ(path, Data("bad_numbers.xml"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(OpenWorkOrder, FailuresLeaveNoWorkOrder)
{
    struct Case {
        const char* file;
        std::vector<unsigned> messages;
        bool valuesKept;
    };
    for (const Case& c : {Case{"missing_mask.xml", {61249}, false}, Case{"malformed.xml", {61289, 61249}, true},
                          Case{"no_units.xml", {61290, 61249}, true}}) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<CWorkOrder> order;
        std::unique_ptr<WorkOrderValues> values;
        QString path;
        ASSERT_TRUE(OpenWorkOrder(Data("nested_unit.xml"), order, values, path));
        PromptRecorder prompts;
        EXPECT_FALSE(OpenWorkOrder(Data(c.file), order, values, path));
        EXPECT_EQ(order, nullptr);
        EXPECT_EQ(values != nullptr, c.valuesKept);
        EXPECT_EQ(path, Data("nested_unit.xml"));
        EXPECT_EQ(Shown(prompts), c.messages);
        EXPECT_EQ(prompts.shown.back().icon, MsgIcon::None);
    }
}
