#include "platform/LogFile.h"

#include <QFile>
#include <QLoggingCategory>

#include <cstring>
#include <memory>
#include <mutex>

namespace {

// Rules of the lowest precedence: a qtlogging.ini, QT_LOGGING_CONF and
// QT_LOGGING_RULES still decide over them.
constexpr char kQoraRules[] = "qora.*.info=true\nqora.*.warning=true\nqora.*.critical=true";

struct LogSink {
    std::mutex lock;
    std::unique_ptr<QFile> file;
    QtMessageHandler previous = nullptr;
    bool installed = false;

    ~LogSink()
    {
        // Messages logged while static objects go away reach Qt's own output.
        std::lock_guard guard(lock);
        if (installed)
            qInstallMessageHandler(previous);
        installed = false;
        file.reset();
    }
};

LogSink& Sink()
{
    static LogSink sink;
    return sink;
}

const char* LevelName(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return "debug";
    case QtInfoMsg:
        return "info";
    case QtWarningMsg:
        return "warning";
    case QtCriticalMsg:
        return "critical";
    case QtFatalMsg:
        return "fatal";
    }
    return "unknown";
}

bool IsQoraCategory(const char* category)
{
    return category && (std::strcmp(category, "qora") == 0 || std::strncmp(category, "qora.", 5) == 0);
}

void WriteToLogFile(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    LogSink& sink = Sink();
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard guard(sink.lock);
        previous = sink.previous;
        if (sink.file && LogFileTakes(type, context.category)) {
            const QByteArray line =
                LogFileLine(QDateTime::currentDateTimeUtc(), type, context.category, text).toUtf8() + '\n';
            // Unbuffered: the line is with the system once write returns.
            sink.file->write(line);
        }
    }
    // The program's own categories go only to the file; everything else is
    // shown as it would be without one.
    if (IsQoraCategory(context.category) && type != QtFatalMsg)
        return;
    if (previous)
        previous(type, context, text);
    else
        qt_message_output(type, context, text);
}

} // namespace

std::optional<QString> StartLogFile(const QString& path)
{
    auto file = std::make_unique<QFile>(path);
    if (path.isEmpty())
        return QStringLiteral("cannot open the log file: no file name given");
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return QStringLiteral("cannot open %1: %2").arg(path, file->errorString());
    LogSink& sink = Sink();
    {
        std::lock_guard guard(sink.lock);
        sink.file = std::move(file);
    }
    QLoggingCategory::setFilterRules(QString::fromLatin1(kQoraRules));
    std::lock_guard guard(sink.lock);
    if (!sink.installed) {
        sink.previous = qInstallMessageHandler(WriteToLogFile);
        sink.installed = true;
    }
    return std::nullopt;
}

void StopLogFile()
{
    LogSink& sink = Sink();
    {
        std::lock_guard guard(sink.lock);
        if (!sink.installed)
            return;
        qInstallMessageHandler(sink.previous);
        sink.installed = false;
        sink.previous = nullptr;
        sink.file.reset();
    }
    QLoggingCategory::setFilterRules(QString());
}

bool LogFileTakes(QtMsgType type, const char* category)
{
    switch (type) {
    case QtDebugMsg:
        return false;
    case QtInfoMsg:
        return IsQoraCategory(category);
    default:
        return true;
    }
}

QString LogFileLine(const QDateTime& time, QtMsgType type, const char* category, const QString& text)
{
    QString body = text;
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    body.replace(u'\r', u'\n');
    body.replace(QLatin1String("\n"), QLatin1String("\n\t"));
    return time.toUTC().toString(Qt::ISODateWithMs) + u' ' + QLatin1String(LevelName(type)) + u' ' +
           QLatin1String(category && *category ? category : "default") + QLatin1String(": ") + body;
}
