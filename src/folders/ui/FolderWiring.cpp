#include "folders/ui/FolderWiring.h"

#include "controls/WindowServices.h"
#include "controls/FormHelpers.h"
#include "addressbook/AddressGroups.h"
#include "base/Database.h"
#include "base/UserPrompt.h"
#include "folders/FolderActions.h"
#include "folders/ui/FolderAddDialog.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDateTime>
#include <QDrag>
#include <QFile>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeView>
#include <algorithm>

namespace {

const QString kAppTitle = QStringLiteral("Velquarin");

// Starts a drag of the selected rows when the pointer moves with the left
// button held, after a press on a row.
class ListDragStarter : public QObject {
public:
    ListDragStarter(QAbstractItemView& list, QString source, int keyColumn)
        : QObject(&list), list_(list), source_(std::move(source)), column_(keyColumn)
    {
        list.viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* e = static_cast<QMouseEvent*>(event);
            armed_ = e->button() == Qt::LeftButton && list_.indexAt(e->position().toPoint()).isValid();
            pressAt_ = e->position().toPoint();
            break;
        }
        case QEvent::MouseMove: {
            const auto* e = static_cast<QMouseEvent*>(event);
            if (!(e->buttons() & Qt::LeftButton)) {
                armed_ = false;
                break;
            }
            if (!armed_ || (e->position().toPoint() - pressAt_).manhattanLength() < QApplication::startDragDistance())
                break;
            armed_ = false;
            const DragItems items = selectedListItems(list_, source_, column_);
            if (items.keys.isEmpty())
                break;
            auto* drag = new QDrag(&list_);
            drag->setMimeData(dragpayload::encode(items));
            drag->setPixmap(IconStore::statusIcon(QStringLiteral("imgDrag")).pixmap(32));
            drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
            return true;
        }
        case QEvent::MouseButtonRelease: armed_ = false; break;
        default: break;
        }
        return false;
    }

private:
    QAbstractItemView& list_;
    QString source_;
    int column_;
    QPoint pressAt_;
    bool armed_ = false;
};

} // namespace

DragItems selectedListItems(const QAbstractItemView& list, const QString& source, int keyColumn, const QString& table)
{
    DragItems items{source, table, {}};
    const QItemSelectionModel* sel = list.selectionModel();
    if (!sel || !list.model())
        return items;
    std::vector<int> rows;
    for (const QModelIndex& i : sel->selectedRows())
        rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    for (int r : rows)
        items.keys << list.model()->index(r, keyColumn).data(Qt::DisplayRole).toString();
    return items;
}

void enableListDrag(QAbstractItemView& list, const QString& source, int keyColumn)
{
    // The view's own drag would carry the model's format; this one carries
    // the program's.
    list.setDragEnabled(false);
    new ListDragStarter(list, source, keyColumn);
}

FolderActionsUi::FolderActionsUi(MainWindow& main, AppCommands& app, Resend resend)
    : QObject(&main), main_(main), app_(app), resend_(std::move(resend))
{
    setObjectName(QStringLiteral("folderActions"));
}

bool FolderActionsUi::shownFolder(MessageFolder* folder) const
{
    if (!main_.hasView())
        return false;
    switch (main_.currentView()) {
    case ViewKind::Inbox: *folder = MessageFolder::Inbox; return true;
    case ViewKind::Outbox: *folder = MessageFolder::Outbox; return true;
    case ViewKind::SentItems: *folder = MessageFolder::SentItems; return true;
    default: return false;
    }
}

QList<qint64> FolderActionsUi::selectedCodes() const
{
    return main_.messageModel()->codesInViewOrder(main_.messageList()->selectionModel()->selectedRows());
}

// ------------------------------------------------------------ the toolbars

void FolderActionsUi::deleteMessages(const QString& title)
{
    MessageFolder folder;
    if (!shownFolder(&folder))
        return;
    UserPrompt& prompt = app_.prompt();
    if (!prompt.confirmDestructive(QStringLiteral("Confirm Delete Selected?"), title))
        return;
    DeleteOutcome out;
    {
        WaitCursor wait;
        out = ::deleteMessages(app_.db(), folder, selectedCodes());
        // A row whose statement failed stays in the list.
        for (qint64 code : out.deleted)
            main_.messageModel()->removeByCode(code);
        main_.refreshHeading();
        main_.clearMessageView();
        if (folder == MessageFolder::Inbox)
            main_.refreshUnreadCount();
    }
    if (out.failed)
        prompt.databaseError(QStringLiteral("Unable to delete record"));
}

void FolderActionsUi::exportMessages()
{
    MessageFolder folder;
    if (!shownFolder(&folder) || folder == MessageFolder::Outbox)
        return;
    UserPrompt& prompt = app_.prompt();
    const QList<qint64> codes = selectedCodes();
    if (codes.isEmpty()) {
        prompt.warning(QStringLiteral("Please select items to export"));
        return;
    }
    // The overwrite question is the program's own, asked afterwards.
    const QString path =
        app_.windows().chooseFileToSave(&main_, QString(), documentsFolder(), QStringLiteral("Text File (*.txt)"));
    if (path.isEmpty())
        return;
    if (QFile::exists(path) &&
        prompt.show(UserPrompt::Icon::Question, QStringLiteral("File already exists"),
                    QStringLiteral("Overwrite existing file?"), UserPrompt::Buttons::OkCancel) != UserPrompt::Answer::Ok)
        return;
    QString error;
    bool ok;
    {
        WaitCursor wait;
        QByteArray log;
        ok = buildMessageLog(app_.db(), folder, codes, QDateTime::currentDateTime(), &log, &error) &&
             writeFileWhole(path, log, &error);
    }
    // Reported only once the file is complete on disk.
    if (ok)
        prompt.note(QStringLiteral("Export completed"));
    else
        prompt.error(error);
}

void FolderActionsUi::resendMessages()
{
    MessageFolder folder;
    if (!shownFolder(&folder) || folder != MessageFolder::SentItems)
        return;
    UserPrompt& prompt = app_.prompt();
    const QList<qint64> codes = selectedCodes();
    if (codes.isEmpty()) {
        prompt.warning(QStringLiteral("Please select message to resend"));
        return;
    }
    int queued = 0;
    int failed = 0;
    QStringList refusals;
    for (qint64 code : codes) {
        QString refusal;
        if (resend_ && resend_(code, &refusal) >= 0)
            ++queued;
        else if (!refusal.isEmpty()) {
            if (!refusals.contains(refusal))
                refusals << refusal;
        } else
            ++failed;
    }
    main_.messageList()->selectionModel()->clearSelection();
    // A number the queue refuses is said as such, not as a database fault.
    if (!refusals.isEmpty())
        prompt.warning(refusals.join(QLatin1Char('\n')));
    if (failed > 0)
        prompt.databaseError(QStringLiteral("Unable to add record"));
    else if (refusals.isEmpty())
        prompt.note(QStringLiteral("Selected Messages sucessfully sent to Out Queue"));
}

// ------------------------------------------------------------- the folders

void FolderActionsUi::newFolder(NodeKind family)
{
    main_.setSelectedNode(QString());
    FolderAddDialog dialog(family, app_.db(), app_.prompt(), &main_);
    if (app_.windows().runModal(dialog) != QDialog::Accepted || dialog.createdKey().isEmpty())
        return;
    main_.setSelectedNode(dialog.createdKey());
    main_.populateFolderTree(dialog.family() == NodeKind::Inbox ? NodeKind::InboxFolder : NodeKind::SentFolder,
                             dialog.createdKey());
}

void FolderActionsUi::renameFolder(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const NodeKind kind = FolderTree::kindOf(node);
    if (kind == NodeKind::InboxFolder || kind == NodeKind::SentFolder)
        main_.startRename(node);
}

void FolderActionsUi::deleteFolder(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const NodeKind kind = FolderTree::kindOf(node);
    if (kind != NodeKind::InboxFolder && kind != NodeKind::SentFolder)
        return;
    UserPrompt& prompt = app_.prompt();
    if (!prompt.confirmDestructive(QStringLiteral("All messages in this folder will also be removed.\n"
                                                  "Confirm delete selected folder?"),
                                   QStringLiteral("Delete")))
        return;
    QString error;
    {
        WaitCursor wait;
        if (deleteUserFolder(app_.db(), kind, FolderTree::keyOf(node), &error)) {
            // The next folder, else the one before, else the parent.
            QTreeWidgetItem* parent = node->parent();
            QTreeWidgetItem* next = parent;
            if (parent) {
                const int at = nodeAfterDelete(parent->childCount(), parent->indexOfChild(node));
                if (at >= 0)
                    next = parent->child(at);
            }
            if (next)
                main_.populateFolderTree(FolderTree::kindOf(next), FolderTree::keyOf(next));
            else
                main_.populateFolderTree();
            return;
        }
    }
    prompt.databaseError(QStringLiteral("Unable to delete folder."));
}

void FolderActionsUi::fillNodeMenu(QMenu& menu, QTreeWidgetItem* node)
{
    const NodeKind kind = FolderTree::kindOf(node);
    const bool inbox = kind == NodeKind::Inbox || kind == NodeKind::InboxFolder;
    const QString prefix = inbox ? QStringLiteral("mnuInbox") : QStringLiteral("mnuSentItems");
    switch (kind) {
    case NodeKind::Inbox:
    case NodeKind::SentItems: {
        QAction* a = menu.addAction(QStringLiteral("&New Folder"));
        a->setObjectName(prefix + QStringLiteral("NewFolder"));
        connect(a, &QAction::triggered, this, [this, kind] { newFolder(kind); });
        break;
    }
    case NodeKind::InboxFolder:
    case NodeKind::SentFolder: {
        // The node is looked up again when a command runs: the tree may have
        // been rebuilt while the menu was open.
        const QString key = FolderTree::keyOf(node);
        auto find = [this, kind, key] { return main_.folderTree()->findNode(kind, key); };
        QAction* rename = menu.addAction(QStringLiteral("&Rename Folder"));
        rename->setObjectName(prefix + QStringLiteral("Rename"));
        connect(rename, &QAction::triggered, this, [this, find] { renameFolder(find()); });
        QAction* del = menu.addAction(QStringLiteral("&Delete Folder"));
        del->setObjectName(prefix + QStringLiteral("Delete"));
        connect(del, &QAction::triggered, this, [this, find] { deleteFolder(find()); });
        break;
    }
    default: break;
    }
}

// ----------------------------------------------------------------- drops

bool FolderActionsUi::acceptsDrop(QTreeWidgetItem* target, const DragItems& items) const
{
    if (!target)
        return false;
    switch (dropKindFor(FolderTree::kindOf(target), items.source, items.table)) {
    case DropKind::None: return false;
    case DropKind::MoveMessages:
        return std::all_of(items.keys.cbegin(), items.keys.cend(), [](const QString& k) {
            bool ok = false;
            k.toLongLong(&ok);
            return ok;
        });
    case DropKind::ExportToSim:
        // The export takes the rows selected in the address list shown.
        return main_.hasView() &&
               (main_.currentView() == ViewKind::AddressBook || main_.currentView() == ViewKind::Group);
    case DropKind::ImportSim:
    case DropKind::JoinGroup: return true;
    }
    return false;
}

void FolderActionsUi::drop(QTreeWidgetItem* target, const DragItems& items)
{
    if (!acceptsDrop(target, items))
        return;
    switch (dropKindFor(FolderTree::kindOf(target), items.source, items.table)) {
    case DropKind::MoveMessages: moveMessages(target, items); break;
    case DropKind::ImportSim: importSimRows(target, items); break;
    case DropKind::JoinGroup: joinGroup(target, items); break;
    case DropKind::ExportToSim:
        if (main_.currentView() == ViewKind::Group)
            main_.dispatchToolbar(ToolbarId::Group, QStringLiteral("GroupSIMExport"));
        else
            main_.dispatchToolbar(ToolbarId::Address, QStringLiteral("AddressSIMExport"));
        break;
    case DropKind::None: break;
    }
}

void FolderActionsUi::moveMessages(QTreeWidgetItem* target, const DragItems& items)
{
    MessageFolder folder;
    if (!folderOfNode(FolderTree::kindOf(target), &folder))
        return;
    QList<qint64> codes;
    for (const QString& k : items.keys)
        codes << k.toLongLong();
    QString error;
    if (!::moveMessages(app_.db(), folder, FolderTree::keyOf(target), codes, &error)) {
        app_.prompt().show(UserPrompt::Icon::Critical, kAppTitle,
                           QStringLiteral("Error encountered while moving items.\nAction incomplete. Please check."),
                           UserPrompt::Buttons::Ok);
        return;
    }
    // The rows leave the list when it shows their table.
    MessageFolder shown;
    if (shownFolder(&shown) && shown == folder) {
        for (qint64 code : codes)
            main_.messageModel()->removeByCode(code);
        main_.refreshHeading();
        main_.clearMessageView();
    }
    if (folder == MessageFolder::Inbox)
        main_.refreshUnreadCount();
}

void FolderActionsUi::importSimRows(QTreeWidgetItem* target, const DragItems& items)
{
    // The names are read from the SIM list: its rows carry name and number.
    QList<std::pair<QString, QString>> entries;
    const QAbstractItemModel* sim = main_.simList()->model();
    for (const QString& number : items.keys) {
        QString name;
        for (int r = 0; sim && r < sim->rowCount(); ++r) {
            if (sim->index(r, 1).data(Qt::DisplayRole).toString() == number) {
                name = sim->index(r, 0).data(Qt::DisplayRole).toString();
                break;
            }
        }
        entries.append({name, number});
    }
    const bool group = FolderTree::kindOf(target) == NodeKind::Group;
    const QString groupName = group ? FolderTree::keyOf(target) : QString();
    QString error;
    QStringList skipped;
    if (!importSimEntries(app_.db(), entries, groupName, &error, &skipped)) {
        app_.prompt().error(QStringLiteral("Import failed"));
        return;
    }
    refreshAddressView(groupName);
    // Entries already in the book keep their own names; the operator is
    // told which ones were not added.
    if (!skipped.isEmpty())
        app_.prompt().note(QStringLiteral("These numbers are already in the Address Book and were not added "
                                          "again:\n") +
                           skipped.join(QLatin1Char('\n')));
}

void FolderActionsUi::joinGroup(QTreeWidgetItem* target, const DragItems& items)
{
    const QString group = FolderTree::keyOf(target);
    const AddressGroups::MemberResult r = AddressGroups(app_.db()).addMembers(group, items.keys);
    refreshAddressView(group);
    if (r.failed)
        app_.prompt().databaseError(QStringLiteral("Process incomplete. Please check and try again"));
}

void FolderActionsUi::refreshAddressView(const QString& group)
{
    if (!main_.hasView() || !main_.populateAddressHook)
        return;
    const bool shown = group.isEmpty() ? main_.currentView() == ViewKind::AddressBook
                                       : main_.currentView() == ViewKind::Group &&
                                             main_.nodeKey().compare(group, Qt::CaseInsensitive) == 0;
    if (shown)
        main_.populateAddressHook(group);
}

// ------------------------------------------------------------------ wiring

FolderActionsUi* installFolderActions(MainWindow& main, AppCommands& app, OutboxQueue& queue)
{
    return installFolderActions(main, app, [q = &queue](qint64 code, QString* refusal) { return q->ResendFromLog(code, refusal); });
}

FolderActionsUi* installFolderActions(MainWindow& main, AppCommands& app, FolderActionsUi::Resend resend)
{
    if (FolderActionsUi* existing = folderActionsOf(main))
        return existing;
    auto* ui = new FolderActionsUi(main, app, std::move(resend));
    main.setToolbarAction(ToolbarId::Inbox, QStringLiteral("delete"),
                          [ui] { ui->deleteMessages(QStringLiteral("Delete")); });
    main.setToolbarAction(ToolbarId::Outbox, QStringLiteral("delete"), [ui] { ui->deleteMessages(kAppTitle); });
    main.setToolbarAction(ToolbarId::SentItems, QStringLiteral("delete"), [ui] { ui->deleteMessages(kAppTitle); });
    main.setToolbarAction(ToolbarId::Inbox, QStringLiteral("exportfile"), [ui] { ui->exportMessages(); });
    main.setToolbarAction(ToolbarId::SentItems, QStringLiteral("exportfile"), [ui] { ui->exportMessages(); });
    main.setToolbarAction(ToolbarId::SentItems, QStringLiteral("resend"), [ui] { ui->resendMessages(); });
    main.addNodeMenuHook([ui](QMenu& menu, QTreeWidgetItem* node) { ui->fillNodeMenu(menu, node); });

    FolderTree* tree = main.folderTree();
    tree->acceptsDrop = [ui](QTreeWidgetItem* target, const DragItems& items) {
        return ui->acceptsDrop(target, items);
    };
    tree->dropHandler = [ui](QTreeWidgetItem* target, const DragItems& items) { ui->drop(target, items); };
    // The rows of both lists are dragged by their numbers.
    enableListDrag(*main.simList(), QStringLiteral("lsvSIM"), 1);
    enableListDrag(*main.addressList(), QStringLiteral("lsvAddress"), 1);
    return ui;
}

FolderActionsUi* folderActionsOf(MainWindow& main)
{
    return main.findChild<FolderActionsUi*>(QStringLiteral("folderActions"), Qt::FindDirectChildrenOnly);
}
