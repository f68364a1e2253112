#include "WorkOrderTestSupport.h"

#include "commissioning/WorkOrderSax.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <libxml/tree.h>

#include <algorithm>
#include <cstring>
#include <limits>

using namespace workorder_test;

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
    ASSERT_TRUE(order.Load(Data("nested_unit.xml"), choice.Chooser()));
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
        ASSERT_TRUE(order.Load(Data("two_units.xml"), choice.Chooser()));
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
    ASSERT_TRUE(order.Load(Data("two_units.xml"), choice.Chooser()));
    // The unit lies in a dropped object and holds one itself: its content
    // after that inner object is kept, the outer object's rest is not.
    EXPECT_EQ(Outline(order), (QStringList{QStringLiteral("raml"), QStringLiteral("mo:BSC-1/TRX-1/QOR-B"), QStringLiteral("p:qorName"),
                                           QStringLiteral("p:qorType"), QStringLiteral("trailer")}));
    QString text;
    ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorType"), text));
    EXPECT_EQ(text, QStringLiteral("after nested object"));
}

TEST(WorkOrderLoad, NoChooserTakesTheFirstUnitAndNobodyIsAsked)
{
    PromptRecorder prompts;
    CWorkOrder order;
    EXPECT_TRUE(order.Load(Data("two_units.xml")));
    EXPECT_EQ(Attribute(order.UnitElement(), "distName"), QStringLiteral("BSC-1/QOR-A"));
    EXPECT_EQ(ManagedObjects(order), QStringList{QStringLiteral("mo:BSC-1/QOR-A")});
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(WorkOrderLoad, UnitsInsideUnitsNeverLoseTheChosenOne)
{
    struct Case {
        int answer;
        QStringList objects;
    };
    const auto mo = [](const char* name) { return QStringLiteral("mo:") + QLatin1String(name); };
    // A unit chosen inside another takes the outer unit's place: the
    // document keeps exactly one unit, never the outer one's stale values.
    for (const Case& c : {Case{0, {mo("outer")}}, Case{1, {mo("inner")}}, Case{2, {mo("last")}},
                          Case{3, {mo("last-inner")}}}) {
        SCOPED_TRACE(c.answer);
        ChoiceRecorder choice(c.answer);
        CWorkOrder order;
        ASSERT_TRUE(order.Load(Data("nested_units.xml"), choice.Chooser()));
        EXPECT_EQ(ManagedObjects(order), c.objects);
        EXPECT_EQ(QStringLiteral("mo:") + Attribute(order.UnitElement(), "distName"), c.objects.back());
    }
}

TEST(WorkOrderLoad, FailuresCarryTheirMessageAndReasonAndHoldNothing)
{
    struct Case {
        const char* file;
        unsigned message;
        const char* reason; // part of the detail for the log
    };
    for (const Case& c : {Case{"malformed.xml", 61289, "line "}, Case{"secret.txt", 61289, "line 1:"},
                          Case{"absent.xml", 61289, "cannot open the file"},
                          Case{"no_units.xml", 61290, "unit 1 (line 2) has no distName"},
                          Case{"unnamed_unit.xml", 61290, "has no distName"}}) {
        SCOPED_TRACE(c.file);
        PromptRecorder prompts;
        ChoiceRecorder choice(0);
        CWorkOrder order;
        ASSERT_TRUE(order.Load(Data("nested_unit.xml")));
        const WorkOrderStatus<> loaded = order.Load(Data(c.file), choice.Chooser());
        ASSERT_FALSE(loaded);
        EXPECT_EQ(loaded.Failure().messageId, c.message);
        EXPECT_TRUE(loaded.Failure().detail.contains(QLatin1String(c.reason))) << loaded.Failure().detail.toStdString();
        EXPECT_FALSE(order.IsLoaded());
        EXPECT_EQ(order.Document(), nullptr);
        QString text;
        EXPECT_FALSE(order.FindParameterText(QStringLiteral("qorName"), text));
        // The reader tells and asks nobody.
        EXPECT_TRUE(prompts.shown.empty());
        EXPECT_TRUE(choice.shown.empty());
    }
    CWorkOrder order;
    const WorkOrderStatus<> loaded = order.LoadFromBytes("<raml><managedObject class=\"BTS\" distName=\"b\"/></raml>");
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.Failure().messageId, 61290u);
    EXPECT_EQ(loaded.Failure().detail, QStringLiteral("no managedObject of class QOR"));
}

TEST(WorkOrderLoad, ADocumentTypeDeclarationIsRefusedAndNothingOutsideTheFileIsRead)
{
    // An external entity naming a local file, an external subset, and a
    // billion laughs: each file declares a document type, and each is refused
    // as unreadable before any entity is expanded.
    for (const char* file : {"xxe.xml", "laughs.xml"}) {
        CWorkOrder order;
        const WorkOrderStatus<> loaded = order.Load(Data(file));
        ASSERT_FALSE(loaded) << file;
        EXPECT_EQ(loaded.Failure().messageId, 61289u) << file;
        EXPECT_EQ(loaded.Failure().detail, QStringLiteral("declares a document type")) << file;
        EXPECT_EQ(order.Document(), nullptr) << file;
        QString text;
        EXPECT_FALSE(order.FindParameterText(QStringLiteral("qorName"), text)) << file;
    }
    // The same unit without the declaration reads as usual.
    QFile withDoctype(Data("xxe.xml"));
    ASSERT_TRUE(withDoctype.open(QIODevice::ReadOnly));
    QByteArray bytes = withDoctype.readAll();
    const qsizetype from = bytes.indexOf("<!DOCTYPE");
    const qsizetype to = bytes.indexOf("]>", from);
    ASSERT_GE(from, 0);
    ASSERT_GT(to, from);
    bytes.remove(from, to + 2 - from);
    bytes.replace("&xxe;", "").replace("&site; unit", "Kallio unit").replace("&leak;", "");
    PromptRecorder prompts;
    CWorkOrder order;
    ASSERT_TRUE(order.LoadFromBytes(bytes)) << bytes.toStdString();
    QString text;
    ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorType"), text));
    EXPECT_EQ(text, QStringLiteral("Kallio unit"));
}

TEST(OpenWorkOrder, ReplacesTheWorkOrderAndFillsTheValues)
{
    PromptRecorder prompts;
    std::unique_ptr<CWorkOrder> order;
    std::unique_ptr<WorkOrderValues> values;
    QString path;
    ASSERT_TRUE(OpenWorkOrder(Data("nested_unit.xml"), {}, order, values, path));
    ASSERT_TRUE(order && values);
    EXPECT_EQ(path, Data("nested_unit.xml"));
    EXPECT_EQ(values->unitName, QStringLiteral("Kallio QORA"));

    const WorkOrderValues* record = values.get();
    ASSERT_TRUE(OpenWorkOrder(Data("bad_numbers.xml"), {}, order, values, path));
    EXPECT_EQ(values.get(), record); // the record lives on, overwritten
    EXPECT_EQ(values->q1SpeedCode, 7);
    EXPECT_EQ(path, Data("bad_numbers.xml"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(OpenWorkOrder, FailuresLeaveNoWorkOrderAndSayWhatToTell)
{
    struct Case {
        const char* file;
        std::optional<unsigned> reading; // the reader's own message, told first
        bool valuesKept;
        const char* reason;
    };
    for (const Case& c : {Case{"missing_mask.xml", std::nullopt, false, "qorQ1Mask"},
                          Case{"malformed.xml", 61289u, true, "line "},
                          Case{"no_units.xml", 61290u, true, "has no distName"}}) {
        SCOPED_TRACE(c.file);
        std::unique_ptr<CWorkOrder> order;
        std::unique_ptr<WorkOrderValues> values;
        QString path;
        ASSERT_TRUE(OpenWorkOrder(Data("nested_unit.xml"), {}, order, values, path));
        PromptRecorder prompts;
        const auto opened = OpenWorkOrder(Data(c.file), {}, order, values, path);
        ASSERT_FALSE(opened);
        const WorkOrderOpenFailure& failure = opened.Failure();
        EXPECT_EQ(failure.reading ? std::optional<unsigned>(failure.reading->messageId) : std::nullopt, c.reading);
        EXPECT_EQ(failure.messageId, 61249u);
        EXPECT_TRUE(failure.detail.contains(QLatin1String(c.reason))) << failure.detail.toStdString();
        EXPECT_EQ(order, nullptr);
        EXPECT_EQ(values != nullptr, c.valuesKept);
        EXPECT_EQ(path, Data("nested_unit.xml"));
        EXPECT_TRUE(prompts.shown.empty());
    }
}

TEST(OpenWorkOrder, TheChooserIsAskedOnlyAmongSeveralUnitsAndBeforeTheValuesAreRead)
{
    // two_units.xml lacks most values: the choice still comes first, once.
    ChoiceRecorder choice(1);
    std::unique_ptr<CWorkOrder> order;
    std::unique_ptr<WorkOrderValues> values;
    QString path;
    const auto opened = OpenWorkOrder(Data("two_units.xml"), choice.Chooser(), order, values, path);
    EXPECT_FALSE(opened);
    EXPECT_EQ(choice.shown.size(), 1u);

    ChoiceRecorder single(0);
    ASSERT_TRUE(OpenWorkOrder(Data("nested_unit.xml"), single.Chooser(), order, values, path));
    EXPECT_TRUE(single.shown.empty());
    // A malformed file never gets as far as a choice.
    EXPECT_FALSE(OpenWorkOrder(Data("malformed.xml"), single.Chooser(), order, values, path));
    EXPECT_TRUE(single.shown.empty());
}

namespace {

QString Sample(const char* name)
{
    // The hand-written sample work orders live beside the other shared test data.
    return QStringLiteral(WORKORDER_TESTDATA "/../../data/workorders/") + QString::fromLatin1(name);
}

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Outline of a document built by the streaming parser fed in pieces of the given size.
QStringList OutlineFedInPieces(const QByteArray& xml, qsizetype piece)
{
    FilteredDocumentParser parser(CWorkOrder::MaxKeptSize);
    for (qsizetype at = 0; at < xml.size(); at += piece)
        if (!parser.Feed(xml.constData() + at, static_cast<std::size_t>(std::min(piece, xml.size() - at))))
            return {QStringLiteral("failed")};
    const XmlPtr<xmlDoc> doc = parser.Finish();
    if (!doc)
        return {QStringLiteral("failed")};
    QStringList out;
    Outline(xmlDocGetRootElement(doc.get()), out);
    return out;
}

// A managed object of another class with some parameters, as plans have by the thousand.
QByteArray OtherObject(int n)
{
    return QStringLiteral("<managedObject class=\"BTS\" distName=\"BSC-1/BCF-%1/BTS-1\">"
                          "<p name=\"cellId\">%1</p><p name=\"qorName\">not a unit</p>"
                          "<list name=\"neighbours\"><p>%2</p><p>%3</p></list></managedObject>\n")
        .arg(n)
        .arg(n + 1)
        .arg(n + 2)
        .toUtf8();
}

const QByteArray SmallUnit = "<managedObject class=\"QOR\" distName=\"u\"><p name=\"qorName\">U</p></managedObject>";

#ifdef __linux__
// A field of /proc/self/status in KiB.
qint64 StatusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}
#endif

} // namespace

TEST(WorkOrderSamples, EachLoadsTheUnitItDescribes)
{
    struct Case {
        const char* file;
        int answer;
        QStringList offered; // empty: one unit, no choice
        const char* unit;
        const char* name;
        const char* mask;
    };
    const QStringList several = {QStringLiteral("BSC-4/QOR-1"), QStringLiteral("BSC-4/QOR-2"),
                                 QStringLiteral("BSC-4/QOR-3")};
    for (const Case& c : {Case{"one_unit.xml", 0, {}, "BSC-4/QOR-1", "Espoo QORA", "255.255.255.0"},
                          Case{"several_units.xml", 2, several, "BSC-4/QOR-3", "Tampere QORA 3", "255.255.255.0"},
                          Case{"several_units.xml", 1, several, "BSC-4/QOR-2", "Tampere QORA 2", "255.255.255.0"},
                          Case{"unit_inside_object.xml", 0, {}, "BSC-4/BCF-9/QOR-1", "Oulu QORA", "255.255.0.0"},
                          Case{"namespaces_prefixed.xml", 0, {}, "BSC-4/QOR-7", "Pori QORA", "255.255.255.0"},
                          Case{"namespace_default.xml", 1, {QStringLiteral("BSC-4/QOR-NS"), QStringLiteral("BSC-4/QOR-8")},
                               "BSC-4/QOR-8", "Vaasa QORA", "255.255.255.0"}}) {
        SCOPED_TRACE(std::string(c.file) + " " + std::to_string(c.answer));
        PromptRecorder prompts;
        ChoiceRecorder choice(c.answer);
        std::unique_ptr<CWorkOrder> order;
        std::unique_ptr<WorkOrderValues> values;
        QString path;
        ASSERT_TRUE(OpenWorkOrder(Sample(c.file), choice.Chooser(), order, values, path));
        EXPECT_TRUE(prompts.shown.empty());
        if (c.offered.isEmpty())
            EXPECT_TRUE(choice.shown.empty());
        else
            EXPECT_EQ(choice.shown, std::vector<QStringList>{c.offered});
        EXPECT_EQ(Attribute(order->UnitElement(), "distName"), QLatin1String(c.unit));
        // Every other managed object went, prefixed ones and the unit in a
        // namespace that was not chosen included.
        EXPECT_EQ(ManagedObjects(*order), QStringList{QStringLiteral("mo:") + QLatin1String(c.unit)});
        EXPECT_EQ(values->unitName, QLatin1String(c.name));
        EXPECT_EQ(values->subnetMask, QLatin1String(c.mask));
        EXPECT_DOUBLE_EQ(values->antennaLatitude, 60.1693);
        EXPECT_DOUBLE_EQ(values->antennaLongitude, 24.93845);
        EXPECT_EQ(values->frameClockDelay, -45);
    }
}

TEST(WorkOrderSamples, ObjectAroundANestedUnitIsDropped)
{
    CWorkOrder order;
    ASSERT_TRUE(order.Load(Sample("unit_inside_object.xml")));
    const QStringList outline = Outline(order);
    EXPECT_FALSE(outline.contains(QStringLiteral("p:siteName")));
    EXPECT_FALSE(outline.contains(QStringLiteral("p:bcfAfterUnit")));
    EXPECT_TRUE(outline.contains(QStringLiteral("list"))); // the unit's own content stays
    EXPECT_TRUE(Named(order.UnitElement()->parent, "cmData"));
}

TEST(WorkOrderSamples, MissingParameterLoadsButOpensNothing)
{
    PromptRecorder prompts;
    CWorkOrder order;
    ASSERT_TRUE(order.Load(Sample("missing_parameter.xml")));
    EXPECT_TRUE(prompts.shown.empty());
    QString mask;
    EXPECT_FALSE(order.GetQ1Mask(mask)); // the other object's mask went with it

    std::unique_ptr<CWorkOrder> opened;
    std::unique_ptr<WorkOrderValues> values;
    QString path;
    const auto failed = OpenWorkOrder(Sample("missing_parameter.xml"), {}, opened, values, path);
    ASSERT_FALSE(failed);
    EXPECT_FALSE(failed.Failure().reading);
    EXPECT_EQ(failed.Failure().messageId, 61249u);
    EXPECT_EQ(opened, nullptr);
    EXPECT_EQ(values, nullptr);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(WorkOrderSamples, UnitsInANamespaceAndPrefixedAttributesAreUnits)
{
    // The whole document in a default namespace, and a unit whose class,
    // distName and name attributes carry a prefix.
    struct Case {
        QByteArray xml;
        const char* unit;
    };
    for (const Case& c :
         {Case{"<raml xmlns=\"urn:example:raml20\"><managedObject class=\"QOR\" distName=\"a\">"
               "<p name=\"qorName\">x</p></managedObject></raml>",
               "a"},
          Case{"<r:raml xmlns:r=\"urn:r\"><r:managedObject r:class=\"BCF\"><r:p r:name=\"qorName\">no</r:p>"
               "</r:managedObject><r:managedObject r:class=\"QOR\" r:distName=\"b\"><r:p r:name=\"qorName\">x</r:p>"
               "</r:managedObject></r:raml>",
               "b"}}) {
        SCOPED_TRACE(c.unit);
        PromptRecorder prompts;
        CWorkOrder order;
        ASSERT_TRUE(order.LoadFromBytes(c.xml));
        EXPECT_TRUE(prompts.shown.empty());
        EXPECT_EQ(ManagedObjects(order).size(), 1);
        QString text;
        ASSERT_TRUE(order.FindParameterText(QStringLiteral("qorName"), text));
        EXPECT_EQ(text, QStringLiteral("x"));
    }
    // The name shown for the choice is the distName by local name; the one in
    // no namespace wins over a prefixed one.
    ChoiceRecorder choice(0);
    CWorkOrder order;
    ASSERT_TRUE(order.LoadFromBytes("<raml xmlns:r=\"urn:r\"><managedObject class=\"QOR\" r:distName=\"prefixed\"/>"
                                    "<managedObject r:distName=\"other\" distName=\"plain\" class=\"QOR\"/></raml>",
                                    choice.Chooser()));
    EXPECT_EQ(choice.shown, (std::vector<QStringList>{{QStringLiteral("prefixed"), QStringLiteral("plain")}}));
}

TEST(WorkOrderStream, PiecesOfAnySizeBuildTheSameDocument)
{
    for (const char* name : {"several_units.xml", "namespaces_prefixed.xml", "unit_inside_object.xml"}) {
        SCOPED_TRACE(name);
        const QByteArray xml = ReadAll(Sample(name));
        ASSERT_FALSE(xml.isEmpty());
        const QStringList whole = OutlineFedInPieces(xml, xml.size());
        ASSERT_NE(whole, QStringList{QStringLiteral("failed")});
        EXPECT_EQ(OutlineFedInPieces(xml, 1), whole);
        EXPECT_EQ(OutlineFedInPieces(xml, 7), whole);
        EXPECT_EQ(OutlineFedInPieces(xml, 4096), whole);
    }
    // The same bytes from memory and from the file give the same work order.
    CWorkOrder fromFile;
    CWorkOrder fromBytes;
    ASSERT_TRUE(fromFile.Load(Sample("several_units.xml")));
    ASSERT_TRUE(fromBytes.LoadFromBytes(ReadAll(Sample("several_units.xml"))));
    EXPECT_EQ(Outline(fromBytes), Outline(fromFile));
}

TEST(WorkOrderStream, OnlyTheKeptPartCountsAgainstTheBound)
{
    QByteArray skipped;
    for (int n = 0; n < 2000; ++n)
        skipped += OtherObject(n);
    const QByteArray small = "<raml>" + skipped + SmallUnit + skipped + "</raml>";

    // The line breaks between the objects stand outside them and are kept.
    FilteredDocumentParser keeps(16384);
    ASSERT_TRUE(keeps.Feed(small.constData(), static_cast<std::size_t>(small.size())));
    EXPECT_NE(keeps.Finish(), nullptr);
    EXPECT_LT(keeps.KeptBytes(), 8192u);

    struct Case {
        const char* what;
        QByteArray xml;
    };
    const QByteArray text(32768, 'x');
    const QByteArray entities = [] {
        QByteArray dtd = "<!DOCTYPE raml [";
        for (int n = 0; n < 500; ++n)
            dtd += "<!ENTITY e" + QByteArray::number(n) + " \"some replacement text\">";
        return dtd + "]>";
    }();
    for (const Case& c :
         {Case{"long text in a unit", "<raml><managedObject class=\"QOR\" distName=\"u\"><p>" + text + "</p></managedObject></raml>"},
          Case{"long text outside objects", "<raml><note>" + text + "</note>" + SmallUnit + "</raml>"},
          Case{"many elements", "<raml>" + QByteArray("<a/>").repeated(200) + SmallUnit + "</raml>"}}) {
        SCOPED_TRACE(c.what);
        FilteredDocumentParser bounded(16384);
        bounded.Feed(c.xml.constData(), static_cast<std::size_t>(c.xml.size()));
        EXPECT_EQ(bounded.Finish(), nullptr);
        EXPECT_TRUE(bounded.OverBound());
        EXPECT_EQ(bounded.FailureReason(), "keeps more than 16384 bytes of units and surroundings");

        FilteredDocumentParser roomy(1024 * 1024);
        ASSERT_TRUE(roomy.Feed(c.xml.constData(), static_cast<std::size_t>(c.xml.size())));
        EXPECT_NE(roomy.Finish(), nullptr);
    }
    // Declarations are refused whatever room there is: a work order has no document type.
    for (const Case& c :
         {Case{"declarations", entities + "<raml>" + SmallUnit + "</raml>"},
          Case{"an entity's text", "<!DOCTYPE raml [<!ENTITY big \"" + text + "\">]><raml>"
                                       "<managedObject class=\"BCF\"><p>&big;</p></managedObject>" + SmallUnit + "</raml>"}}) {
        SCOPED_TRACE(c.what);
        FilteredDocumentParser roomy(1024 * 1024);
        roomy.Feed(c.xml.constData(), static_cast<std::size_t>(c.xml.size()));
        EXPECT_EQ(roomy.Finish(), nullptr);
        EXPECT_FALSE(roomy.OverBound());
    }
}

TEST(WorkOrderStream, AnEntityDeclarationIsRefusedEvenWhenOnlyUsedInADroppedObject)
{
    CWorkOrder order;
    const WorkOrderStatus<> loaded = order.LoadFromBytes("<!DOCTYPE raml [<!ENTITY site \"Kallio\">]><raml>"
                                     "<managedObject class=\"BCF\"><p name=\"x\">&site;</p></managedObject>"
                                     "<managedObject class=\"QOR\" distName=\"u\"><p name=\"qorName\">unit</p>"
                                     "</managedObject></raml>");
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.Failure().messageId, 61289u);
    EXPECT_FALSE(order.IsLoaded());
}

TEST(WorkOrderStream, KeepingMoreThanTheBoundIsAParseFailure)
{
    CWorkOrder order;
    const QByteArray xml = "<raml><managedObject class=\"QOR\" distName=\"u\"><p name=\"qorName\">"
        + QByteArray(qsizetype(CWorkOrder::MaxKeptSize), 'x') + "</p></managedObject></raml>";
    const WorkOrderStatus<> loaded = order.LoadFromBytes(xml);
    ASSERT_FALSE(loaded);
    EXPECT_EQ(loaded.Failure().messageId, 61289u);
    EXPECT_FALSE(loaded.Failure().detail.isEmpty()); // libxml2's own limit on one text may come first
    EXPECT_FALSE(order.IsLoaded());
}

TEST(WorkOrderStream, LargeFileIsReadInBoundedMemory)
{
    // Well past the size the reader once refused; only the unit is built.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("large.xml"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<?xml version=\"1.0\"?>\n<raml><cmData>\n");
        qint64 written = 0;
        for (int n = 0; written < 40 * 1024 * 1024; ++n) {
            const QByteArray object = OtherObject(n);
            file.write(object);
            written += object.size();
        }
        file.write(SmallUnit + "\n</cmData></raml>\n");
    }
#ifdef __linux__
    // Forget the peak of earlier tests in this process ("5" resets VmHWM).
    if (QFile refs(QStringLiteral("/proc/self/clear_refs")); refs.open(QIODevice::WriteOnly))
        refs.write("5");
    const qint64 residentBefore = StatusKiB("VmRSS:");
#endif
    PromptRecorder prompts;
    CWorkOrder order;
    ASSERT_TRUE(order.Load(path));
    EXPECT_EQ(ManagedObjects(order), QStringList{QStringLiteral("mo:u")});
#ifdef __linux__
    const qint64 peak = StatusKiB("VmHWM:");
    ASSERT_GT(residentBefore, 0);
    EXPECT_LT(peak - residentBefore, 8 * 1024) << "KiB above the resident size before the load";
#endif
}
