#include "app/shell/GenericChildWnd.h"

#include <QMdiArea>
#include <QTextEdit>

namespace {
// Numbers count per window area, so each frame starts at 1.
constexpr const char* kCountProperty = "qoraUntitledCount";
} // namespace

CGenericChildWnd::CGenericChildWnd(int number) : notes_(new QTextEdit(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("QORA%1").arg(number));
    notes_->setAcceptRichText(false);
    notes_->setPlaceholderText(QStringLiteral("Notes"));
    setWidget(notes_);
}

CGenericChildWnd* CGenericChildWnd::Open(QMdiArea* area)
{
    const int number = area->property(kCountProperty).toInt() + 1;
    area->setProperty(kCountProperty, number);
    auto* child = new CGenericChildWnd(number);
    area->addSubWindow(child);
    child->show();
    area->setActiveSubWindow(child);
    return child;
}
