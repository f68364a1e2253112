#pragma once
// The network browser object over the node directory. It has no window of its
// own: Browse hands the directory to a chooser, which in the program is the
// browse dialog of src/rks/widgets (see RegisterRksBrowser) and in tests
// whatever answers on the user's behalf. Resolve needs no window at all.
//
// Every call reads the directory afresh, so an edit of the file counts at
// the next Browse or Resolve.

#include "link/INetworkBrowser.h"
#include "rks/RksNodeDirectory.h"

#include <QString>

#include <functional>
#include <optional>

// Shows the directory's nodes and returns the one picked; nullopt when the
// user cancels.
using RksNodeChooser = std::function<std::optional<RksNode>(const CRksNodeDirectory& directory)>;

class CRksNetworkBrowser final : public INetworkBrowser {
public:
    // Without a chooser Browse always fails.
    explicit CRksNetworkBrowser(RksNodeChooser chooser);

    // On success the outputs hold the node picked; when the user cancels it
    // succeeds too, with nothing picked. On failure (no chooser, directory
    // missing or unreadable) and on a cancel they are cleared: kind 0, empty
    // name and connection string.
    bool Browse(std::uint16_t& nodeKind, std::string& nodeName, std::string& connection) override;
    // Looks the name up in the directory (see CRksNodeDirectory::Find); on
    // failure the connection string is cleared.
    bool Resolve(const std::string& nodeName, std::string& connection) override;

    // Why the last Browse or Resolve failed; empty after a success or a cancel.
    [[nodiscard]] const QString& LastError() const { return lastError_; }

private:
    bool LoadDirectory(CRksNodeDirectory& directory);

    RksNodeChooser chooser_;
    QString lastError_;
};
