#include "rks/RksNodeDirectory.h"

#include "protocol/Connection.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>
#include <QSettings>
#include <QtGlobal>

#include <cmath>
#include <initializer_list>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

QString Quoted(const QString& text)
{
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// "line 3, column 14" of a byte offset, for the JSON parser's complaints.
QString PlaceOf(const QByteArray& text, qsizetype offset)
{
    offset = qBound<qsizetype>(0, offset, text.size());
    qsizetype line = 1, lineStart = 0;
    for (qsizetype i = 0; i < offset; ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    return QStringLiteral("line %1, column %2").arg(line).arg(offset - lineStart + 1);
}

// Walks the parsed JSON into groups and nodes, stopping at the first fault.
class CReader {
public:
    bool Read(const QJsonObject& top, RksNodeGroup& root, std::size_t& nodeCount, QString& error)
    {
        if (!ReadGroup(top, QString(), 0, root)) {
            error = error_;
            return false;
        }
        nodeCount = nodes_;
        return true;
    }

private:
    bool Fail(const QString& where, const QString& what)
    {
        error_ = where.isEmpty() ? what : where + QStringLiteral(": ") + what;
        return false;
    }

    // Every key must be one of `known`: a misspelt key would otherwise drop
    // its content without a word.
    bool OnlyKnownKeys(const QJsonObject& object, const QString& where, std::initializer_list<const char*> known)
    {
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool found = false;
            for (const char* key : known)
                found = found || it.key() == QLatin1String(key);
            if (!found)
                return Fail(where, QStringLiteral("unknown key %1").arg(Quoted(it.key())));
        }
        return true;
    }

    bool ReadComment(const QJsonObject& object, const QString& where)
    {
        const QJsonValue comment = object.value(QLatin1String("comment"));
        if (!comment.isUndefined() && !comment.isString())
            return Fail(where, QStringLiteral("\"comment\" must be a text"));
        return true;
    }

    bool ReadName(const QJsonObject& object, const QString& where, std::string& name)
    {
        const QJsonValue value = object.value(QLatin1String("name"));
        if (value.isUndefined())
            return Fail(where, QStringLiteral("\"name\" is missing"));
        if (!value.isString())
            return Fail(where, QStringLiteral("\"name\" must be a text"));
        const QString text = value.toString();
        if (text.isEmpty())
            return Fail(where, QStringLiteral("\"name\" is empty"));
        if (text.size() > kRksNameMaxChars)
            return Fail(where, QStringLiteral("\"name\" is longer than %1 characters").arg(kRksNameMaxChars));
        for (const QChar c : text) {
            if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
                return Fail(where, QStringLiteral("\"name\" holds a control character"));
        }
        if (text.trimmed() != text)
            return Fail(where, QStringLiteral("\"name\" begins or ends with a blank"));
        name = text.toStdString();
        return true;
    }

    bool ReadGroup(const QJsonObject& object, const QString& where, int depth, RksNodeGroup& group)
    {
        const bool top = depth == 0;
        if (top) {
            if (!OnlyKnownKeys(object, where, {"version", "comment", "groups", "nodes"}))
                return false;
            const QJsonValue version = object.value(QLatin1String("version"));
            if (!version.isUndefined() && !(version.isDouble() && version.toDouble() == 1.0))
                return Fail(where, QStringLiteral("\"version\" must be 1, the only version this reader knows"));
        } else {
            if (!OnlyKnownKeys(object, where, {"name", "comment", "groups", "nodes"})
                || !ReadName(object, where, group.name))
                return false;
        }
        if (!ReadComment(object, where))
            return false;
        const QString named = top ? where : where + QStringLiteral(" (%1)").arg(Quoted(QString::fromStdString(group.name)));
        const QString prefix = top ? QString() : where + QLatin1Char('.');

        const QJsonValue groups = object.value(QLatin1String("groups"));
        if (!groups.isUndefined()) {
            if (!groups.isArray())
                return Fail(named, QStringLiteral("\"groups\" must be a list"));
            if (depth >= kRksDirectoryMaxDepth)
                return Fail(named, QStringLiteral("groups nest deeper than %1 levels").arg(kRksDirectoryMaxDepth));
            const QJsonArray list = groups.toArray();
            for (qsizetype i = 0; i < list.size(); ++i) {
                const QString at = prefix + QStringLiteral("groups[%1]").arg(i);
                if (!list[i].isObject())
                    return Fail(at, QStringLiteral("a group must be an object"));
                if (++groups_ > kRksDirectoryMaxGroups)
                    return Fail(at, QStringLiteral("more than %1 groups").arg(kRksDirectoryMaxGroups));
                group.groups.emplace_back();
                if (!ReadGroup(list[i].toObject(), at, depth + 1, group.groups.back()))
                    return false;
            }
        }

        const QJsonValue nodes = object.value(QLatin1String("nodes"));
        if (!nodes.isUndefined()) {
            if (!nodes.isArray())
                return Fail(named, QStringLiteral("\"nodes\" must be a list"));
            const QJsonArray list = nodes.toArray();
            for (qsizetype i = 0; i < list.size(); ++i) {
                const QString at = prefix + QStringLiteral("nodes[%1]").arg(i);
                if (++nodes_ > kRksDirectoryMaxNodes)
                    return Fail(at, QStringLiteral("more than %1 nodes").arg(kRksDirectoryMaxNodes));
                group.nodes.emplace_back();
                if (!ReadNode(list[i], at, group.nodes.back()))
                    return false;
            }
        }
        return true;
    }

    bool ReadNode(const QJsonValue& value, const QString& where, RksNode& node)
    {
        if (!value.isObject())
            return Fail(where, QStringLiteral("a node must be an object"));
        const QJsonObject object = value.toObject();
        if (!OnlyKnownKeys(object, where, {"name", "kind", "connection", "comment"}) || !ReadName(object, where, node.name)
            || !ReadComment(object, where))
            return false;
        const QString qname = QString::fromStdString(node.name);
        const QString named = where + QStringLiteral(" (%1)").arg(Quoted(qname));

        // Names are looked up regardless of case, so they must differ in more than case.
        const QString folded = qname.toCaseFolded();
        if (const auto first = seen_.constFind(folded); first != seen_.constEnd())
            return Fail(named, QStringLiteral("the name is taken already by %1 (names count regardless of case)")
                                   .arg(first.value()));
        seen_.insert(folded, named);

        const QJsonValue kind = object.value(QLatin1String("kind"));
        if (kind.isUndefined())
            return Fail(named, QStringLiteral("\"kind\" is missing"));
        const double number = kind.toDouble(-1.0);
        if (!kind.isDouble() || !(number >= 0.0 && number <= 65535.0) || std::floor(number) != number)
            return Fail(named, QStringLiteral("\"kind\" must be a whole number from 0 to 65535"));
        node.kind = static_cast<std::uint16_t>(number);

        const QJsonValue connection = object.value(QLatin1String("connection"));
        if (connection.isUndefined())
            return Fail(named, QStringLiteral("\"connection\" is missing"));
        if (!connection.isString())
            return Fail(named, QStringLiteral("\"connection\" must be a text"));
        const QString text = connection.toString().trimmed();
        for (const QChar c : text) {
            if (c.unicode() < 0x20 || c.unicode() > 0x7E)
                return Fail(named, QStringLiteral("\"connection\" may hold printable ASCII characters only"));
        }
        if (std::size_t(text.size()) > kRksConnectionMaxBytes)
            return Fail(named, QStringLiteral("\"connection\" is longer than %1 characters").arg(kRksConnectionMaxBytes));
        node.connection = text.toStdString();
        if (RksBusAddress(node.connection) < 0)
            return Fail(named, QStringLiteral("\"connection\" must hold an item ADDR= with the unit's bus address "
                                              "(0 to 65535)"));
        return true;
    }

    QString error_;
    std::size_t nodes_ = 0;
    std::size_t groups_ = 0;
    QHash<QString, QString> seen_; // folded name -> where it is
};

template <typename Visit>
const RksNode* FindIn(const RksNodeGroup& group, const Visit& matches)
{
    for (const RksNode& node : group.nodes) {
        if (matches(node))
            return &node;
    }
    for (const RksNodeGroup& inner : group.groups) {
        if (const RksNode* node = FindIn(inner, matches))
            return node;
    }
    return nullptr;
}

} // namespace

bool CRksNodeDirectory::Parse(const QByteArray& text, QString& error)
{
    root_ = {};
    nodeCount_ = 0;
    if (text.size() > kRksDirectoryMaxBytes) {
        error = QStringLiteral("larger than %1 bytes").arg(kRksDirectoryMaxBytes);
        return false;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = QStringLiteral("not valid JSON at %1: %2").arg(PlaceOf(text, parseError.offset), parseError.errorString());
        return false;
    }
    if (!document.isObject()) {
        error = QStringLiteral("the top level must be an object");
        return false;
    }
    RksNodeGroup root;
    std::size_t count = 0;
    if (!CReader().Read(document.object(), root, count, error))
        return false;
    root_ = std::move(root);
    nodeCount_ = count;
    return true;
}

bool CRksNodeDirectory::Load(const QString& path, QString& error)
{
    root_ = {};
    nodeCount_ = 0;
    const auto fail = [&](const QString& what) {
        error = QStringLiteral("%1: %2").arg(path, what);
        return false;
    };
    if (path.isEmpty()) {
        error = QStringLiteral("no node directory is configured");
        return false;
    }
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("no such file"));
    // Only a regular file: a pipe or a device could block or never end.
    if (!info.isFile())
        return fail(QStringLiteral("not a regular file"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot be opened: %1").arg(file.errorString()));
    QByteArray text;
    while (text.size() <= kRksDirectoryMaxBytes) {
        const QByteArray chunk = file.read(kRksDirectoryMaxBytes + 1 - text.size());
        if (chunk.isEmpty())
            break;
        text += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("cannot be read: %1").arg(file.errorString()));
    QString problem;
    if (!Parse(text, problem))
        return fail(problem);
    return true;
}

const RksNode* CRksNodeDirectory::Find(std::string_view name) const
{
    name = TrimBlanks(name);
    if (name.empty())
        return nullptr;
    if (const RksNode* exact = FindIn(root_, [&](const RksNode& node) { return node.name == name; }))
        return exact;
    const QString wanted = QString::fromUtf8(name.data(), qsizetype(name.size()));
    return FindIn(root_, [&](const RksNode& node) {
        return QString::fromStdString(node.name).compare(wanted, Qt::CaseInsensitive) == 0;
    });
}

QString RksConfiguredDirectory()
{
    const QString fromEnvironment = qEnvironmentVariable(kRksDirectoryVariable);
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    // The service's own settings, beside its "Gateway" (see RksEndpoint.cpp).
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("RKS"),
                             QStringLiteral("CommunicationService"));
    return settings.value(QStringLiteral("Directory")).toString();
}

int RksBusAddress(std::string_view connection)
{
    // The item the tool reads, and no more than the five digits it reads of it.
    const std::string address = Protocol::ParseConnection(connection).addressText;
    if (address.empty() || address.size() > 5 || address.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int value = std::stoi(address);
    return value <= 65535 ? value : -1;
}
