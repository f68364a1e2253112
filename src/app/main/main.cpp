// QORA Manager: the desktop tool for commissioning and maintaining QORA units.

#include "app/main/ApplicationIdentity.h"
#include "app/main/SableCommApp.h"
#include "platform/widgets/WidgetPrompts.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    SetApplicationIdentity();

    InstallWidgetPrompts();
    CSableCommApp app;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!app.InitInstance(QApplication::applicationFilePath(), arguments))
        return 0;
    return QApplication::exec();
}
