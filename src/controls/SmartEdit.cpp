#include "controls/SmartEdit.h"

#include <QApplication>
#include <QKeyEvent>

namespace {

std::function<void()>& Beep()
{
    static std::function<void()> beep;
    return beep;
}

} // namespace

CSmartEdit::CSmartEdit(QWidget* parent) : QLineEdit(parent) {}

void CSmartEdit::SetCharacterSet(int kind, const QString& custom)
{
    filter_.SetCharacterSet(kind, custom);
}

std::function<void()> CSmartEdit::SetBeepFunction(std::function<void()> beep)
{
    std::function<void()> previous = std::move(Beep());
    Beep() = std::move(beep);
    return previous;
}

void CSmartEdit::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    // Only typed characters are filtered; editing and navigation keys pass.
    if (text.size() == 1 && (text[0].isPrint() || text[0] == u'\b') && !filter_.Accepts(text[0])) {
        if (Beep())
            Beep()();
        else
            QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}
