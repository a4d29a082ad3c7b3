#pragma once
// The folder tree of the main window. Each item carries its node kind and
// key; lookups go by (kind, key), never by text. Labels are edited only when
// a rename is started explicitly (startRename), never by clicks or keys.
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "folders/FolderNodes.h"
#include "folders/RenameService.h"
#include "mainwindow/DragPayload.h"

class FolderTree : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int KindRole = Qt::UserRole + 1;
    static constexpr int KeyRole = Qt::UserRole + 2;

    explicit FolderTree(QWidget* parent = nullptr);

    // Replaces every node; no signal is sent while it runs.
    void rebuild(const std::vector<FolderNode>& nodes);

    QTreeWidgetItem* findNode(NodeKind kind, const QString& key = {}) const;
    QTreeWidgetItem* fixedNode(NodeKind kind) const { return findNode(kind); }
    static NodeKind kindOf(const QTreeWidgetItem* item);
    static QString keyOf(const QTreeWidgetItem* item);
    // Makes the item current without announcing it.
    void selectQuietly(QTreeWidgetItem* item);

    // Starts the in-place edit of a group or user folder; false for others.
    bool startRename(QTreeWidgetItem* item);
    // Decides an edit: called with the edited item and the typed text. Only
    // a Renamed result changes the label and the key.
    std::function<RenameService::Result(QTreeWidgetItem*, const QString&)> renameHandler;

    QTreeWidgetItem* itemForIndex(const QModelIndex& index) const { return itemFromIndex(index); }

    // Rows dragged from the lists of the window: acceptsDrop decides whether
    // a node takes them (the node is highlighted meanwhile), dropHandler
    // carries the drop out. Only the program's own drag format is looked at.
    std::function<bool(QTreeWidgetItem* target, const DragItems& items)> acceptsDrop;
    std::function<void(QTreeWidgetItem* target, const DragItems& items)> dropHandler;
    // The node highlighted as the drop target; nullptr when none is.
    QTreeWidgetItem* dropTarget() const { return dropTarget_; }

signals:
    // A node was chosen: by a mouse click (also on the current node) or by
    // a keyboard move.
    void nodeActivated(QTreeWidgetItem* item);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The node under the pointer that takes the dragged rows, or nullptr.
    QTreeWidgetItem* acceptingNode(const QPoint& at, const QMimeData* data, DragItems* items) const;
    void setDropTarget(QTreeWidgetItem* item);

    QTreeWidgetItem* dropTarget_ = nullptr;
    bool pressedOnCurrent_ = false;
};
