#include "platform/StringTable.h"

#include <QFile>

#include <mutex>

namespace {
std::mutex tableLock;

std::map<unsigned, QString> LoadBuiltIn()
{
    std::map<unsigned, QString> table;
    QFile file(QStringLiteral(":/qora/strings.tsv"));
    if (file.open(QIODevice::ReadOnly))
        ParseStringTable(file.readAll(), table);
    return table;
}

std::map<unsigned, QString>& Table()
{
    static std::map<unsigned, QString> table = LoadBuiltIn();
    return table;
}

bool Unescape(const QByteArray& raw, QString& out)
{
    QByteArray text;
    text.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            text.append(raw[i]);
            continue;
        }
        if (++i >= raw.size())
            return false;
        switch (raw[i]) {
        case 'n': text.append('\n'); break;
        case 't': text.append('\t'); break;
        case '\\': text.append('\\'); break;
        default: return false;
        }
    }
    out = QString::fromUtf8(text);
    return true;
}
} // namespace

bool ParseStringTable(const QByteArray& content, std::map<unsigned, QString>& out)
{
    std::map<unsigned, QString> parsed;
    for (QByteArray line : content.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const qsizetype tab = line.indexOf('\t');
        if (tab <= 0)
            return false;
        bool ok = false;
        const unsigned id = line.left(tab).toUInt(&ok);
        QString text;
        if (!ok || !Unescape(line.mid(tab + 1), text))
            return false;
        parsed[id] = text;
    }
    for (auto& [id, text] : parsed)
        out[id] = std::move(text);
    return true;
}

QString LoadResString(unsigned id)
{
    std::lock_guard lock(tableLock);
    auto it = Table().find(id);
    return it == Table().end() ? QString() : it->second;
}

bool LoadStringOverrides(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    std::map<unsigned, QString> overrides;
    if (!ParseStringTable(file.readAll(), overrides))
        return false;
    std::lock_guard lock(tableLock);
    for (auto& [id, text] : overrides)
        Table()[id] = std::move(text);
    return true;
}

void ClearStringOverrides()
{
    std::lock_guard lock(tableLock);
    Table() = LoadBuiltIn();
}
