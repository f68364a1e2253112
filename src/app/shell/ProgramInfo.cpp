#include "app/shell/ProgramInfo.h"

namespace {

// The switches that take the next argument as their value.
bool TakesNextArgument(QString argument)
{
    if (argument.startsWith(QLatin1String("--")))
        argument.remove(0, 2);
    else if (argument.startsWith(u'-') || argument.startsWith(u'/'))
        argument.remove(0, 1);
    return argument.compare(QLatin1String("log"), Qt::CaseInsensitive) == 0
        || argument.startsWith(QLatin1String("sobriquet"), Qt::CaseInsensitive);
}

} // namespace

ProgramInfoRequest FindProgramInfoRequest(const QStringList& arguments)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--help" || argument == u"-h")
            return ProgramInfoRequest::Help;
        if (argument == u"--version")
            return ProgramInfoRequest::Version;
        if (TakesNextArgument(argument))
            ++i;
    }
    return ProgramInfoRequest::None;
}

QString ProgramUsageText()
{
    return QStringLiteral(
        "Usage: QORAManager [SW] [SCF=FILE] [SNR=N] [sobriquet NAME] [--log FILE]\n"
        "   or: QORAManager [--log FILE] WORKORDER\n"
        "   or: QORAManager --help | --version\n"
        "\n"
        "The desktop tool for commissioning and maintaining QORA units: connects to one\n"
        "unit, locally or remotely, commissions it from a work order, watches its status,\n"
        "reads and sets its parameters and loads its firmware.\n"
        "\n"
        "Start-up switches (with or without a leading '-' or '/', in any letter case):\n"
        "  SW                open the local connection at start and, once the unit is in\n"
        "                    commission mode, commission it from the work order\n"
        "  SCF=FILE          the work order to open at start\n"
        "  SNR=N             the unit of that work order (0 or more)\n"
        "  sobriquet NAME    connect at once to the remote unit NAME\n"
        "  --log FILE        append the program's log to FILE (also --log=FILE)\n"
        "  WORKORDER         a work order file to open at start, as File > Open Work\n"
        "                    Order does (the file manager gives it on a double click)\n"
        "  REGSERVER, UNREGSERVER\n"
        "                    end at once (there is nothing to register)\n"
        "\n"
        "Options:\n"
        "  -h, --help        show this text and end\n"
        "  --version         print the release number and end\n"
        "\n"
        "Settings are kept in ~/.config/QORAManager/QORAManager.ini. The help pages are\n"
        "read from the folder qoramanager-help beside the program or else from the\n"
        "installation's share/qora-manager/help (/usr/share/qora-manager/help).\n");
}
