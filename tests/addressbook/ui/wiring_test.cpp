// The address book in the main window: the list and its heading, the keys
// of the address and group toolbars, the tree's group commands, the forms
// opened from the message lists, and the views kept in step after a save.
#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <gtest/gtest.h>

#include "remote/QtPrint.h"

#include "addressbook/ui/AddressBookWiring.h"
#include "addressbook/ui/AddressListModel.h"
#include "addressbook/ui/CheckListDialog.h"
#include "addressbook/ui/GroupAddDialog.h"
#include "app/AppController.h"
#include "compose/ui/ComposeWiring.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "mainwindow/Seed.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

int count(Database& db, const QString& sql, const QVariantList& binds = {})
{
    return db.query(sql, binds).value(0, 0).toInt();
}

class WiringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        testenv::windows().reset();
        Settings::clear();
        seed::address(db, "+441", "Ann", "Lee");
        seed::address(db, "+442", "bob", "");
        seed::address(db, "+443", "Cy", "Dee");
        seed::group(db, "Family");
        seed::group(db, "Sales");
        seed::group(db, "Work");
        seed::member(db, "Sales", "+441");
        seed::member(db, "Work", "+441");
        seed::member(db, "Work", "+443");
        seed::inbox(db, 1, "+443", "2024-01-01 10:00:00", "O");
        seed::inbox(db, 2, "+449", "2024-01-02 10:00:00", "O");
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        w = std::make_unique<MainWindow>(*app);
        ui = installAddressBook(*w, *app);
        w->populate();
    }
    void TearDown() override
    {
        testenv::windows().reset();
        w.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void showGroup(const QString& name)
    {
        w->folderTree()->setCurrentItem(w->folderTree()->findNode(NodeKind::Group, name));
    }
    QStringList listed() const
    {
        QStringList out;
        for (int r = 0; r < ui->model()->rowCount(); ++r)
            out << ui->model()->rowAt(r).name + "|" + ui->model()->rowAt(r).number;
        return out;
    }
    void select(const QStringList& numbers)
    {
        QItemSelectionModel* sel = w->addressList()->selectionModel();
        sel->clearSelection();
        for (const QString& n : numbers) {
            const int r = ui->model()->rowOfNumber(n);
            ASSERT_GE(r, 0) << n.toStdString();
            sel->select(ui->model()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
            sel->setCurrentIndex(ui->model()->index(r, 0), QItemSelectionModel::NoUpdate);
        }
    }
    AddressDialog* openForm()
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const auto forms = w->findChildren<AddressDialog*>();
        return forms.size() == 1 ? forms.first() : nullptr;
    }
    QAction* menuEntry(QMenu& menu, const char* name)
    {
        for (QAction* a : menu.actions())
            if (a->objectName() == QLatin1String(name))
                return a;
        return nullptr;
    }

    testenv::FreshDb f;
    Database& db = f.db();
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
    AddressBookUi* ui = nullptr;
};

} // namespace

TEST_F(WiringTest, TheBookAndEachGroupFillTheListWithTheirHeading)
{
    w->jumpToNode(NodeKind::AddressBook);
    EXPECT_EQ(listed(), (QStringList{"Ann Lee|+441", "bob |+442", "Cy Dee|+443"}));
    EXPECT_EQ(w->heading(), "  Address Book (3)");
    EXPECT_TRUE(w->toolbar(ToolbarId::Address)->isVisibleTo(w.get()));
    EXPECT_EQ(w->addressList()->model()->headerData(0, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(w->addressList()->model()->headerData(1, Qt::Horizontal).toString(), "Number");

    showGroup("Work");
    EXPECT_EQ(listed(), (QStringList{"Ann Lee|+441", "Cy Dee|+443"}));
    EXPECT_EQ(w->heading(), "  Work (2)");
    EXPECT_TRUE(w->toolbar(ToolbarId::Group)->isVisibleTo(w.get()));

    // A message folder empties the address list.
    w->jumpToNode(NodeKind::Inbox);
    EXPECT_EQ(ui->model()->rowCount(), 0);
}

TEST_F(WiringTest, HeadingClicksSortAscendingEveryTimeAndKeepTheSelection)
{
    seed::address(db, "+440", "ann", "Able");
    w->jumpToNode(NodeKind::AddressBook);
    select({"+443"});
    QHeaderView* header = w->addressList()->header();
    emit header->sectionClicked(1);
    EXPECT_EQ(ui->model()->rowAt(0).number, "+440");
    emit header->sectionClicked(0);
    EXPECT_EQ(listed(), (QStringList{"ann Able|+440", "Ann Lee|+441", "bob |+442", "Cy Dee|+443"}));
    emit header->sectionClicked(0);
    EXPECT_EQ(listed().first(), "ann Able|+440");
    EXPECT_EQ(ui->selectedAddresses().size(), 1);
    EXPECT_EQ(ui->selectedAddresses().first().number, "+443");

    // Ctrl+A selects every row.
    QTest::keyClick(w->addressList(), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(ui->selectedAddresses().size(), 4);
}

TEST_F(WiringTest, DeleteAddressesAsksThenDeletesWithMemberships)
{
    w->jumpToNode(NodeKind::AddressBook);
    w->dispatchToolbar(ToolbarId::Address, "AddressDelete");
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Please select items to delete");

    select({"+441", "+443"});
    testenv::prompt().reset();
    testenv::prompt().queue(UserPrompt::Answer::No);
    QTest::keyClick(w->addressList(), Qt::Key_Delete);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Delete Selected Items...");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "The selected items will be deleted from the Address Book.\n"
                                                  "You will not be able to recover the deleted items.\n"
                                                  "Confirm delete selected items?");
    EXPECT_EQ(ui->model()->rowCount(), 3);

    QTest::keyClick(w->addressList(), Qt::Key_Delete);
    EXPECT_EQ(listed(), QStringList{"bob |+442"});
    EXPECT_EQ(w->heading(), "  Address Book (1)");
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps"), 0);
}

TEST_F(WiringTest, RemovingGroupMembersAsksWithNoAsTheDefault)
{
    showGroup("Work");
    select({"+441"});
    testenv::prompt().queue(UserPrompt::Answer::Cancel);
    QTest::keyClick(w->addressList(), Qt::Key_Delete);
    ASSERT_EQ(testenv::prompt().count(), 1);
    const auto& asked = testenv::prompt().shown()[0];
    EXPECT_EQ(asked.title, "Delete from Group...");
    EXPECT_EQ(asked.text, "Delete selected item from Address Book as well?");
    EXPECT_EQ(asked.buttons, UserPrompt::Buttons::YesNoCancelDefaultNo);
    EXPECT_EQ(ui->model()->rowCount(), 2);

    // No: the membership only.
    testenv::prompt().queue(UserPrompt::Answer::No);
    w->dispatchToolbar(ToolbarId::Group, "GroupDelete");
    EXPECT_EQ(listed(), QStringList{"Cy Dee|+443"});
    EXPECT_EQ(w->heading(), "  Work (1)");
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+441'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+441'"), 1);

    // Yes: the entry leaves the book and every group.
    showGroup("Sales");
    select({"+441"});
    testenv::prompt().queue(UserPrompt::Answer::Yes);
    w->dispatchToolbar(ToolbarId::Group, "GroupDelete");
    EXPECT_EQ(ui->model()->rowCount(), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+441'"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+441'"), 0);
}

TEST_F(WiringTest, AddingMembersOffersNonMembersAndAFailureKeepsThePickerOpen)
{
    showGroup("Sales");
    QStringList offered;
    bool untickedStayedOpen = false;
    testenv::windows().setModalRunner([&](QDialog& d) {
        auto& p = static_cast<CheckListDialog&>(d);
        EXPECT_EQ(p.objectName(), "frmGroupMemberAdd");
        EXPECT_EQ(p.windowTitle(), "Address List");
        for (int i = 0; i < p.rowCount(); ++i)
            offered << p.tagOf(i);
        // A row highlighted but none ticked: nothing added, and said so.
        p.lsvList->setCurrentItem(p.row(1));
        p.cmdAccept->click();
        untickedStayedOpen = p.result() != QDialog::Accepted;
        EXPECT_EQ(testenv::prompt().count(), 1);
        p.setTicked(1, true);
        p.cmdAccept->click();
        return d.result();
    });
    testenv::prompt().reset();
    w->dispatchToolbar(ToolbarId::Group, "GroupAdd");
    EXPECT_TRUE(untickedStayedOpen);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Please tick the items to add");
    EXPECT_EQ(offered, (QStringList{"+442", "+443"}));
    EXPECT_EQ(listed(), (QStringList{"Ann Lee|+441", "Cy Dee|+443"}));
    EXPECT_EQ(w->heading(), "  Sales (2)");
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Sales'"), 2);

    seed::exec(db, "create trigger no2 before insert on tbaddrgrps when new.addrno='+442' "
                   "begin select raise(abort, 'no'); end");
    bool stayedOpen = false;
    testenv::windows().setModalRunner([&](QDialog& d) {
        auto& p = static_cast<CheckListDialog&>(d);
        p.setTicked(0, true);
        p.cmdAccept->click();
        stayedOpen = p.result() != QDialog::Accepted;
        p.cmdCancel->click();
        return d.result();
    });
    w->dispatchToolbar(ToolbarId::Group, "GroupAdd");
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(testenv::prompt().shown().last().text, "Process incomplete. Please check and try again");
    EXPECT_EQ(testenv::prompt().shown().last().title, "Database Error");
    EXPECT_EQ(ui->model()->rowCount(), 2);
}

TEST_F(WiringTest, TreeMenuCreatesAndDeletesGroups)
{
    FolderTree* tree = w->folderTree();
    QMenu rootMenu;
    w->fillNodeMenu(rootMenu, tree->fixedNode(NodeKind::AddressBook));
    QAction* add = menuEntry(rootMenu, "mnuGroupRootNew");
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->text(), "&New Group");
    QMenu inboxMenu;
    w->fillNodeMenu(inboxMenu, tree->fixedNode(NodeKind::Inbox));
    EXPECT_EQ(menuEntry(inboxMenu, "mnuGroupRootNew"), nullptr);

    testenv::windows().setModalRunner([](QDialog& d) {
        auto& g = static_cast<GroupAddDialog&>(d);
        g.txtGrpNam->setText(" Bowling ");
        g.cmdAdd->click();
        return d.result();
    });
    add->trigger();
    QTreeWidgetItem* bowling = tree->findNode(NodeKind::Group, "Bowling");
    ASSERT_NE(bowling, nullptr);
    EXPECT_EQ(tree->currentItem(), bowling);
    EXPECT_EQ(w->heading(), "  Bowling (0)");

    // Deleting the group shown selects the next one and shows it.
    Settings::save("SettingAutFwd", "Bowling");
    Settings::save("SettingGrpSnd", "bowling");
    QMenu groupMenu;
    w->fillNodeMenu(groupMenu, bowling);
    QAction* rename = menuEntry(groupMenu, "mnuGroupRename");
    ASSERT_NE(rename, nullptr);
    EXPECT_EQ(rename->text(), "&Rename Group");
    w->show();
    rename->trigger();
    auto* editor = tree->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Bowling");
    QTest::keyClick(editor, Qt::Key_Escape);
    // The tree is rebuilt while the menu is open: the command finds the
    // group's new node.
    w->populateFolderTree(NodeKind::Group, "Bowling");
    bowling = tree->findNode(NodeKind::Group, "Bowling");
    QAction* del = menuEntry(groupMenu, "mnuGroupDelete");
    ASSERT_NE(del, nullptr);
    testenv::prompt().reset();
    del->trigger();
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Confirm delete selected group?");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Delete");
    EXPECT_EQ(tree->findNode(NodeKind::Group, "Bowling"), nullptr);
    EXPECT_EQ(FolderTree::keyOf(tree->currentItem()), "Family");
    EXPECT_EQ(w->heading(), "  Family (0)");
    EXPECT_EQ(Settings::text("SettingAutFwd"), "None");
    EXPECT_EQ(Settings::text("SettingGrpSnd"), "None");
    EXPECT_EQ(app->state().sAutoFwdGroup, "None");

    // The last group shown: the one before it. A group right-clicked while
    // another is shown: the view stays.
    showGroup("Work");
    QMenu workMenu;
    w->fillNodeMenu(workMenu, tree->findNode(NodeKind::Group, "Work"));
    menuEntry(workMenu, "mnuGroupDelete")->trigger();
    EXPECT_EQ(FolderTree::keyOf(tree->currentItem()), "Sales");
    QMenu familyMenu;
    w->fillNodeMenu(familyMenu, tree->findNode(NodeKind::Group, "Family"));
    menuEntry(familyMenu, "mnuGroupDelete")->trigger();
    EXPECT_EQ(FolderTree::keyOf(tree->currentItem()), "Sales");
    EXPECT_EQ(w->heading(), "  Sales (1)");
    QMenu salesMenu;
    w->fillNodeMenu(salesMenu, tree->findNode(NodeKind::Group, "Sales"));
    testenv::prompt().queue(UserPrompt::Answer::No);
    menuEntry(salesMenu, "mnuGroupDelete")->trigger();
    EXPECT_NE(tree->findNode(NodeKind::Group, "Sales"), nullptr);
    menuEntry(salesMenu, "mnuGroupDelete")->trigger();
    EXPECT_EQ(tree->currentItem(), tree->fixedNode(NodeKind::AddressBook));
    EXPECT_EQ(count(db, "select count(*) from tbgrps"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 3);
}

TEST_F(WiringTest, FormsFromTheToolbarsKeepTheListInStep)
{
    w->jumpToNode(NodeKind::AddressBook);
    w->dispatchToolbar(ToolbarId::Address, "AddressEdit");
    EXPECT_EQ(openForm(), nullptr);  // nothing selected

    select({"+442"});
    emit w->addressList()->doubleClicked(ui->model()->index(ui->model()->rowOfNumber("+442"), 0));
    AddressDialog* form = openForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "frmAddressEdit");
    EXPECT_EQ(form->text(AddressField::FirstName), "bob");
    form->setText(AddressField::LastName, "Ray");
    form->setText(AddressField::PhoneNo, "+452");
    form->cmdSave->click();
    EXPECT_EQ(listed(), (QStringList{"Ann Lee|+441", "bob Ray|+452", "Cy Dee|+443"}));

    w->dispatchToolbar(ToolbarId::Address, "AddressNew");
    form = openForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "frmAddressAdd");
    EXPECT_EQ(form->text(AddressField::PhoneNo), "");
    form->setText(AddressField::FirstName, "Dee");
    form->setText(AddressField::PhoneNo, "+444");
    form->cmdSave->click();
    EXPECT_EQ(listed().last(), "Dee |+444");
    EXPECT_EQ(w->heading(), "  Address Book (4)");

    // In a group's view a new entry shows only when it joins that group, and
    // an edited one leaves when it leaves the group.
    showGroup("Work");
    ui->NewAddress();
    form = openForm();
    ASSERT_NE(form, nullptr);
    form->setText(AddressField::FirstName, "Eve");
    form->setText(AddressField::PhoneNo, "+445");
    form->cmdSave->click();
    EXPECT_EQ(ui->model()->rowOfNumber("+445"), -1);
    EXPECT_EQ(w->heading(), "  Work (2)");

    select({"+443"});
    w->dispatchToolbar(ToolbarId::Group, "GroupEdit");
    form = openForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->groups(), QStringList{"Work"});
    form->lsvGroup->item(0)->setCheckState(Qt::Checked);
    form->cmdDelete->click();
    form->cmdSave->click();
    EXPECT_EQ(listed(), QStringList{"Ann Lee|+441"});
    EXPECT_EQ(w->heading(), "  Work (1)");
}

TEST_F(WiringTest, SenderOfAMessageOpensTheAddOrEditFormAndTheListFollows)
{
    w->jumpToNode(NodeKind::Inbox);
    MessageListModel* messages = w->messageModel();
    ASSERT_EQ(messages->rowCount(), 2);
    QItemSelectionModel* sel = w->messageList()->selectionModel();
    const int unknown = messages->rowOfCode(2);
    sel->setCurrentIndex(messages->index(unknown, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    QList<SavedAddress> heard;
    QObject::connect(ui, &AddressBookUi::addressSaved, [&](const SavedAddress& s) { heard << s; });
    w->dispatchToolbar(ToolbarId::Inbox, "sender");
    AddressDialog* form = openForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "frmAddressAdd");
    EXPECT_EQ(form->text(AddressField::PhoneNo), "+449");
    form->setText(AddressField::FirstName, "New");
    form->cmdSave->click();
    EXPECT_EQ(messages->rowAt(unknown).name, "New ");
    ASSERT_EQ(heard.size(), 1);
    EXPECT_EQ(heard[0].number, "+449");

    const int known = messages->rowOfCode(1);
    sel->setCurrentIndex(messages->index(known, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    w->dispatchToolbar(ToolbarId::Inbox, "sender");
    form = openForm();
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "frmAddressEdit");
    EXPECT_EQ(form->text(AddressField::LastName), "Dee");
    form->setText(AddressField::FirstName, "Cyril");
    form->cmdSave->click();
    EXPECT_EQ(messages->rowAt(known).name, "Cyril Dee");

    // The message window's way in: a number with blanks around it.
    form = ui->openFormForNumber("  +441 ");
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->objectName(), "frmAddressEdit");
    EXPECT_EQ(form->loadedNumber(), "+441");
    form->close();
}

TEST(AddressBookLoad, TheProgramsLoadWiresTheAddressBookAndTheSendFormsPickers)
{
    testenv::FreshDb f;
    testenv::prompt().reset();
    seed::address(f.db(), "+441", "Ann", "Lee");
    seed::address(f.db(), "+442", "Bob", "");
    seed::group(f.db(), "Sales");
    AppController app(f.db(), nullptr, testenv::prompt(), testenv::windows());
    app.load(false);
    ASSERT_NE(app.window(), nullptr);
    AddressBookUi* ui = addressBookOf(*app.window());
    ASSERT_NE(ui, nullptr);
    EXPECT_EQ(installAddressBook(*app.window(), app), ui);
    app.window()->jumpToNode(NodeKind::AddressBook);
    EXPECT_EQ(ui->model()->rowCount(), 2);
    app.window()->dispatchToolbar(ToolbarId::Address, "AddressNew");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(app.window()->findChildren<AddressDialog*>().size(), 1);

    // The send form's buttons open the pickers and keep what was ticked.
    SendFormOpener* opener = SendFormOpener::of(*app.window());
    ASSERT_NE(opener, nullptr);
    SendForm* form = opener->newMessage();
    ASSERT_NE(form, nullptr);
    form->chooseRecipients(compose::RecipientMode::AddressBook);
    ASSERT_TRUE(form->cmdAddresses()->isEnabled());
    ASSERT_TRUE(form->cmdGroups()->isEnabled());
    QStringList opened;
    testenv::windows().setModalRunner([&opened](QDialog& d) {
        auto& p = static_cast<CheckListDialog&>(d);
        opened << p.objectName();
        p.setTicked(p.rowCount() - 1, true);
        p.cmdAccept->click();
        return d.result();
    });
    form->cmdAddresses()->click();
    form->cmdGroups()->click();
    testenv::windows().reset();
    EXPECT_EQ(opened, (QStringList{"frmPickAddress", "frmPickGroup"}));
    EXPECT_EQ(form->pickedAddresses(), (QList<SendForm::PickedAddress>{{"+442", "+442"}}));
    EXPECT_EQ(form->pickedGroups(), QStringList{"Sales"});
    app.release();
}
