#include "link/AppHandler.h"

#include "link/CommHandler.h"

#include <QPointer>

namespace {
QPointer<CCommHandler>& Current()
{
    static QPointer<CCommHandler> handler;
    return handler;
}
} // namespace

void SetAppCommHandler(CCommHandler* handler)
{
    Current() = handler;
}

CCommHandler* AppCommHandler()
{
    return Current().data();
}
