#include "rks/RksNetworkBrowser.h"

#include <QtGlobal>

#include <utility>

CRksNetworkBrowser::CRksNetworkBrowser(RksNodeChooser chooser)
    : chooser_(std::move(chooser))
{
}

bool CRksNetworkBrowser::Browse(std::uint16_t& nodeKind, std::string& nodeName, std::string& connection)
{
    nodeKind = 0;
    nodeName.clear();
    connection.clear();
    lastError_.clear();
    if (!chooser_) {
        lastError_ = QStringLiteral("the network browser has no window to show");
        return false;
    }
    CRksNodeDirectory directory;
    if (!LoadDirectory(directory))
        return false;
    const std::optional<RksNode> picked = chooser_(directory);
    if (!picked)
        return true; // the user chose nothing: no failure, nothing to connect to
    nodeKind = picked->kind;
    nodeName = picked->name;
    connection = picked->connection;
    return true;
}

bool CRksNetworkBrowser::Resolve(const std::string& nodeName, std::string& connection)
{
    connection.clear();
    lastError_.clear();
    CRksNodeDirectory directory;
    if (!LoadDirectory(directory))
        return false;
    const RksNode* node = directory.Find(nodeName);
    if (!node) {
        lastError_ = QStringLiteral("no node named \"%1\" in the node directory").arg(QString::fromStdString(nodeName));
        return false;
    }
    connection = node->connection;
    return true;
}

bool CRksNetworkBrowser::LoadDirectory(CRksNodeDirectory& directory)
{
    if (directory.Load(RksConfiguredDirectory(), lastError_))
        return true;
    // The caller only says the browser cannot be opened; the reason goes to
    // the log for whoever has to mend the file or the setting.
    lastError_ = QStringLiteral("node directory: %1").arg(lastError_);
    qWarning("Network browser: %s", qPrintable(lastError_));
    return false;
}
