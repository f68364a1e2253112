#include "app/shell/HelpViewer.h"

#include "app/shell/HelpFiles.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

namespace {
QPointer<CHelpViewer> viewer;
const QString kTitle = QStringLiteral("Tavra QORA Manager Help");
} // namespace

CHelpViewer* CHelpViewer::Current()
{
    return viewer.data();
}

CHelpViewer* CHelpViewer::ShowTopic(const QString& helpIndexPath, const QString& page)
{
    if (viewer && viewer->indexPath_ != helpIndexPath) {
        viewer->close();
        viewer = nullptr;
    }
    if (!viewer)
        viewer = new CHelpViewer(helpIndexPath);
    viewer->Show(page);
    viewer->show();
    viewer->raise();
    viewer->activateWindow();
    return viewer;
}

CHelpViewer::CHelpViewer(const QString& helpIndexPath)
    : QWidget(nullptr, Qt::Window), indexPath_(helpIndexPath), browser_(new QTextBrowser(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    // An open help window must not keep the program running once the main
    // window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(720, 560);

    auto* toolBar = new QToolBar(this);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("Back"));
    forward_ = toolBar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("Forward"));
    QAction* home = toolBar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("Contents"));
    back_->setShortcut(QKeySequence::Back);
    forward_->setShortcut(QKeySequence::Forward);
    back_->setEnabled(false);
    forward_->setEnabled(false);

    browser_->setOpenLinks(true);
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QFileInfo(helpIndexPath).absolutePath()});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(browser_);

    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home, &QAction::triggered, this, [this] { Show(QString()); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, &CHelpViewer::UpdateTitle);
}

void CHelpViewer::Show(const QString& page)
{
    const QFileInfo index(indexPath_);
    // "status-history.html#sky-plot": a section of a page.
    const QString file = page.section(QLatin1Char('#'), 0, 0);
    const QString section = page.section(QLatin1Char('#'), 1);
    const QFileInfo target = file.isEmpty() ? index : QFileInfo(index.absoluteDir(), file);
    // A page that is not there shows the contents instead of an empty window.
    QUrl url = QUrl::fromLocalFile(target.isFile() ? target.absoluteFilePath() : index.absoluteFilePath());
    if (target.isFile() && !section.isEmpty())
        url.setFragment(section);
    browser_->setSource(url);
    UpdateTitle();
}

QString CHelpViewer::CurrentPage() const
{
    return browser_->source().toLocalFile();
}

void CHelpViewer::UpdateTitle()
{
    const QString page = browser_->documentTitle();
    setWindowTitle(page.isEmpty() ? kTitle : kTitle + QStringLiteral(" - ") + page);
}

CHelpViewer* ShowProgramHelp(const QString& programPath, const QString& page)
{
    return CHelpViewer::ShowTopic(HelpFilePath(programPath), page);
}
