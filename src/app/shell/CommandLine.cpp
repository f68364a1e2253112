#include "app/shell/CommandLine.h"

#include <QRegularExpression>

namespace {

bool StartsWith(const QString& text, const char* prefix)
{
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

bool Is(const QString& text, const char* word)
{
    return text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// A whole decimal integer, optionally signed, blanks around it allowed.
bool IsDecimalInteger(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    return integer.match(text).hasMatch();
}

QString UnquotedName(const QString& name)
{
    if (!name.startsWith(u'"'))
        return name;
    // Drop the opening quote and the closing one. A name whose closing quote
    // is missing keeps all its characters.
    QString inner = name.mid(1);
    if (inner.endsWith(u'"'))
        inner.chop(1);
    return inner;
}

QString UnquotedPath(QString path)
{
    if (path.startsWith(u'"'))
        path.remove(0, 1);
    if (path.endsWith(u'"'))
        path.chop(1);
    return path;
}

// "--log FILE" or "--log=FILE" (also "-log" or "/log"): true when arguments[i]
// is one, with `i` moved onto its file. The file is taken whatever it looks
// like, so that a path such as "SCF=x.log" is not read as another switch.
bool TakeLogSwitch(const QStringList& arguments, qsizetype& i, std::optional<QString>& path)
{
    QString argument = arguments[i];
    if (argument.startsWith(QLatin1String("--")))
        argument.remove(0, 2);
    else if (argument.startsWith(u'-') || argument.startsWith(u'/'))
        argument.remove(0, 1);
    else
        return false;
    if (Is(argument, "log")) {
        path = i + 1 < arguments.size() ? arguments[++i] : QString();
        return true;
    }
    if (StartsWith(argument, "log=")) {
        path = argument.mid(4);
        return true;
    }
    return false;
}

} // namespace

CommandLineOptions ParseCommandLine(const QStringList& arguments)
{
    CommandLineOptions options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments[i];
        if (argument.startsWith(u'-') || argument.startsWith(u'/'))
            argument.remove(0, 1);

        if (TakeLogSwitch(arguments, i, options.logFilePath))
            continue;
        if (Is(argument, "REGSERVER") || Is(argument, "UNREGSERVER")) {
            options.endAtOnce = true;
            return options;
        }
        bool matched = false;
        if (Is(argument, "Embedding") || Is(argument, "Automation")) {
            options.showSplash = false;
            matched = true;
        }
        if (Is(argument, "SW")) {
            options.startupSwitch = 1;
            matched = true;
        }
        if (StartsWith(argument, "sobriquet")) {
            // The name is the next argument, whatever it looks like; a
            // trailing "sobriquet" names nothing.
            if (i + 1 < arguments.size())
                options.remoteUnitName = UnquotedName(arguments[++i]);
            continue;
        }
        if (StartsWith(argument, "SCF=")) {
            options.workOrderPath = UnquotedPath(argument.mid(4));
            matched = true;
        }
        if (StartsWith(argument, "SNR=")) {
            matched = true;
            // Only a number: "SNR=abc" must not pick unit 0 of the work order.
            const QString text = argument.mid(4);
            bool ok = false;
            const int number = text.trimmed().toInt(&ok, 10);
            if (ok && IsDecimalInteger(text) && number >= 0)
                options.unitNumber = number;
        }
        // A path as a file manager passes it (absolute ones begin with '/').
        if (!matched && !arguments[i].isEmpty() && !arguments[i].startsWith(u'-'))
            options.workOrderToOpen = arguments[i];
    }
    return options;
}

bool RemoteNameStartsConnection(const QString& remoteUnitName)
{
    if (remoteUnitName.isEmpty())
        return false;
    if (!IsDecimalInteger(remoteUnitName))
        return true;
    // A number: only zero still counts as a name.
    for (QChar c : remoteUnitName)
        if (c >= u'1' && c <= u'9')
            return false;
    return true;
}
