// QORA Manager: the desktop tool for commissioning and maintaining QORA units.

#include "app/main/ApplicationIdentity.h"
#include "app/frame/widgets/FrameIcons.h"
#include "app/main/SableCommApp.h"
#include "app/shell/ProgramInfo.h"
#include "platform/widgets/WidgetPrompts.h"
#include "version/ProgramVersion.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char* argv[])
{
    // --help and --version answer on the terminal, before a display is needed.
    QStringList given;
    for (int i = 1; i < argc; ++i)
        given << QString::fromLocal8Bit(argv[i]);
    switch (FindProgramInfoRequest(given)) {
    case ProgramInfoRequest::Help:
        std::fputs(ProgramUsageText().toLocal8Bit().constData(), stdout);
        return 0;
    case ProgramInfoRequest::Version:
        std::fputs(VersionText("QORAManager").c_str(), stdout);
        return 0;
    case ProgramInfoRequest::None:
        break;
    }

    QApplication application(argc, argv);
    SetApplicationIdentity();
    QApplication::setWindowIcon(ApplicationIcon());

    InstallWidgetPrompts();
    CSableCommApp app;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(QApplication::applicationFilePath(), arguments))
        return app.EndStatus();
    return QApplication::exec();
}
