#include "cli/CheckCommand.h"

#include "cli/CliArguments.h"
#include "commissioning/WorkOrderReader.h"
#include "commissioning/wizard/WorkOrderCheck.h"
#include "platform/LogCategories.h"
#include "platform/StringTable.h"

#include <QDir>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <new>

namespace {

void PrintLine(std::FILE* to, const QString& line)
{
    std::fprintf(to, "%s\n", line.toLocal8Bit().constData());
}

// "PATH: cannot be read: WHY": the reader's message in double quotes, with
// the reason behind it, or our own words.
void PrintUnreadable(const SCliOutput& output, const QString& path, const QString& why, const QString& detail)
{
    PrintLine(output.out, path + QStringLiteral(": cannot be read: ") + why);
    qCWarning(lcCommissioning).noquote() << "work order" << path << "not checked:" << detail;
}

QString Quoted(const QString& message, const QString& detail)
{
    return QLatin1Char('"') + OneLineText(message) + QStringLiteral("\" (") + OneLineText(detail.trimmed())
        + QLatin1Char(')');
}

// One work order, read once; each unit is checked as it reads when the window
// opens the work order with that unit chosen.
int CheckFile(const QString& path, const SCliOutput& output)
{
    const WorkOrderResult<CWorkOrderUnits> read = ReadWorkOrderFile(path);
    if (!read) {
        const WorkOrderError& error = read.Failure();
        PrintUnreadable(output, path, Quoted(LoadResString(error.messageId), error.detail), error.detail);
        return kExitCheckUnreadable;
    }
    const QStringList& names = read.Value().Names();
    int status = kExitCheckPassed;
    for (qsizetype index = 0; index < names.size(); ++index) {
        const QString prefix = QStringLiteral("%1 unit %2 (%3): ").arg(path).arg(index + 1).arg(names[index]);
        QList<SWorkOrderProblem> problems;
        try {
            problems = CheckWorkOrderUnit(read.Value().CopyUnit(static_cast<int>(index)));
        } catch (const std::bad_alloc&) {
            const QString why = LoadResString(WorkOrderStringId::OutOfMemory);
            PrintUnreadable(output, path, Quoted(why, QStringLiteral("unit %1").arg(index + 1)), why);
            return kExitCheckUnreadable;
        }
        if (problems.isEmpty())
            PrintLine(output.out, prefix + QStringLiteral("OK"));
        for (const SWorkOrderProblem& problem : problems)
            PrintLine(output.out, prefix + problem.Line());
        if (!problems.isEmpty())
            status = kExitCheckFailed;
    }
    return status;
}

// The files a path names: itself, or a folder's .xml files by name.
QStringList FilesOf(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isDir())
        return {path};
    const QDir folder(path);
    QStringList files;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name))
        if (name.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
            files.append(folder.filePath(name));
    return files;
}

} // namespace

int RunCheckCommand(const std::vector<std::string>& arguments, const SCliOutput& output)
{
    QStringList paths;
    for (const std::string& argument : arguments) {
        if (argument.size() > 1 && argument[0] == '-')
            return RefuseUsage(output.err, UnknownArgument("check", argument));
        if (argument.empty())
            return RefuseUsage(output.err, RefusedValue("PATH", argument, "an empty path"));
        paths.append(QString::fromLocal8Bit(argument.c_str()));
    }
    if (paths.isEmpty())
        return RefuseUsage(output.err, "check needs at least one work order or folder (see qora-cli check --help)");

    int status = kExitCheckPassed;
    for (const QString& path : paths) {
        const QStringList files = FilesOf(path);
        if (files.isEmpty()) {
            // Nothing checked is no pass.
            const QString why = QStringLiteral("the folder holds no .xml file");
            PrintUnreadable(output, path, why, why);
            status = kExitCheckUnreadable;
        }
        for (const QString& file : files)
            status = std::max(status, CheckFile(file, output));
    }
    std::fflush(output.out);
    return status;
}
