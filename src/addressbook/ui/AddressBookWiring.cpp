#include "addressbook/ui/AddressBookWiring.h"

#include "addressbook/AddressGroups.h"
#include "addressbook/ui/AddressListModel.h"
#include "addressbook/ui/CheckListDialog.h"
#include "addressbook/ui/GroupAddDialog.h"
#include "addressbook/ui/RecipientPickers.h"
#include "base/Database.h"
#include "base/UserPrompt.h"
#include "compose/ui/ComposeWiring.h"
#include "controls/FormHelpers.h"
#include "controls/WindowServices.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "base/EngineState.h"

#include <QApplication>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QTreeView>
#include <algorithm>

namespace {

QStringList reversed(const QStringList& list)
{
    QStringList out;
    out.reserve(list.size());
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        out << *it;
    return out;
}

} // namespace

AddressBookUi::AddressBookUi(MainWindow& main, AppCommands& app)
    : QObject(&main), main_(main), app_(app), model_(new AddressListModel(this))
{
    setObjectName(QStringLiteral("addressBook"));
    QTreeView* list = main_.addressList();
    QAbstractItemModel* placeholder = list->model();
    list->setModel(model_);
    if (placeholder && placeholder->parent() == list)
        placeholder->deleteLater();
    list->setAccessibleName(QStringLiteral("Address list"));
    list->header()->setSectionsClickable(true);
    list->header()->setSortIndicatorShown(false);
    // A heading click sorts by that column, always the same way round.
    connect(list->header(), &QHeaderView::sectionClicked, this, [this](int column) { model_->sort(column); });
    connect(list, &QAbstractItemView::doubleClicked, this, [this] { EditAddress(); });
    list->installEventFilter(this);
}

bool AddressBookUi::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: the list also sends events while the window that
    // owns it is being destroyed, when the window may no longer be asked.
    if (event->type() == QEvent::KeyPress && watched == main_.addressList()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            if (groupShown())
                DeleteGroupMembers();
            else if (addressListShown())
                DeleteAddresses();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

bool AddressBookUi::addressListShown() const
{
    return main_.hasView() &&
           (main_.currentView() == ViewKind::AddressBook || main_.currentView() == ViewKind::Group);
}

bool AddressBookUi::groupShown() const { return main_.hasView() && main_.currentView() == ViewKind::Group; }

// ----------------------------------------------------------- the list

void AddressBookUi::PopulateAddress(const QString& group)
{
    QTreeView* list = main_.addressList();
    list->setUpdatesEnabled(false);
    const AddressList fill = AddressBook(app_.db()).listAddresses(group);
    model_->reset(fill.rows);
    list->setUpdatesEnabled(true);
    if (!fill.ok)
        app_.prompt().show(UserPrompt::Icon::Critical, QStringLiteral("Unable to open Address Book"), fill.error,
                           UserPrompt::Buttons::Ok);
    main_.refreshHeading();
}

QStringList AddressBookUi::selectedNumbers() const
{
    return model_->numbersInViewOrder(main_.addressList()->selectionModel()->selectedRows());
}

QString AddressBookUi::selectedNumber() const
{
    const QItemSelectionModel* sel = main_.addressList()->selectionModel();
    const QModelIndex current = sel->currentIndex();
    if (current.isValid() && sel->isRowSelected(current.row(), {}))
        return model_->rowAt(current.row()).number;
    const QStringList numbers = selectedNumbers();
    return numbers.isEmpty() ? QString() : numbers.first();
}

QList<AddressListRow> AddressBookUi::selectedAddresses() const
{
    QList<AddressListRow> out;
    const QModelIndexList rows = main_.addressList()->selectionModel()->selectedRows();
    std::vector<int> order;
    for (const QModelIndex& i : rows)
        order.push_back(i.row());
    std::sort(order.begin(), order.end());
    for (int r : order)
        out << model_->rowAt(r);
    return out;
}

void AddressBookUi::DeleteAddresses()
{
    const QStringList numbers = selectedNumbers();
    UserPrompt& prompt = app_.prompt();
    if (numbers.isEmpty()) {
        prompt.warning(QStringLiteral("Please select items to delete"));
        return;
    }
    if (!prompt.confirmDestructive(QStringLiteral("The selected items will be deleted from the Address Book.\n"
                                                  "You will not be able to recover the deleted items.\n"
                                                  "Confirm delete selected items?"),
                                   QStringLiteral("Delete Selected Items...")))
        return;
    WaitCursor wait;
    // From the last item to the first; an entry that cannot be deleted
    // stays, and the others go on.
    const QStringList removed = AddressBook(app_.db()).deleteAddresses(reversed(numbers));
    model_->removeNumbers(removed);
    main_.refreshHeading();
}

void AddressBookUi::EditAddress()
{
    const QString number = selectedNumber();
    if (model_->rowCount() == 0 || number.isNull())
        return;
    openForm(AddressDialog::Mode::Edit, number);
}

void AddressBookUi::NewAddress() { openForm(AddressDialog::Mode::Add, QString()); }

void AddressBookUi::AddSenderToAddressBook()
{
    QTreeView* list = main_.messageList();
    const QItemSelectionModel* sel = list->selectionModel();
    if (!sel || !sel->hasSelection())
        return;
    int row = -1;
    const QModelIndex current = sel->currentIndex();
    if (current.isValid() && sel->isRowSelected(current.row(), {})) {
        row = current.row();
    } else {
        const QModelIndexList rows = sel->selectedRows();
        if (rows.isEmpty())
            return;
        row = rows.first().row();
    }
    if (row < 0 || row >= main_.messageModel()->rowCount())
        return;
    openFormForNumber(main_.messageModel()->rowAt(row).number);
}

AddressDialog* AddressBookUi::openFormForNumber(QString number)
{
    QString error;
    switch (AddressBook(app_.db()).numberExists(number, &error)) {
    case 0: return openForm(AddressDialog::Mode::Add, number);
    case 1: return openForm(AddressDialog::Mode::Edit, number);
    default: app_.prompt().error(error); return nullptr;
    }
}

AddressDialog* AddressBookUi::openForm(AddressDialog::Mode mode, const QString& number)
{
    auto* form = openSingleDialog<AddressDialog>(&main_, mode, app_.db(), app_.prompt(), app_.windows(), number);
    connect(form, &AddressDialog::saved, this, &AddressBookUi::refreshAfterSave);
    if (mode == AddressDialog::Mode::Edit)
        connect(form, &QDialog::finished, &main_, [m = &main_] { m->activateWindow(); });
    return form;
}

void AddressBookUi::refreshAfterSave(const SavedAddress& s)
{
    if (addressListShown()) {
        // The list shows the entry only where it belongs: the whole book, or
        // a group it is a member of.
        const bool belongs = !groupShown() || s.groups.contains(main_.nodeKey(), Qt::CaseInsensitive);
        const AddressListRow row{s.name, s.number};
        const QString key = s.added ? s.number : s.oldNumber;
        if (!belongs)
            model_->removeNumber(key);
        else if (s.added || !model_->updateRow(key, row))
            model_->append(row);
        main_.refreshHeading();
    } else if (main_.hasView()) {
        MessageListModel* messages = main_.messageModel();
        const bool renumbered = !s.added && s.oldNumber != s.number;
        if (renumbered && main_.currentView() == ViewKind::Outbox) {
            // The waiting messages now go to the new number.
            main_.populateOutbox();
        } else {
            messages->setNameForNumber(s.number, s.name);
            if (renumbered)
                messages->setNameForNumber(s.oldNumber, QStringLiteral(" "));
        }
    }
    emit addressSaved(s);
}

// ----------------------------------------------------------- groups

void AddressBookUi::AddGroupMembers()
{
    if (!groupShown())
        return;
    const QString group = main_.nodeKey();
    const AddressList candidates = AddressGroups(app_.db()).memberCandidates(group);
    if (!candidates.ok) {
        app_.prompt().error(candidates.error);
        return;
    }
    CheckListDialog picker({QStringLiteral("frmGroupMemberAdd"), QStringLiteral("Address List"),
                            {QStringLiteral("Name"), QStringLiteral("Number")}, QStringLiteral("Addresses"),
                            QStringLiteral("Add Selected"), QStringLiteral("cmdAdd")},
                           &main_);
    QHash<QString, QString> names;
    for (const AddressListRow& r : candidates.rows) {
        picker.addRow({r.name, r.number}, r.number);
        names.insert(r.number, r.name);
    }
    picker.onAccept = [this, group, &names, &picker](const QStringList& ticked) {
        // A highlighted row is not a ticked one: nothing is added, and the
        // picker stays open saying so.
        if (ticked.isEmpty() && picker.rowCount() > 0) {
            app_.prompt().warning(QStringLiteral("Please tick the items to add"));
            return false;
        }
        const AddressGroups::MemberResult r = AddressGroups(app_.db()).addMembers(group, ticked);
        for (const QString& number : r.done)
            model_->append({names.value(number), number});
        main_.refreshHeading();
        if (r.failed) {
            app_.prompt().databaseError(QStringLiteral("Process incomplete. Please check and try again"));
            return false;
        }
        return true;
    };
    app_.windows().runModal(picker);
}

void AddressBookUi::DeleteGroupMembers()
{
    if (!groupShown())
        return;
    UserPrompt& prompt = app_.prompt();
    const QStringList numbers = selectedNumbers();
    if (numbers.isEmpty()) {
        prompt.warning(QStringLiteral("Please select items to delete"));
        return;
    }
    const UserPrompt::Answer a = prompt.show(UserPrompt::Icon::Question, QStringLiteral("Delete from Group..."),
                                             QStringLiteral("Delete selected item from Address Book as well?"),
                                             UserPrompt::Buttons::YesNoCancelDefaultNo);
    if (a != UserPrompt::Answer::Yes && a != UserPrompt::Answer::No)
        return;
    AddressGroups::MemberResult r;
    {
        WaitCursor wait;
        r = AddressGroups(app_.db()).removeMembers(main_.nodeKey(), reversed(numbers), a == UserPrompt::Answer::Yes);
        model_->removeNumbers(r.done);
        main_.refreshHeading();
    }
    if (r.failed)
        prompt.databaseError(QStringLiteral("Process not complete"));
}

void AddressBookUi::newGroup()
{
    GroupAddDialog dialog(app_.db(), app_.prompt(), &main_);
    if (app_.windows().runModal(dialog) != QDialog::Accepted || dialog.createdGroup().isEmpty())
        return;
    main_.populateFolderTree(NodeKind::Group, dialog.createdGroup());
}

void AddressBookUi::renameGroup(QTreeWidgetItem* node)
{
    if (node && FolderTree::kindOf(node) == NodeKind::Group)
        main_.startRename(node);
}

void AddressBookUi::deleteGroup(QTreeWidgetItem* node)
{
    if (!node || FolderTree::kindOf(node) != NodeKind::Group)
        return;
    UserPrompt& prompt = app_.prompt();
    if (!prompt.confirmDestructive(QStringLiteral("Confirm delete selected group?"), QStringLiteral("Delete")))
        return;
    const QString name = FolderTree::keyOf(node);
    QString error;
    bool ok;
    {
        WaitCursor wait;
        ok = AddressGroups(app_.db(), &app_.state().settings()).deleteGroup(name, &error);
    }
    if (!ok) {
        prompt.error(error);
        return;
    }
    FolderTree* tree = main_.folderTree();
    QTreeWidgetItem* parent = node->parent();
    const bool wasCurrent = tree->currentItem() == node;
    if (wasCurrent && parent) {
        // The next group, else the one before, else the Address Book.
        const int at = parent->indexOfChild(node);
        QTreeWidgetItem* next = parent->childCount() == 1 ? parent
                                : at + 1 < parent->childCount() ? parent->child(at + 1)
                                                                : parent->child(at - 1);
        tree->selectQuietly(next);
    }
    delete node;
    if (wasCurrent)
        main_.nodeClick();
}

void AddressBookUi::fillNodeMenu(QMenu& menu, QTreeWidgetItem* node)
{
    switch (FolderTree::kindOf(node)) {
    case NodeKind::AddressBook: {
        QAction* a = menu.addAction(QStringLiteral("&New Group"));
        a->setObjectName(QStringLiteral("mnuGroupRootNew"));
        connect(a, &QAction::triggered, this, [this] { newGroup(); });
        break;
    }
    case NodeKind::Group: {
        // The node is looked up again when a command runs: the tree may have
        // been rebuilt while the menu was open.
        const QString key = FolderTree::keyOf(node);
        auto find = [this, key] { return main_.folderTree()->findNode(NodeKind::Group, key); };
        QAction* rename = menu.addAction(QStringLiteral("&Rename Group"));
        rename->setObjectName(QStringLiteral("mnuGroupRename"));
        connect(rename, &QAction::triggered, this, [this, find] { renameGroup(find()); });
        QAction* del = menu.addAction(QStringLiteral("&Delete Group"));
        del->setObjectName(QStringLiteral("mnuGroupDelete"));
        connect(del, &QAction::triggered, this, [this, find] { deleteGroup(find()); });
        break;
    }
    default: break;
    }
}

// ----------------------------------------------------------- wiring

AddressBookUi* installAddressBook(MainWindow& main, AppCommands& app)
{
    if (AddressBookUi* existing = addressBookOf(main))
        return existing;
    auto* ui = new AddressBookUi(main, app);
    main.populateAddressHook = [ui](const QString& group) { ui->PopulateAddress(group); };
    main.addNodeMenuHook([ui](QMenu& menu, QTreeWidgetItem* node) { ui->fillNodeMenu(menu, node); });

    main.setToolbarAction(ToolbarId::Address, QStringLiteral("AddressNew"), [ui] { ui->NewAddress(); });
    main.setToolbarAction(ToolbarId::Address, QStringLiteral("AddressDelete"), [ui] { ui->DeleteAddresses(); });
    main.setToolbarAction(ToolbarId::Address, QStringLiteral("AddressEdit"), [ui] { ui->EditAddress(); });
    main.setToolbarAction(ToolbarId::Group, QStringLiteral("GroupAdd"), [ui] { ui->AddGroupMembers(); });
    main.setToolbarAction(ToolbarId::Group, QStringLiteral("GroupDelete"), [ui] { ui->DeleteGroupMembers(); });
    main.setToolbarAction(ToolbarId::Group, QStringLiteral("GroupEdit"), [ui] { ui->EditAddress(); });
    main.setToolbarAction(ToolbarId::Inbox, QStringLiteral("sender"), [ui] { ui->AddSenderToAddressBook(); });
    main.setToolbarAction(ToolbarId::Outbox, QStringLiteral("addressee"), [ui] { ui->AddSenderToAddressBook(); });
    main.setToolbarAction(ToolbarId::SentItems, QStringLiteral("addressee"),
                          [ui] { ui->AddSenderToAddressBook(); });
    connectPickers(main, app);
    return ui;
}

void connectPickers(MainWindow& main, AppCommands& app)
{
    SendFormOpener* opener = SendFormOpener::of(main);
    if (!opener)
        return;
    AppCommands* a = &app;
    opener->hooks.pickAddresses = [a](QWidget* parent, QList<SendForm::PickedAddress>& picked) {
        RecipientPicks picks;
        for (const SendForm::PickedAddress& p : picked)
            picks.asRecipients.append({p.key, p.number});
        if (!pickAddresses(parent, a->db(), a->prompt(), a->windows(), picks))
            return false;
        picked.clear();
        for (const PickedRecipient& r : picks.asRecipients)
            picked.append({r.key, r.number});
        return true;
    };
    opener->hooks.pickGroups = [a](QWidget* parent, QStringList& groups) {
        RecipientPicks picks;
        picks.asPickedGroups = groups;
        if (!pickGroups(parent, a->db(), a->prompt(), a->windows(), picks))
            return false;
        groups = picks.asPickedGroups;
        return true;
    };
}

AddressBookUi* addressBookOf(MainWindow& main)
{
    return main.findChild<AddressBookUi*>(QStringLiteral("addressBook"), Qt::FindDirectChildrenOnly);
}
