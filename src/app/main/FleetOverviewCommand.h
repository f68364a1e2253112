#pragma once
// Run > Fleet Overview: the window over every unit of the node directory,
// made hidden inside the main frame's window area and shown by the command.
// A double click on a unit opens a remote connection to it the way
// "Remote &Connection..." does for a node name; an open connection is only
// closed for it when the engineer agrees.

#include <QObject>
#include <QPointer>
#include <QString>

class CMainFrame;
class CFleetOverviewWindow;
class QTimer;

class CFleetOverviewCommand : public QObject {
    Q_OBJECT
public:
    // `programPath` locates the help pages.
    CFleetOverviewCommand(CMainFrame& frame, const QString& programPath);
    ~CFleetOverviewCommand() override;

    [[nodiscard]] CFleetOverviewWindow& Window() const;

    // What a double click on the unit of that node name does.
    void OpenUnit(const QString& nodeName);

private:
    void ConnectWhenDisconnected();

    CMainFrame& frame_;
    QPointer<CFleetOverviewWindow> window_; // in the window area; gone with it
    QTimer* wait_;                 // for the closed connection's notice
    QString pending_;              // the node to open once it has come
    int waitedMs_ = 0;
};
