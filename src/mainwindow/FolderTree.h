#pragma once
// The folder tree of the main window. Each item carries its node kind and
// key; lookups go by (kind, key), never by text. Labels are edited only when
// a rename is started explicitly (startRename), never by clicks or keys.
#include <QTreeWidget>
#include <functional>
#include <vector>

#include "folders/FolderNodes.h"
#include "folders/RenameService.h"

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

signals:
    // A node was chosen: by a mouse click (also on the current node) or by
    // a keyboard move.
    void nodeActivated(QTreeWidgetItem* item);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool pressedOnCurrent_ = false;
};
