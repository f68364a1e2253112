#include "controls/InputBeep.h"

#include <QApplication>
#include <QString>
#include <QToolTip>
#include <QWidget>

namespace {
std::function<void()>& Beep()
{
    static std::function<void()> beep;
    return beep;
}

std::function<void(const QString&)>& Tell()
{
    static std::function<void(const QString&)> tell;
    return tell;
}
} // namespace

void InputBeep()
{
    if (Beep())
        Beep()();
    else
        QApplication::beep();
}

std::function<void()> SetInputBeepFunction(std::function<void()> beep)
{
    std::function<void()> previous = std::move(Beep());
    Beep() = std::move(beep);
    return previous;
}

void InputRefusal(QWidget& edit, const QString& message)
{
    InputBeep();
    if (message.isEmpty())
        return;
    if (Tell())
        Tell()(message);
    else
        QToolTip::showText(edit.mapToGlobal(QPoint(0, edit.height())), message, &edit);
}

std::function<void(const QString&)> SetInputRefusalFunction(std::function<void(const QString&)> tell)
{
    std::function<void(const QString&)> previous = std::move(Tell());
    Tell() = std::move(tell);
    return previous;
}
