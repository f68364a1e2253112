#include "cli/CliOutput.h"

#include <unistd.h>

SCliOutput SCliOutput::Standard()
{
    SCliOutput output;
    output.errIsTerminal = isatty(fileno(stderr)) == 1;
    return output;
}

void PrintError(std::FILE* to, const QString& text)
{
    QString line = text;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    line.replace(u'\n', u' ');
    line.replace(u'\r', u' ');
    std::fprintf(to, "%s%s\n", kErrorPrefix, line.trimmed().toLocal8Bit().constData());
    std::fflush(to);
}

void PrintError(std::FILE* to, const std::string& text)
{
    PrintError(to, QString::fromLocal8Bit(text.c_str()));
}

void PrintError(std::FILE* to, const char* text)
{
    PrintError(to, QString::fromUtf8(text));
}
