#pragma once
// Helpers of the report tests: loading a sample work order, reading
// parameters back, and outlining a saved file element by element.

#include "commissioning/WorkOrder.h"
#include "commissioning/XmlPtr.h"
#include "commissioning/report/CommissionReport.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace report_test {

inline QString Data(const char* name)
{
    return QStringLiteral(REPORT_TESTDATA "/") + QString::fromLatin1(name);
}

inline QString OrderData(const char* name)
{
    return QStringLiteral(WORKORDER_TESTDATA "/") + QString::fromLatin1(name);
}

inline std::unique_ptr<CWorkOrder> LoadOrder(const QString& path, const UnitChooser& choose = {})
{
    auto order = std::make_unique<CWorkOrder>();
    EXPECT_TRUE(order->Load(path, choose)) << path.toStdString();
    return order;
}

inline QString Text(xmlNodePtr node)
{
    const XmlPtr<xmlChar> content(xmlNodeGetContent(node));
    return content ? QString::fromUtf8(reinterpret_cast<const char*>(content.get())) : QString();
}

inline QString Attribute(xmlNodePtr node, const char* name)
{
    const XmlPtr<xmlChar> value(xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name)));
    return value ? QString::fromUtf8(reinterpret_cast<const char*>(value.get())) : QString();
}

inline bool IsElement(xmlNodePtr node, const char* name)
{
    return node->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(node->name), name) == 0;
}

// Every p element below the node named so, in document order.
inline void CollectParameters(xmlNodePtr node, const QString& name, std::vector<xmlNodePtr>& out)
{
    for (xmlNodePtr child = node->children; child; child = child->next) {
        if (IsElement(child, "p") && Attribute(child, "name") == name)
            out.push_back(child);
        CollectParameters(child, name, out);
    }
}

inline std::vector<xmlNodePtr> Parameters(const CWorkOrder& order, const QString& name)
{
    std::vector<xmlNodePtr> out;
    CollectParameters(order.UnitElement(), name, out);
    return out;
}

inline QString Parameter(const CWorkOrder& order, const char* name)
{
    QString text;
    EXPECT_TRUE(order.FindParameterText(QString::fromLatin1(name), text)) << name;
    return text;
}

// The names of the p elements that are the unit element's own children.
inline QStringList DirectParameterNames(const CWorkOrder& order)
{
    QStringList names;
    for (xmlNodePtr child = order.UnitElement()->children; child; child = child->next)
        if (IsElement(child, "p"))
            names << Attribute(child, "name");
    return names;
}

// One line per element: its path, its attributes in order of name, and its
// own text unless that is only layout white space.
inline void Outline(xmlNodePtr node, const QString& parentPath, QStringList& out)
{
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        const QString path = parentPath + u'/' + QString::fromUtf8(reinterpret_cast<const char*>(node->name));
        QStringList attributes;
        for (xmlAttrPtr a = node->properties; a; a = a->next)
            attributes << QString::fromUtf8(reinterpret_cast<const char*>(a->name)) + u'=' + Attribute(node, reinterpret_cast<const char*>(a->name));
        std::sort(attributes.begin(), attributes.end());
        QString own;
        for (xmlNodePtr child = node->children; child; child = child->next)
            if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE)
                own += QString::fromUtf8(reinterpret_cast<const char*>(child->content));
        if (own.trimmed().isEmpty() && own.size() > 0 && node->children && node->children->next)
            own.clear(); // indentation between child elements
        out << path + u'[' + attributes.join(u',') + u']' + u'|' + own + u'|';
        Outline(node->children, path, out);
    }
}

// The outline of a file as libxml2 reads it; fails the test when the file is
// not well-formed.
inline QStringList OutlineOfFile(const QString& path)
{
    QStringList out;
    const QByteArray name = QFile::encodeName(path);
    const XmlPtr<xmlDoc> doc(
        xmlReadFile(name.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    EXPECT_NE(doc, nullptr) << path.toStdString() << " is not well-formed";
    if (!doc)
        return out;
    Outline(xmlDocGetRootElement(doc.get()), QString(), out);
    return out;
}

inline QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The values of the report document test: a run on report_order.xml.
inline SCommissionValues SampleValues()
{
    SCommissionValues v;
    v.latitude = 601693000 / 10000000.0;
    v.longitude = -249384500 / 10000000.0;
    v.altitudeCm = 2360;
    v.selfSurvey = true;
    v.positionLocked = false;
    v.gpsAntennaDelayNs = 130;
    v.frameClockDelayNs = 50;
    v.onePps = false;
    v.q1Address = 14;
    v.q1SpeedCode = 4;
    v.ipAddress = QStringLiteral("10.1.2.7");
    v.gatewayAddress = QStringLiteral("10.1.2.1");
    v.subnetMask = QStringLiteral("255.255.255.0");
    v.q1Relay = true;
    v.userName = QStringLiteral("Mikko Installer");
    v.actions = QStringLiteral("Antenna & cable <checked>");
    v.comments = QStringLiteral("Mast 2, \"east\" side");
    v.year = 2009;
    v.month = 3;
    v.day = 7;
    return v;
}

inline SReportStatus SampleStatus()
{
    SReportStatus s;
    s.position = {60.16931234, -24.93845671, 23.456};
    s.installation.selfTestCode = 1;
    s.installation.clockOutputCode = 4;
    s.installation.clockStateCode = 9;
    s.installation.q1Transmission = QStringLiteral("OK");
    s.installation.q1Time = QStringLiteral("?");
    s.installation.gpsFix = QStringLiteral("3D");
    s.constellationVerdict = 1;
    return s;
}

inline QDateTime SampleTime()
{
    return QDateTime(QDate(2009, 3, 7), QTime(14, 5, 9));
}

} // namespace report_test
