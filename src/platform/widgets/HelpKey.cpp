#include "platform/widgets/HelpKey.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

QAction* AddHelpKey(QWidget& window, std::function<void()> help)
{
    auto* action = new QAction(&window);
    action->setShortcut(QKeySequence(Qt::Key_F1));
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    QObject::connect(action, &QAction::triggered, &window, [help = std::move(help)] {
        if (help)
            help();
    });
    window.addAction(action);
    return action;
}
