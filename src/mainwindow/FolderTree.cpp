#include "mainwindow/FolderTree.h"

#include "mainwindow/IconStore.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <map>

namespace {

// Hands the typed label to the tree's rename handler instead of writing it.
class RenameDelegate : public QStyledItemDelegate {
public:
    explicit RenameDelegate(FolderTree* tree) : QStyledItemDelegate(tree), tree_(tree) {}

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        QTreeWidgetItem* item = tree_->itemForIndex(index);
        if (!edit || !item || !tree_->renameHandler)
            return;
        const RenameService::Result r = tree_->renameHandler(item, edit->text());
        if (r.outcome == RenameService::Outcome::Renamed) {
            item->setText(0, r.newName);
            item->setData(0, FolderTree::KeyRole, r.newKey);
        }
    }

protected:
    // The node a drag would drop on is drawn as selected.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (tree_->dropTarget() && tree_->itemForIndex(index) == tree_->dropTarget())
            option->state |= QStyle::State_Selected;
    }

private:
    FolderTree* tree_;
};

} // namespace

FolderTree::FolderTree(QWidget* parent) : QTreeWidget(parent)
{
    setObjectName(QStringLiteral("trvMain"));
    setColumnCount(1);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setItemDelegate(new RenameDelegate(this));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* cur, QTreeWidgetItem*) {
        if (cur)
            emit nodeActivated(cur);
    });
    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        // A click on the node already shown refreshes its view.
        if (pressedOnCurrent_ && item == currentItem())
            emit nodeActivated(item);
        pressedOnCurrent_ = false;
    });
}

void FolderTree::mousePressEvent(QMouseEvent* event)
{
    QTreeWidgetItem* at = itemAt(event->position().toPoint());
    pressedOnCurrent_ = at && at == currentItem();
    QTreeWidget::mousePressEvent(event);
}

void FolderTree::rebuild(const std::vector<FolderNode>& nodes)
{
    const QSignalBlocker block(this);
    dropTarget_ = nullptr;
    clear();
    std::map<NodeKind, QTreeWidgetItem*> fixed;
    for (const FolderNode& n : nodes) {
        QTreeWidgetItem* item = nullptr;
        if (n.kind == NodeKind::Root) {
            item = new QTreeWidgetItem(this);
        } else {
            const auto parent = fixed.find(parentKind(n.kind));
            if (parent == fixed.end())
                continue;
            item = new QTreeWidgetItem(parent->second);
        }
        item->setText(0, n.text);
        item->setData(0, KindRole, int(n.kind));
        item->setData(0, KeyRole, n.key);
        item->setIcon(0, IconStore::treeIcon(n.icon, n.selectedIcon));
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (!isFixedKind(n.kind))
            flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
        if (isFixedKind(n.kind))
            fixed.emplace(n.kind, item);
    }
    expandAll();
}

QTreeWidgetItem* FolderTree::findNode(NodeKind kind, const QString& key) const
{
    if (topLevelItemCount() == 0)
        return nullptr;
    QTreeWidgetItem* root = topLevelItem(0);
    if (kind == NodeKind::Root)
        return root;
    const NodeKind parent = parentKind(kind);
    QTreeWidgetItem* within = root;
    if (parent != NodeKind::Root) {
        within = findNode(parent);
        if (!within)
            return nullptr;
    }
    for (int i = 0; i < within->childCount(); ++i) {
        QTreeWidgetItem* c = within->child(i);
        if (kindOf(c) != kind)
            continue;
        if (isFixedKind(kind) || keyOf(c).compare(key, Qt::CaseInsensitive) == 0)
            return c;
    }
    return nullptr;
}

NodeKind FolderTree::kindOf(const QTreeWidgetItem* item) { return NodeKind(item->data(0, KindRole).toInt()); }

QString FolderTree::keyOf(const QTreeWidgetItem* item) { return item->data(0, KeyRole).toString(); }

void FolderTree::selectQuietly(QTreeWidgetItem* item)
{
    const QSignalBlocker block(this);
    setCurrentItem(item);
}

bool FolderTree::startRename(QTreeWidgetItem* item)
{
    if (!item || isFixedKind(kindOf(item)))
        return false;
    editItem(item, 0);
    return true;
}

// ------------------------------------------------------------------ drops

QTreeWidgetItem* FolderTree::acceptingNode(const QPoint& at, const QMimeData* data, DragItems* items) const
{
    const std::optional<DragItems> decoded = dragpayload::decode(data);
    if (!decoded)
        return nullptr;
    QTreeWidgetItem* item = itemAt(at);
    if (!item || !acceptsDrop || !acceptsDrop(item, *decoded))
        return nullptr;
    if (items)
        *items = *decoded;
    return item;
}

void FolderTree::setDropTarget(QTreeWidgetItem* item)
{
    if (item == dropTarget_)
        return;
    dropTarget_ = item;
    viewport()->update();
}

void FolderTree::dragEnterEvent(QDragEnterEvent* event)
{
    // Entered with our rows: the moves decide node by node.
    if (dragpayload::decode(event->mimeData())) {
        setDropTarget(acceptingNode(event->position().toPoint(), event->mimeData(), nullptr));
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FolderTree::dragMoveEvent(QDragMoveEvent* event)
{
    const QPoint at = event->position().toPoint();
    QTreeWidgetItem* item = acceptingNode(at, event->mimeData(), nullptr);
    setDropTarget(item);
    const QRect rect = visualItemRect(itemAt(at));
    if (item)
        event->accept(rect);
    else
        event->ignore(rect);
}

void FolderTree::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDropTarget(nullptr);
    event->accept();
}

void FolderTree::dropEvent(QDropEvent* event)
{
    setDropTarget(nullptr);
    DragItems items;
    QTreeWidgetItem* item = acceptingNode(event->position().toPoint(), event->mimeData(), &items);
    if (!item || !dropHandler) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    dropHandler(item, items);
}
