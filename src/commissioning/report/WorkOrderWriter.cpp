#include "commissioning/report/WorkOrderWriter.h"

#include "commissioning/XmlPtr.h"

#include <QSaveFile>

#include <libxml/xmlsave.h>

#include <cmath>

namespace {
const xmlChar* Xml(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

bool ReplaceText(xmlNodePtr element, const QString& text)
{
    const QByteArray utf8 = XmlSafeText(text).toUtf8();
    // A text node takes the characters literally: "&" or "<" in an installer's
    // comment is kept as typed, never read as markup.
    XmlPtr<xmlNode> node(xmlNewDocTextLen(element->doc, Xml(utf8.constData()), static_cast<int>(utf8.size())));
    if (!node)
        return false;
    while (xmlNodePtr child = element->children) {
        xmlUnlinkNode(child);
        const XmlPtr<xmlNode> old(child);
    }
    if (!xmlAddChild(element, node.get()))
        return false;
    (void)node.release(); // the element holds it now
    return true;
}
} // namespace

QString XmlSafeText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c)) {
            if (i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                out += text[i];
                out += text[++i];
            }
            continue;
        }
        if (QChar::isLowSurrogate(c))
            continue;
        if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r')
            continue;
        if (c == 0xFFFE || c == 0xFFFF)
            continue;
        out += text[i];
    }
    return out;
}

xmlNodePtr FindParameterElement(const CWorkOrder& workOrder, const QString& name)
{
    if (name.contains(u'"'))
        return nullptr;
    return workOrder.FindParameterElement(name);
}

bool SetParameterText(CWorkOrder& workOrder, const QString& name, const QString& text)
{
    xmlNodePtr unit = workOrder.UnitElement();
    if (!unit || name.isEmpty() || name.contains(u'"'))
        return false;
    if (xmlNodePtr element = FindParameterElement(workOrder, name))
        return ReplaceText(element, text);

    // A new parameter lives in the unit's namespace (its prefix, or the
    // default namespace in scope), as the work order's own parameters do.
    XmlPtr<xmlNode> element(xmlNewDocNode(unit->doc, unit->ns, Xml("p"), nullptr));
    if (!element)
        return false;
    const QByteArray utf8Name = name.toUtf8();
    if (!xmlNewProp(element.get(), Xml("name"), Xml(utf8Name.constData())) || !ReplaceText(element.get(), text))
        return false;
    if (!xmlAddChild(unit, element.get()))
        return false;
    (void)element.release(); // the unit holds it now
    return true;
}

bool SetParameterInt(CWorkOrder& workOrder, const QString& name, std::int32_t value)
{
    return SetParameterText(workOrder, name, QString::asprintf("%d", value));
}

bool SetParameterReal(CWorkOrder& workOrder, const QString& name, double value, int precision)
{
    if (!std::isfinite(value) || precision < 0 || precision > 17)
        return false;
    return SetParameterText(workOrder, name, QString::asprintf("%.*f", precision, value));
}

WorkOrderSaveResult SaveWorkOrder(const CWorkOrder& workOrder, const QString& path)
{
    WorkOrderSaveResult result;
    xmlDocPtr doc = workOrder.Document();
    if (!doc) {
        result.error = QStringLiteral("There is no work order to save.");
        return result;
    }
    xmlChar* dumped = nullptr;
    int size = 0;
    // Indented where the document has no text between elements of its own.
    xmlDocDumpFormatMemoryEnc(doc, &dumped, &size, "UTF-8", 1);
    const XmlPtr<xmlChar> bytes(dumped);
    if (!bytes || size <= 0) {
        result.error = QStringLiteral("The document could not be serialised.");
        return result;
    }
    const QByteArray content(reinterpret_cast<const char*>(bytes.get()), size);

    // Unbuffered, so that a write the disk cuts short shows at once: a buffered
    // QSaveFile can commit a file truncated at its final flush.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.error = file.errorString();
        return result;
    }
    const qint64 written = file.write(content);
    if (written != content.size()) {
        result.error = written < 0
            ? file.errorString()
            : QStringLiteral("Only %1 of %2 bytes could be written.").arg(written).arg(content.size());
        file.cancelWriting();
        return result;
    }
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    result.saved = true;
    return result;
}
