// The folder tree: nodes from the database, the widget built from them, and
// names that collide with fixed nodes or with each other.
#include <QTest>
#include <gtest/gtest.h>

#include "folders/FolderNodes.h"
#include "mainwindow/FolderTree.h"
#include "support/TestEnv.h"
#include "Seed.h"

namespace {

struct Expect {
    NodeKind kind;
    QString key;
    QString text;
};

void expectNodes(const std::vector<FolderNode>& nodes, const std::vector<Expect>& want)
{
    ASSERT_EQ(nodes.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(nodes[i].kind, want[i].kind) << i;
        EXPECT_EQ(nodes[i].key, want[i].key) << i;
        EXPECT_EQ(nodes[i].text, want[i].text) << i;
    }
}

} // namespace

TEST(FolderNodes, FixedNodesThenSortedGroupsThenFoldersInTableOrder)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::group(db, "Work");
    seed::group(db, "family");
    seed::group(db, "Bowling");
    seed::inboxFolder(db, "InboxZeta");
    seed::inboxFolder(db, "InboxAlpha");
    seed::sentFolder(db, "SentItemsOld");

    const FolderNodeList list = buildFolderNodes(db);
    ASSERT_TRUE(list.ok);
    expectNodes(list.nodes, {
                                {NodeKind::Root, "Root", "Folders"},
                                {NodeKind::SimCard, "SIMCard", "SIM Card"},
                                {NodeKind::AddressBook, "AddressBook", "Address Book"},
                                {NodeKind::Inbox, "Inbox", "Inbox"},
                                {NodeKind::Outbox, "Outbox", "Outbox"},
                                {NodeKind::SentItems, "SentItems", "Sent Items"},
                                // Group names sort without regard to case.
                                {NodeKind::Group, "Bowling", "Bowling"},
                                {NodeKind::Group, "family", "family"},
                                {NodeKind::Group, "Work", "Work"},
                                // Folders keep the order they were created in.
                                {NodeKind::InboxFolder, "InboxZeta", "Zeta"},
                                {NodeKind::InboxFolder, "InboxAlpha", "Alpha"},
                                {NodeKind::SentFolder, "SentItemsOld", "Old"},
                            });
    EXPECT_EQ(list.nodes[1].icon, "simclose");
    EXPECT_EQ(list.nodes[1].selectedIcon, "simopen");
    EXPECT_EQ(list.nodes[6].icon, "bookclose");
    EXPECT_EQ(list.nodes[10].selectedIcon, "folderopeng");
    EXPECT_EQ(list.nodes[11].icon, "folderclosey");
}

TEST(FolderNodes, AFailingTableIsReportedWithTheNodesReadSoFar)
{
    testenv::FreshDb f;
    seed::group(f.db(), "Work");
    seed::exec(f.db(), "drop table tbinbox");
    const FolderNodeList list = buildFolderNodes(f.db());
    EXPECT_FALSE(list.ok);
    EXPECT_TRUE(list.error.contains("tbinbox"));
    EXPECT_EQ(list.nodes.size(), 7u);
}

TEST(FolderTree, NamesLikeFixedNodesAndEachOtherStayDistinct)
{
    testenv::FreshDb f;
    Database& db = f.db();
    // A group named like the fixed nodes, a group named like a folder key,
    // and folders whose names are those of fixed nodes.
    seed::group(db, "Inbox");
    seed::group(db, "Outbox");
    seed::group(db, "InboxWork");
    seed::group(db, "O'Brien's");
    seed::inboxFolder(db, "InboxWork");
    seed::inboxFolder(db, "InboxInbox");
    seed::sentFolder(db, "SentItemsSentItems");
    seed::sentFolder(db, "SentItemsWork");

    FolderTree tree;
    tree.rebuild(buildFolderNodes(db).nodes);

    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    EXPECT_EQ(root->text(0), "Folders");
    ASSERT_EQ(root->childCount(), 5);
    const QStringList fixedTexts = {"SIM Card", "Address Book", "Inbox", "Outbox", "Sent Items"};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(root->child(i)->text(0), fixedTexts[i]);

    QTreeWidgetItem* book = tree.fixedNode(NodeKind::AddressBook);
    QTreeWidgetItem* inbox = tree.fixedNode(NodeKind::Inbox);
    QTreeWidgetItem* sent = tree.fixedNode(NodeKind::SentItems);
    ASSERT_TRUE(book && inbox && sent);
    EXPECT_EQ(book, root->child(1));
    EXPECT_EQ(inbox, root->child(2));
    EXPECT_EQ(tree.fixedNode(NodeKind::Outbox)->childCount(), 0);
    EXPECT_EQ(book->childCount(), 4);
    EXPECT_EQ(inbox->childCount(), 2);
    EXPECT_EQ(sent->childCount(), 2);

    // Each lookup finds the node of its own kind, never a namesake.
    QTreeWidgetItem* groupInbox = tree.findNode(NodeKind::Group, "Inbox");
    ASSERT_TRUE(groupInbox);
    EXPECT_EQ(groupInbox->parent(), book);
    EXPECT_NE(groupInbox, inbox);
    QTreeWidgetItem* groupWork = tree.findNode(NodeKind::Group, "InboxWork");
    QTreeWidgetItem* folderWork = tree.findNode(NodeKind::InboxFolder, "InboxWork");
    ASSERT_TRUE(groupWork && folderWork);
    EXPECT_NE(groupWork, folderWork);
    EXPECT_EQ(folderWork->parent(), inbox);
    EXPECT_EQ(folderWork->text(0), "Work");
    EXPECT_EQ(tree.findNode(NodeKind::InboxFolder, "InboxInbox")->text(0), "Inbox");
    EXPECT_EQ(tree.findNode(NodeKind::SentFolder, "SentItemsSentItems")->text(0), "SentItems");
    EXPECT_EQ(tree.findNode(NodeKind::Group, "O'Brien's")->text(0), "O'Brien's");
    EXPECT_EQ(tree.findNode(NodeKind::SentFolder, "InboxWork"), nullptr);

    // Kinds and keys travel with the items; only groups and folders edit.
    EXPECT_EQ(FolderTree::kindOf(groupInbox), NodeKind::Group);
    EXPECT_EQ(FolderTree::keyOf(folderWork), "InboxWork");
    EXPECT_FALSE(inbox->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(groupInbox->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(folderWork->flags() & Qt::ItemIsEditable);
}

TEST(FolderTree, RebuildSendsNoSignalAndAClickOnTheCurrentNodeRefreshes)
{
    testenv::FreshDb f;
    FolderTree tree;
    int activations = 0;
    QObject::connect(&tree, &FolderTree::nodeActivated, [&] { ++activations; });
    tree.rebuild(buildFolderNodes(f.db()).nodes);
    tree.selectQuietly(tree.fixedNode(NodeKind::Inbox));
    EXPECT_EQ(activations, 0);

    tree.resize(300, 300);
    tree.show();
    QTreeWidgetItem* inbox = tree.fixedNode(NodeKind::Inbox);
    const QPoint at = tree.visualItemRect(inbox).center();
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(activations, 1);
    QTreeWidgetItem* outbox = tree.fixedNode(NodeKind::Outbox);
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(outbox).center());
    EXPECT_EQ(activations, 2);
    EXPECT_EQ(tree.currentItem(), outbox);
    QTest::keyClick(tree.viewport(), Qt::Key_Up);
    EXPECT_EQ(activations, 3);
    EXPECT_EQ(tree.currentItem(), inbox);
}
