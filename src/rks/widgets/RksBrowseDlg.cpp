#include "rks/widgets/RksBrowseDlg.h"

#include "ui_RksBrowseDlg.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QTreeWidgetItemIterator>

namespace {

enum Column { kNameColumn = 0, kKindColumn = 1, kConnectionColumn = 2 };

// Item data of column 0: the node's index, or -1 for a group.
constexpr int kNodeIndexRole = Qt::UserRole;

} // namespace

CRksBrowseDlg::CRksBrowseDlg(const CRksNodeDirectory& directory, QWidget* parent)
    : QDialog(parent)
    , ui_(new Ui::RksBrowseDlg)
{
    ui_->setupUi(this);
    ui_->nodeTree->setUpdatesEnabled(false);
    AddGroup(ui_->nodeTree->invisibleRootItem(), directory.Root());
    ui_->nodeTree->expandAll();
    ui_->nodeTree->resizeColumnToContents(kNameColumn);
    ui_->nodeTree->resizeColumnToContents(kKindColumn);
    ui_->nodeTree->setUpdatesEnabled(true);

    connect(ui_->filterEdit, &QLineEdit::textChanged, this, &CRksBrowseDlg::ApplyFilter);
    connect(ui_->nodeTree, &QTreeWidget::currentItemChanged, this, [this] { Update(); });
    connect(ui_->nodeTree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (NodeOf(item)) {
            ui_->nodeTree->setCurrentItem(item);
            accept();
        }
    });
    connect(ui_->buttonBox, &QDialogButtonBox::accepted, this, &CRksBrowseDlg::accept);
    connect(ui_->buttonBox, &QDialogButtonBox::rejected, this, &CRksBrowseDlg::reject);

    if (QTreeWidgetItem* first = FirstVisibleNode())
        ui_->nodeTree->setCurrentItem(first);
    Update();
    ui_->filterEdit->setFocus();
}

CRksBrowseDlg::~CRksBrowseDlg()
{
    delete ui_;
}

void CRksBrowseDlg::accept()
{
    QTreeWidgetItem* item = ui_->nodeTree->currentItem();
    const RksNode* node = NodeOf(item);
    if (!node || item->isHidden())
        return;
    picked_ = node;
    QDialog::accept();
}

void CRksBrowseDlg::AddGroup(QTreeWidgetItem* item, const RksNodeGroup& group)
{
    for (const RksNodeGroup& inner : group.groups) {
        auto* child = new QTreeWidgetItem(item);
        child->setText(kNameColumn, QString::fromStdString(inner.name));
        child->setData(kNameColumn, kNodeIndexRole, -1);
        AddGroup(child, inner);
    }
    for (const RksNode& node : group.nodes)
        item->addChild(AddNode(node));
}

QTreeWidgetItem* CRksBrowseDlg::AddNode(const RksNode& node)
{
    auto* item = new QTreeWidgetItem;
    item->setText(kNameColumn, QString::fromStdString(node.name));
    item->setText(kKindColumn, QString::number(node.kind));
    item->setText(kConnectionColumn, QString::fromStdString(node.connection));
    item->setData(kNameColumn, kNodeIndexRole, int(nodes_.size()));
    nodes_.push_back(&node);
    return item;
}

const RksNode* CRksBrowseDlg::NodeOf(const QTreeWidgetItem* item) const
{
    if (!item)
        return nullptr;
    const int index = item->data(kNameColumn, kNodeIndexRole).toInt();
    return index >= 0 && std::size_t(index) < nodes_.size() ? nodes_[std::size_t(index)] : nullptr;
}

bool CRksBrowseDlg::Filter(QTreeWidgetItem* item, const QString& text, bool groupMatched)
{
    bool visible = false;
    if (NodeOf(item)) {
        visible = groupMatched || item->text(kNameColumn).contains(text, Qt::CaseInsensitive)
            || item->text(kConnectionColumn).contains(text, Qt::CaseInsensitive);
    } else {
        // A group stays while it has something to show; all of it when its own
        // name matches.
        const bool matched = groupMatched || item->text(kNameColumn).contains(text, Qt::CaseInsensitive);
        for (int i = 0; i < item->childCount(); ++i)
            visible = Filter(item->child(i), text, matched) || visible;
        visible = visible || text.isEmpty();
    }
    item->setHidden(!visible);
    return visible;
}

void CRksBrowseDlg::ApplyFilter(const QString& typed)
{
    const QString text = typed.trimmed();
    QTreeWidgetItem* root = ui_->nodeTree->invisibleRootItem();
    for (int i = 0; i < root->childCount(); ++i)
        Filter(root->child(i), text, text.isEmpty());
    ui_->nodeTree->expandAll();
    // Keep the choice in view; when the filter hides it, the first node that
    // matches takes its place, so Enter picks what is shown.
    QTreeWidgetItem* current = ui_->nodeTree->currentItem();
    if (!current || current->isHidden() || !NodeOf(current))
        ui_->nodeTree->setCurrentItem(FirstVisibleNode());
    Update();
}

QTreeWidgetItem* CRksBrowseDlg::FirstVisibleNode() const
{
    for (QTreeWidgetItemIterator it(ui_->nodeTree); *it; ++it) {
        QTreeWidgetItem* item = *it;
        bool shown = !item->isHidden();
        for (QTreeWidgetItem* up = item->parent(); shown && up; up = up->parent())
            shown = !up->isHidden();
        if (shown && NodeOf(item))
            return item;
    }
    return nullptr;
}

void CRksBrowseDlg::Update()
{
    const QTreeWidgetItem* current = ui_->nodeTree->currentItem();
    ui_->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(NodeOf(current) && !current->isHidden());

    int shown = 0;
    for (QTreeWidgetItemIterator it(ui_->nodeTree); *it; ++it) {
        if (NodeOf(*it) && !(*it)->isHidden())
            ++shown;
    }
    const int total = int(nodes_.size());
    QString status;
    if (total == 0)
        status = tr("The node directory lists no units.");
    else if (shown == 0)
        status = tr("No unit matches the filter.");
    else if (shown < total)
        status = tr("%1 of %2 units shown.").arg(shown).arg(total);
    else
        status = total == 1 ? tr("1 unit.") : tr("%1 units.").arg(total);
    ui_->statusLabel->setText(status);
}

std::optional<RksNode> RksChooseNodeInDialog(const CRksNodeDirectory& directory)
{
    // On the heap and watched: should the window under it close while the
    // dialog runs, the dialog goes with it and must not be touched again.
    QPointer<CRksBrowseDlg> dialog = new CRksBrowseDlg(directory, QApplication::activeWindow());
    const int result = dialog->exec();
    if (!dialog)
        return std::nullopt;
    std::optional<RksNode> picked;
    if (result == QDialog::Accepted && dialog->Picked())
        picked = *dialog->Picked();
    delete dialog;
    return picked;
}
