// The commissioning report: a work order document read from fuzzed bytes,
// the outcome of a run written into it with the installer's (fuzzed) texts,
// and the document saved to a file.
//
// Input: an option byte (bit 0: the run succeeded; bits 1 to 3: the unit
// picked when several are offered), a record with the installer's name, a
// record with the comments, then the work order's bytes.
//
// Checks: the saved file parses back as XML, holds exactly one unit, and its
// installer's name reads back as written.

#include "FuzzSupport.h"

#include "commissioning/WorkOrder.h"
#include "commissioning/report/CommissionReport.h"
#include "commissioning/XmlPtr.h"
#include "commissioning/report/WorkOrderWriter.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>


namespace {

const QString& SavePath()
{
    static QTemporaryDir* dir = [] {
        auto* made = new QTemporaryDir;
        FUZZ_CHECK(made->isValid());
        return made;
    }();
    static const QString path = dir->filePath(QStringLiteral("report.xml"));
    return path;
}

void Setup()
{
    fuzz::EnsureApplication();
    fuzz::SilencePrompts();
    (void)SavePath();
}

QString Text(std::span<const std::uint8_t> bytes)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
}

struct XPathResult {
    XmlPtr<xmlXPathContext> context;
    XmlPtr<xmlXPathObject> object;
    [[nodiscard]] int Count() const { return object && object->nodesetval ? object->nodesetval->nodeNr : 0; }
    [[nodiscard]] xmlNodePtr At(int i) const { return object->nodesetval->nodeTab[i]; }
};

void Evaluate(xmlDocPtr doc, const char* expression, XPathResult& result)
{
    result.context.reset(xmlXPathNewContext(doc));
    FUZZ_CHECK(result.context);
    result.object.reset(xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression), result.context.get()));
    FUZZ_CHECK(result.object);
}

// Parses the saved report back and checks what it holds.
void CheckSaved(const QString& expectedUser)
{
    const QByteArray path = SavePath().toLocal8Bit();
    const XmlPtr<xmlDoc> doc(
        xmlReadFile(path.constData(), nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    FUZZ_CHECK(doc);
    XPathResult units;
    // Units and parameters go by local name, in whatever namespace the work
    // order put them.
    Evaluate(doc.get(), "//*[local-name() = \"managedObject\"][@*[local-name() = \"class\"] = \"QOR\"]", units);
    FUZZ_CHECK(units.Count() == 1);
    XPathResult user;
    Evaluate(doc.get(),
             "(//*[local-name() = \"managedObject\"][@*[local-name() = \"class\"] = \"QOR\"]"
             "//*[local-name() = \"p\"][@*[local-name() = \"name\"] = \"installUser\"])[1]",
             user);
    FUZZ_CHECK(user.Count() == 1);
    const XmlPtr<xmlChar> content(xmlNodeGetContent(user.At(0)));
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(content.get()));
    FUZZ_CHECK(text == expectedUser);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = (Setup(), true);
    (void)ready;
    fuzz::InputReader input({data, size});
    const std::uint8_t options = input.Byte();
    const int choice = (options >> 1) & 7;
    SCommissionValues values;
    values.userName = Text(input.Record());
    values.comments = Text(input.Record());
    values.actions = QStringLiteral("Antenna cable replaced");
    const auto bytes = input.Rest();

    CWorkOrder workOrder;
    if (!workOrder.LoadFromBytes(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size())),
                                 [choice](const QStringList&) { return choice; }))
        return 0;
    SReportStatus status;
    status.position = {60.1699, 24.9384, 15.2};
    status.installation.q1Transmission = values.comments.left(8);
    status.constellationVerdict = options >> 4;
    RecordResult(workOrder, values, (options & 1) != 0, status,
                 QDateTime(QDate(2009, 3, 5), QTime(14, 30), Qt::UTC));
    const WorkOrderSaveResult saved = SaveWorkOrder(workOrder, SavePath());
    FUZZ_CHECK(saved.saved);
    CheckSaved(XmlSafeText(values.userName));
    return 0;
}
