#pragma once
// The network browser's window: the node directory as a tree of groups and
// nodes (name, kind, connection string) with a filter field. OK is enabled
// only while a node is the current item; a double-click on a node picks it.

#include "rks/RksNodeDirectory.h"

#include <QDialog>

#include <optional>
#include <vector>

class QTreeWidgetItem;

namespace Ui {
class RksBrowseDlg;
}

class CRksBrowseDlg : public QDialog {
    Q_OBJECT
public:
    // `directory` must outlive the dialog.
    explicit CRksBrowseDlg(const CRksNodeDirectory& directory, QWidget* parent = nullptr);
    ~CRksBrowseDlg() override;

    // The node the dialog was accepted on; null before that.
    [[nodiscard]] const RksNode* Picked() const { return picked_; }

    void accept() override; // only with a node as the current item

private:
    void AddGroup(QTreeWidgetItem* item, const RksNodeGroup& group);
    QTreeWidgetItem* AddNode(const RksNode& node);
    [[nodiscard]] const RksNode* NodeOf(const QTreeWidgetItem* item) const;
    // Hides what does not match; true when `item` stays visible.
    bool Filter(QTreeWidgetItem* item, const QString& text, bool groupMatched);
    void ApplyFilter(const QString& text);
    [[nodiscard]] QTreeWidgetItem* FirstVisibleNode() const;
    void Update();

    Ui::RksBrowseDlg* ui_;
    std::vector<const RksNode*> nodes_; // by the index kept in each node item
    const RksNode* picked_ = nullptr;
};

// Shows the dialog modally over the active window and returns the node picked;
// nullopt on Cancel. The chooser that RegisterRksBrowser installs by default.
[[nodiscard]] std::optional<RksNode> RksChooseNodeInDialog(const CRksNodeDirectory& directory);
