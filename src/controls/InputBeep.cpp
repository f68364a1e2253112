#include "controls/InputBeep.h"

#include <QApplication>

namespace {
std::function<void()>& Beep()
{
    static std::function<void()> beep;
    return beep;
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
