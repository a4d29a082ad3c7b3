// Renaming groups and user folders: the checks, the single transaction, the
// settings that follow a group, and the in-place edit in the tree.
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"
#include "folders/RenameService.h"
#include "base/EngineState.h"
#include "app/AppController.h"
#include "base/Settings.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"
#include "Seed.h"

namespace {

int count(Database& db, const QString& sql, const QVariantList& binds = {})
{
    return db.query(sql, binds).value(0, 0).toInt();
}

using Outcome = RenameService::Outcome;

} // namespace

TEST(RenameService, NameIsTrimmedOfBlanksAndCutTo40)
{
    EXPECT_EQ(RenameService::cleanName("  Work  "), "Work");
    EXPECT_EQ(RenameService::cleanName("\tTab\t"), "\tTab\t");
    EXPECT_EQ(RenameService::cleanName(QString(50, 'x')), QString(40, 'x'));
    EXPECT_EQ(RenameService::cleanName("   "), "");
}

TEST(RenameService, GroupRenameCarriesMembersAndBothSettings)
{
    testenv::FreshDb f;
    testenv::prompt().reset();
    Database& db = f.db();
    seed::group(db, "Family");
    seed::group(db, "Work");
    seed::member(db, "Family", "+441");
    seed::member(db, "Family", "+442");
    seed::member(db, "Work", "+441");
    Settings::save("SettingAutFwd", "family");  // the same group in another case
    Settings::save("SettingGrpSnd", "Family");
    EngineState st;
    st.sAutoFwdGroup = "Family";
    st.sGroupSendGroup = "Work";

    const auto r = RenameService(db, testenv::prompt(), &st).rename(NodeKind::Group, "Family", "  Relatives ");
    ASSERT_EQ(r.outcome, Outcome::Renamed);
    EXPECT_EQ(r.newName, "Relatives");
    EXPECT_EQ(r.newKey, "Relatives");
    EXPECT_EQ(count(db, "select count(*) from tbgrps where grpnam='Relatives'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbgrps where grpnam='Family'"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Relatives'"), 2);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Work'"), 1);
    EXPECT_EQ(Settings::text("SettingAutFwd"), "Relatives");
    EXPECT_EQ(Settings::text("SettingGrpSnd"), "Relatives");
    EXPECT_EQ(st.sAutoFwdGroup, "Relatives");
    EXPECT_EQ(st.sGroupSendGroup, "Work");
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_FALSE(db.inTransaction());
}

TEST(RenameService, CaseOnlyEmptyAndDuplicateChangeNothing)
{
    testenv::FreshDb f;
    testenv::prompt().reset();
    Database& db = f.db();
    seed::group(db, "Family");
    seed::group(db, "Work");
    seed::inboxFolder(db, "InboxBills");
    seed::inboxFolder(db, "InboxTrips");
    seed::sentFolder(db, "SentItemsOld");
    seed::sentFolder(db, "SentItemsNew");
    Settings::save("SettingAutFwd", "Family");
    RenameService service(db, testenv::prompt());

    EXPECT_EQ(service.rename(NodeKind::Group, "Family", "FAMILY ").outcome, Outcome::Ignored);
    EXPECT_EQ(service.rename(NodeKind::Group, "Family", "   ").outcome, Outcome::Cancelled);
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_EQ(count(db, "select count(*) from tbgrps where grpnam='Family' collate binary"), 1);

    // A duplicate is found without regard to case, warned about once, and
    // rolled back before the warning shows.
    EXPECT_EQ(service.rename(NodeKind::Group, "Family", "work").outcome, Outcome::Cancelled);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Warning");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "This Group already exists.\nPlease use another Group Name.");
    EXPECT_EQ(Settings::text("SettingAutFwd"), "Family");

    EXPECT_EQ(service.rename(NodeKind::InboxFolder, "Bills", "TRIPS").outcome, Outcome::Cancelled);
    EXPECT_EQ(service.rename(NodeKind::SentFolder, "Old", "New").outcome, Outcome::Cancelled);
    ASSERT_EQ(testenv::prompt().count(), 3);
    EXPECT_EQ(testenv::prompt().shown()[2].text, "This Folder already exists.\nPlease use another Folder Name.");
    EXPECT_EQ(count(db, "select count(*) from tbinbox"), 2);
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key='InboxBills'"), 1);
    EXPECT_FALSE(db.inTransaction());

    // Fixed nodes are never renamed.
    EXPECT_EQ(service.rename(NodeKind::Inbox, "Inbox", "Post").outcome, Outcome::Cancelled);
}

TEST(RenameService, FolderRenameMovesItsMessagesOnly)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::inboxFolder(db, "InboxBills");
    seed::sentFolder(db, "SentItemsBills");
    seed::inbox(db, 1, "+441", "2024-01-01 10:00:00", "O", "InboxBills");
    seed::inbox(db, 2, "+441", "2024-01-01 10:00:00", "O", "Inbox");
    seed::sent(db, 3, "+441", "2024-01-01 10:00:00", "2024-01-01 10:00:00", "C", "SentItemsBills");

    const auto r = RenameService(db, testenv::prompt()).rename(NodeKind::InboxFolder, "Bills", "Paid bills");
    ASSERT_EQ(r.outcome, Outcome::Renamed);
    EXPECT_EQ(r.newKey, "InboxPaid bills");
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key='InboxPaid bills'"), 1);
    EXPECT_EQ(count(db, "select msgcode from tbinqueue where msgfolder='InboxPaid bills'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgfolder='Inbox'"), 1);
    // The Sent Items folder of the same name is another folder.
    EXPECT_EQ(count(db, "select count(*) from tboutlog where msgfolder='SentItemsBills'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbsentitems where key='SentItemsBills'"), 1);
}

TEST(RenameService, AFailedStatementRollsEverythingBack)
{
    testenv::FreshDb f;
    testenv::prompt().reset();
    Database& db = f.db();
    seed::group(db, "Family");
    seed::member(db, "Family", "+441");
    // A member row left under the new name makes the second update fail.
    seed::member(db, "Relatives", "+441");
    Settings::save("SettingAutFwd", "Family");
    EngineState st;
    st.sAutoFwdGroup = "Family";

    EXPECT_EQ(RenameService(db, testenv::prompt(), &st).rename(NodeKind::Group, "Family", "Relatives").outcome, Outcome::Cancelled);
    EXPECT_EQ(count(db, "select count(*) from tbgrps where grpnam='Family'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Family'"), 1);
    EXPECT_EQ(Settings::text("SettingAutFwd"), "Family");
    EXPECT_EQ(st.sAutoFwdGroup, "Family");
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Database Error");
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Unable to rename group.");

    // The same for a folder whose messages cannot be moved.
    seed::sentFolder(db, "SentItemsOld");
    seed::sent(db, 5, "+441", "2024-01-01 10:00:00", "2024-01-01 10:00:00", "C", "SentItemsOld");
    seed::exec(db, "create trigger t before update on tboutlog begin select raise(abort, 'refused'); end");
    EXPECT_EQ(RenameService(db, testenv::prompt()).rename(NodeKind::SentFolder, "Old", "Older").outcome, Outcome::Cancelled);
    EXPECT_EQ(count(db, "select count(*) from tbsentitems where key='SentItemsOld'"), 1);
    EXPECT_FALSE(db.inTransaction());
}

TEST(RenameInTree, TypedNameIsWrittenThroughTheEditor)
{
    testenv::FreshDb f;
    testenv::prompt().reset();
    Database& db = f.db();
    seed::group(db, "Family");
    seed::group(db, "Work");
    seed::inboxFolder(db, "InboxBills");
    seed::inbox(db, 1, "+441", "2024-01-01 10:00:00", "O", "InboxBills");
    AppController app(db, nullptr, testenv::prompt(), testenv::windows());
    MainWindow w(app);
    w.populate();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));

    auto rename = [&](QTreeWidgetItem* item, const QString& typed) {
        ASSERT_TRUE(w.startRename(item));
        QLineEdit* editor = nullptr;
        ASSERT_TRUE(testenv::waitUntil([&] { return (editor = w.folderTree()->findChild<QLineEdit*>()) != nullptr
                                                       && editor->isVisible(); }));
        editor->selectAll();
        QTest::keyClicks(editor, typed);
        QTest::keyClick(editor, Qt::Key_Return);
        testenv::waitUntil([&] { return !w.folderTree()->findChild<QLineEdit*>(); }, 20000);
    };

    // The folder being shown: its key, the current folder and the heading follow.
    FolderTree* tree = w.folderTree();
    QTreeWidgetItem* bills = tree->findNode(NodeKind::InboxFolder, "InboxBills");
    tree->setCurrentItem(bills);
    EXPECT_EQ(w.heading(), "  Bills (1)");
    rename(bills, "Paid");
    EXPECT_EQ(bills->text(0), "Paid");
    EXPECT_EQ(FolderTree::keyOf(bills), "InboxPaid");
    EXPECT_EQ(app.state().sCurrentFolder, "InboxPaid");
    EXPECT_EQ(w.nodeKey(), "InboxPaid");
    EXPECT_TRUE(testenv::waitUntil([&] { return w.heading() == "  Paid (1)"; }));
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgfolder='InboxPaid'"), 1);

    // A duplicate leaves the label as it was.
    QTreeWidgetItem* family = tree->findNode(NodeKind::Group, "Family");
    rename(family, "WORK");
    EXPECT_EQ(family->text(0), "Family");
    EXPECT_EQ(FolderTree::keyOf(family), "Family");
    EXPECT_TRUE(testenv::prompt().sawText("This Group already exists.\nPlease use another Group Name."));

    rename(family, "Friends");
    EXPECT_EQ(family->text(0), "Friends");
    EXPECT_EQ(FolderTree::keyOf(family), "Friends");
    EXPECT_EQ(w.selectedNode(), "Friends");

    // Fixed nodes cannot be edited.
    EXPECT_FALSE(w.startRename(tree->fixedNode(NodeKind::Inbox)));
}
