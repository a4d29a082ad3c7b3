#pragma once
// The message folders in the main window: the delete, export and resend
// keys of the message toolbars, the folder entries of the tree's pop-up
// menu with the new-folder dialog, the drops of list rows on the tree, and
// the drag start of the SIM and address lists. One FolderActionsUi lives as
// a child of the main window; installFolderActions creates it.
#include <QObject>
#include <QString>
#include <functional>

#include "folders/FolderNodes.h"
#include "folders/MessageFolders.h"
#include "mainwindow/DragPayload.h"

class AppCommands;
class MainWindow;
class OutboxQueue;
class QAbstractItemView;
class QDialog;
class QMenu;
class QTreeWidgetItem;
class QWidget;

class FolderActionsUi : public QObject {
    Q_OBJECT
public:
    // Copies a Sent Items message back into the queue; the new queue code,
    // or -1 when nothing was queued. A message the queue refuses (its number
    // cannot be sent to) gives the reason in *refusal.
    using Resend = std::function<qint64(qint64 logCode, QString* refusal)>;

    FolderActionsUi(MainWindow& main, AppCommands& app, Resend resend);

    // The message toolbars. The delete asks under the given title.
    void deleteMessages(const QString& title);
    void exportMessages();
    void resendMessages();

    // The folder commands of the tree.
    void newFolder(NodeKind family);
    void renameFolder(QTreeWidgetItem* node);
    void deleteFolder(QTreeWidgetItem* node);
    void fillNodeMenu(QMenu& menu, QTreeWidgetItem* node);

    // Drops of list rows on the tree.
    bool acceptsDrop(QTreeWidgetItem* target, const DragItems& items) const;
    void drop(QTreeWidgetItem* target, const DragItems& items);

private:
    // The folder whose rows the message list shows; false when it shows none.
    bool shownFolder(MessageFolder* folder) const;
    QList<qint64> selectedCodes() const;
    void moveMessages(QTreeWidgetItem* target, const DragItems& items);
    void importSimRows(QTreeWidgetItem* target, const DragItems& items);
    void joinGroup(QTreeWidgetItem* target, const DragItems& items);
    // Refills the address list when it shows the book (group empty) or that
    // group.
    void refreshAddressView(const QString& group);

    MainWindow& main_;
    AppCommands& app_;
    Resend resend_;
};

// The rows selected in a list, in list order, as a drag carries them: the
// key of each row is the text of its keyColumn.
DragItems selectedListItems(const QAbstractItemView& list, const QString& source, int keyColumn,
                            const QString& table = {});

// Makes the list start a drag of its selected rows (the program's own drag
// format) when the pointer moves with the left button held over a row.
void enableListDrag(QAbstractItemView& list, const QString& source, int keyColumn);

FolderActionsUi* installFolderActions(MainWindow& main, AppCommands& app, OutboxQueue& queue);
FolderActionsUi* installFolderActions(MainWindow& main, AppCommands& app, FolderActionsUi::Resend resend);
// The folder actions of a main window (nullptr before installFolderActions).
FolderActionsUi* folderActionsOf(MainWindow& main);
