// Results written into the work order document: where each parameter goes,
// what text it gets, and the saved file as libxml2 reads it back.

#include "commissioning/report/CommissionReport.h"
#include "commissioning/report/WorkOrderWriter.h"
#include "commissioning/report/ReportTestSupport.h"
#include "support/PromptRecorder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace report_test;

namespace {
const QStringList kWrittenInOrder = {
    QStringLiteral("installStatus"), QStringLiteral("installDateTime"), QStringLiteral("installUser"),
    QStringLiteral("installActions"), QStringLiteral("installComments"), QStringLiteral("installSelfTest"),
    QStringLiteral("installGPSFix"), QStringLiteral("installClockOutput"), QStringLiteral("installClockState"),
    QStringLiteral("installQ1Transmission"), QStringLiteral("installQ1Time"),
    QStringLiteral("qorMeasuredLatitudeLocation"), QStringLiteral("qorMeasuredLongitudeLocation"),
    QStringLiteral("qorMeasuredAltitudeLocation"), QStringLiteral("GPSConstellation"), QStringLiteral("qorBtsFrDelay"),
    QStringLiteral("qorBtsGpsDelay"), QStringLiteral("qorGPSAntennaAltitude"),
    QStringLiteral("qorGPSAntennaLatitudeLocation"), QStringLiteral("qorGPSAntennaLongitudeLocation"),
    QStringLiteral("qorGPSMode"), QStringLiteral("qorQ1Address"), QStringLiteral("qorQ1Speed"),
    QStringLiteral("qorQ1Relay"), QStringLiteral("qorONEPPSmode"), QStringLiteral("qorQ1IP"),
    QStringLiteral("qorQ1GW"), QStringLiteral("qorQ1Mask")};
} // namespace

TEST(ReportDocument, MissingParametersAreAppendedUnderTheUnitInWritingOrder)
{
    PromptRecorder prompts;
    // The nested sample holds the fourteen work order values but no results.
    auto order = LoadOrder(OrderData("nested_unit.xml"));
    QStringList missing;
    for (const QString& name : kWrittenInOrder)
        if (!FindParameterElement(*order, name))
            missing << name;
    ASSERT_TRUE(missing.contains(QStringLiteral("installStatus")));
    const qsizetype before = DirectParameterNames(*order).size();

    RecordResult(*order, SampleValues(), true, SampleStatus(), SampleTime());

    // Exactly the missing ones were added, after everything the unit held.
    const QStringList after = DirectParameterNames(*order);
    EXPECT_EQ(after.size(), before + missing.size());
    EXPECT_EQ(after.mid(before), missing);

    const auto status = Parameters(*order, QStringLiteral("installStatus"));
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0]->parent, order->UnitElement());
    EXPECT_EQ(Text(status[0]), QStringLiteral("Commissioning was successful"));
    EXPECT_TRUE(prompts.shown.empty());
}

TEST(ReportDocument, ParametersInNestedListsAreReplacedWhereTheyStand)
{
    auto order = LoadOrder(Data("report_order.xml"));
    xmlNodePtr nestedIp = FindParameterElement(*order, QStringLiteral("qorQ1IP"));
    ASSERT_NE(nestedIp, nullptr);
    ASSERT_NE(nestedIp->parent, order->UnitElement());

    RecordResult(*order, SampleValues(), false, SampleStatus(), SampleTime());

    const auto ips = Parameters(*order, QStringLiteral("qorQ1IP"));
    ASSERT_EQ(ips.size(), 1u);
    EXPECT_EQ(ips[0], nestedIp);
    EXPECT_EQ(Text(ips[0]), QStringLiteral("10.1.2.7"));
    // Every parameter written exists exactly once, whether it was there or not.
    for (const QString& name : kWrittenInOrder)
        EXPECT_EQ(Parameters(*order, name).size(), 1u) << name.toStdString();
    EXPECT_EQ(Parameter(*order, "installStatus"), QStringLiteral("Commissioning failed"));
}

TEST(ReportDocument, ASecondRunOverwritesTheSameElements)
{
    auto order = LoadOrder(Data("report_order.xml"));
    SCommissionValues values = SampleValues();
    RecordResult(*order, values, false, SampleStatus(), SampleTime());
    const int elements = static_cast<int>(xmlChildElementCount(order->UnitElement()));

    values.q1Address = 77;
    values.positionLocked = true;
    values.onePps = true;
    values.q1Relay = false;
    SReportStatus status = SampleStatus();
    status.installation.clockStateCode = 7;
    status.installation.gpsFix = QStringLiteral("?");
    status.constellationVerdict = 255;
    RecordResult(*order, values, true, status, SampleTime().addSecs(61));

    EXPECT_EQ(static_cast<int>(xmlChildElementCount(order->UnitElement())), elements);
    EXPECT_EQ(Parameter(*order, "installStatus"), QStringLiteral("Commissioning was successful"));
    EXPECT_EQ(Parameter(*order, "installDateTime"), QStringLiteral("2009-03-07T14:06:10"));
    EXPECT_EQ(Parameter(*order, "qorQ1Address"), QStringLiteral("77"));
    EXPECT_EQ(Parameter(*order, "qorGPSMode"), QStringLiteral("Locked"));
    EXPECT_EQ(Parameter(*order, "qorONEPPSmode"), QStringLiteral("YES"));
    EXPECT_EQ(Parameter(*order, "qorQ1Relay"), QStringLiteral("NO"));
    EXPECT_EQ(Parameter(*order, "installClockState"), QStringLiteral("Undefined"));
    EXPECT_EQ(Parameter(*order, "installGPSFix"), QStringLiteral("Undefined"));
    EXPECT_EQ(Parameter(*order, "GPSConstellation"), QStringLiteral("Initializing     "));
}

TEST(ReportDocument, ARemoteRunRecordsEmptyAddressesAndTheyReadBackEmpty)
{
    // A run without a Q1 page sent no addresses; the report says so rather
    // than keeping the work order's planned ones or making some up.
    SCommissionValues values = SampleValues();
    values.ipAddress.clear();
    values.gatewayAddress.clear();
    values.subnetMask.clear();
    // One work order that plans all three addresses, one without a mask.
    for (const QString& path : {Data("report_order.xml"), OrderData("missing_mask.xml")}) {
        SCOPED_TRACE(path.toStdString());
        auto order = LoadOrder(path);
        RecordResult(*order, values, true, SampleStatus(), SampleTime());
        for (const char* name : {"qorQ1IP", "qorQ1GW", "qorQ1Mask"}) {
            EXPECT_EQ(Parameters(*order, QString::fromLatin1(name)).size(), 1u) << name;
            EXPECT_EQ(Parameter(*order, name), QString()) << name;
        }
        EXPECT_EQ(Parameter(*order, "qorQ1Address"), QStringLiteral("14"));

        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("remote.xml"));
        ASSERT_TRUE(SaveWorkOrder(*order, path).saved);
        auto reread = LoadOrder(path);
        for (const char* name : {"qorQ1IP", "qorQ1GW", "qorQ1Mask"}) {
            EXPECT_EQ(Parameters(*reread, QString::fromLatin1(name)).size(), 1u) << name;
            EXPECT_EQ(Parameter(*reread, name), QString()) << name;
        }
    }
}

TEST(ReportDocument, SetterTextIsTakenLiterally)
{
    auto order = LoadOrder(Data("report_order.xml"));
    // Markup characters and entity-like text stay text; characters XML cannot
    // hold are left out so that the saved report stays readable.
    EXPECT_TRUE(SetParameterText(*order, QStringLiteral("installComments"),
                                 QStringLiteral("a &amp; b <p name=\"x\"/> &#1; \x01tab\there\nline")));
    EXPECT_EQ(Parameter(*order, "installComments"),
              QStringLiteral("a &amp; b <p name=\"x\"/> &#1; tab\there\nline"));
    EXPECT_EQ(Parameters(*order, QStringLiteral("x")).size(), 0u);

    EXPECT_TRUE(SetParameterReal(*order, QStringLiteral("ratio"), 2.5, 2));
    EXPECT_EQ(Parameter(*order, "ratio"), QStringLiteral("2.50"));
    EXPECT_TRUE(SetParameterInt(*order, QStringLiteral("count"), -2147483647 - 1));
    EXPECT_EQ(Parameter(*order, "count"), QStringLiteral("-2147483648"));
    EXPECT_FALSE(SetParameterText(*order, QStringLiteral("bad\"name"), QStringLiteral("x")));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("special.xml"));
    ASSERT_TRUE(SaveWorkOrder(*order, path).saved);
    auto reread = LoadOrder(path);
    EXPECT_EQ(Parameter(*reread, "installComments"),
              QStringLiteral("a &amp; b <p name=\"x\"/> &#1; tab\there\nline"));
}

TEST(ReportDocument, XmlSafeTextKeepsWhatXmlCanHold)
{
    const QString pair = QString::fromUtf16(u"\U0001F600");
    EXPECT_EQ(XmlSafeText(QStringLiteral("plain ÄÖ")), QStringLiteral("plain ÄÖ"));
    EXPECT_EQ(XmlSafeText(pair), pair);
    EXPECT_EQ(XmlSafeText(QString(QChar(0xD800)) + u'a' + QChar(0xDC00)), QStringLiteral("a"));
    EXPECT_EQ(XmlSafeText(QString(QChar(0)) + u'b' + QChar(0x1F) + QChar(0xFFFE)), QStringLiteral("b"));
}

TEST(ReportDocument, WithoutAUnitNothingIsWritten)
{
    CWorkOrder empty;
    EXPECT_FALSE(SetParameterText(empty, QStringLiteral("installStatus"), QStringLiteral("x")));
    EXPECT_EQ(FindParameterElement(empty, QStringLiteral("installStatus")), nullptr);
    RecordResult(empty, SampleValues(), true, SampleStatus(), SampleTime()); // must not crash
    QTemporaryDir dir;
    EXPECT_FALSE(SaveWorkOrder(empty, dir.filePath(QStringLiteral("none.xml"))).saved);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("none.xml"))));
}

TEST(ReportDocument, SavedReportMatchesTheHandWrittenExpectation)
{
    auto order = LoadOrder(Data("report_order.xml"));
    RecordResult(*order, SampleValues(), true, SampleStatus(), SampleTime());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.xml"));
    const WorkOrderSaveResult result = SaveWorkOrder(*order, path);
    ASSERT_TRUE(result.saved) << result.error.toStdString();

    const QStringList saved = OutlineOfFile(path);
    const QStringList expected = OutlineOfFile(Data("report_expected.xml"));
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_EQ(saved.size(), expected.size());
    for (qsizetype i = 0; i < std::min(saved.size(), expected.size()); ++i)
        EXPECT_EQ(saved[i].toStdString(), expected[i].toStdString()) << "element " << i;

    // The saved report is a work order again, with the commissioned values.
    auto reread = LoadOrder(path);
    WorkOrderValues values;
    ASSERT_TRUE(ReadWorkOrderValues(*reread, values));
    EXPECT_EQ(values.ipAddress, QStringLiteral("10.1.2.7"));
    EXPECT_EQ(values.q1Address, 14);
    EXPECT_DOUBLE_EQ(values.antennaLatitude, 60.1693);
    // A work order without namespaces gets none.
    EXPECT_FALSE(FileBytes(path).contains("xmlns"));
}

TEST(ReportDocument, ExportsInANamespaceGetTheirResultsInTheUnitsNamespace)
{
    struct Case {
        const char* file;
        const char* element; // how a parameter the report adds is written
        const char* declaration;
    };
    for (const Case& c : {Case{"export_default_namespace.xml", "<p name=", "xmlns=\"raml20.xsd\""},
                          Case{"export_prefixed.xml", "<r:p name=", "xmlns:r=\"raml20.xsd\""}}) {
        SCOPED_TRACE(c.file);
        PromptRecorder prompts;
        auto order = LoadOrder(OrderData(c.file), [](const QStringList&) { return 1; });
        xmlNodePtr unit = order->UnitElement();
        ASSERT_NE(unit, nullptr);
        ASSERT_NE(unit->ns, nullptr);
        xmlNodePtr status = FindParameterElement(*order, QStringLiteral("installStatus"));
        xmlNodePtr ip = FindParameterElement(*order, QStringLiteral("qorQ1IP"));
        ASSERT_NE(status, nullptr);
        ASSERT_NE(ip, nullptr);
        ASSERT_NE(ip->parent, unit); // in the unit's list
        const QStringList before = DirectParameterNames(*order);

        RecordResult(*order, SampleValues(), true, SampleStatus(), SampleTime());

        // Present ones are replaced where they stand, missing ones appended
        // under the unit in its namespace; each exists once.
        EXPECT_EQ(FindParameterElement(*order, QStringLiteral("installStatus")), status);
        EXPECT_EQ(Text(status), QStringLiteral("Commissioning was successful"));
        EXPECT_EQ(FindParameterElement(*order, QStringLiteral("qorQ1IP")), ip);
        EXPECT_EQ(Text(ip), QStringLiteral("10.1.2.7"));
        for (const QString& name : kWrittenInOrder) {
            const auto found = Parameters(*order, name);
            ASSERT_EQ(found.size(), 1u) << name.toStdString();
            EXPECT_EQ(found[0]->ns, unit->ns) << name.toStdString();
        }
        const QStringList after = DirectParameterNames(*order);
        EXPECT_EQ(after.mid(0, before.size()), before);
        EXPECT_EQ(after.mid(before.size()).first(), QStringLiteral("installDateTime"));

        // Saved, the document keeps its one declaration and the new elements
        // are written as the work order's own.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.xml"));
        ASSERT_TRUE(SaveWorkOrder(*order, path).saved);
        const QByteArray bytes = FileBytes(path);
        EXPECT_EQ(bytes.count("xmlns"), 1) << bytes.constData();
        EXPECT_TRUE(bytes.contains(c.declaration));
        EXPECT_TRUE(bytes.contains(QByteArray(c.element) + "\"installUser\">Mikko Installer<")) << bytes.constData();

        // Read again, it is the same kind of work order, its results in the
        // document's namespace.
        const XmlPtr<xmlDoc> saved(xmlReadFile(QFile::encodeName(path).constData(), nullptr,
                                               XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
        ASSERT_NE(saved, nullptr);
        std::vector<xmlNodePtr> users;
        CollectParameters(xmlDocGetRootElement(saved.get()), QStringLiteral("installUser"), users);
        ASSERT_EQ(users.size(), 1u);
        ASSERT_NE(users[0]->ns, nullptr);
        EXPECT_STREQ(reinterpret_cast<const char*>(users[0]->ns->href), "raml20.xsd");

        auto reread = LoadOrder(path);
        WorkOrderValues values;
        ASSERT_TRUE(ReadWorkOrderValues(*reread, values));
        EXPECT_EQ(values.unitName, QStringLiteral("Turku QORA 2"));
        EXPECT_EQ(values.ipAddress, QStringLiteral("10.1.2.7"));
        EXPECT_EQ(values.q1Address, 14);
        EXPECT_EQ(Parameter(*reread, "installStatus"), QStringLiteral("Commissioning was successful"));
        EXPECT_TRUE(prompts.shown.empty());
    }
}
