#pragma once
// The help window: the help pages beside the program, with links between
// them and Back, Forward and Contents. One window serves every request.

#include <QPointer>
#include <QString>
#include <QWidget>

class QTextBrowser;
class QAction;

class CHelpViewer : public QWidget {
    Q_OBJECT
public:
    // Shows page (a file name such as "gps-status.html", perhaps with a
    // section: "status-history.html#sky-plot"; empty: the contents)
    // of the help whose contents page is helpIndexPath, in the one help window,
    // making it if needed and bringing it to the front. Returns the window.
    static CHelpViewer* ShowTopic(const QString& helpIndexPath, const QString& page = QString());
    // The help window if one is open.
    [[nodiscard]] static CHelpViewer* Current();

    [[nodiscard]] QTextBrowser* Browser() const { return browser_; }
    // The page shown, as a local file path.
    [[nodiscard]] QString CurrentPage() const;

private:
    explicit CHelpViewer(const QString& helpIndexPath);
    void Show(const QString& page);
    void UpdateTitle();

    QString indexPath_;
    QTextBrowser* browser_;
    QAction* back_;
    QAction* forward_;
};

// "Help Topics": the help beside this program (HelpFilePath of programPath),
// on the given page or the contents.
CHelpViewer* ShowProgramHelp(const QString& programPath, const QString& page = QString());
