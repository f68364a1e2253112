#include "app/main/ApplicationIdentity.h"

#include <QCoreApplication>

void SetApplicationIdentity()
{
    QCoreApplication::setOrganizationName(QStringLiteral("QORAManager"));
    QCoreApplication::setApplicationName(QStringLiteral("QORAManager"));
}
