// The folder views: the list fillers, and what the window shows per node.
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QToolBar>
#include <QTreeView>
#include <QTest>
#include <gtest/gtest.h>

#include "mainwindow/FolderTree.h"
#include "mainwindow/FolderViews.h"
#include "mainwindow/MessageListModel.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/ToolbarKeys.h"
#include "base/EngineState.h"
#include "app/AppController.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"
#include "Seed.h"

namespace {

QList<qint64> codesOf(const std::vector<MessageRow>& rows)
{
    QList<qint64> out;
    for (const auto& r : rows)
        out.append(r.code);
    return out;
}

QDateTime at(const char* text) { return QDateTime::fromString(QString::fromLatin1(text), "yyyy-MM-dd HH:mm:ss"); }

} // namespace

TEST(Fillers, InboxRowsNamesIconsBoldAndFilters)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    seed::address(db, "+442", "Bob", "");
    seed::inboxFolder(db, "InboxO'Hara's");
    seed::inbox(db, 10, "+441", "2024-01-02 08:00:00", "N");
    seed::inbox(db, 11, "+449", "2024-01-01 09:30:00", "O", "Inbox", 0, 2);
    seed::inbox(db, 12, "+442", "2024-01-03 07:00:00", "N");
    seed::inbox(db, 13, "+441", "2024-01-01 00:00:00", "N", "Inbox", 3);      // a pending remote request
    seed::inbox(db, 14, "+441", "2024-01-04 00:00:00", "N", "InboxO'Hara's");  // another folder
    seed::inbox(db, 15, "+441", "2024-01-05 00:00:00", "O", "inbox");          // folder keys ignore case

    const MessageFill fill = loadInboxRows(db, "Inbox");
    ASSERT_TRUE(fill.ok) << fill.error.toStdString();
    EXPECT_EQ(codesOf(fill.rows), (QList<qint64>{11, 10, 12, 15}));
    EXPECT_EQ(fill.unread, 2);
    const MessageRow& unknown = fill.rows[0];
    EXPECT_EQ(unknown.name, " ");
    EXPECT_EQ(unknown.number, "+449");
    EXPECT_EQ(unknown.type, 2);
    EXPECT_EQ(unknown.iconKey, "mailold");
    EXPECT_FALSE(unknown.bold);
    EXPECT_EQ(unknown.when, at("2024-01-01 09:30:00"));
    EXPECT_EQ(fill.rows[1].name, "Ann Lee");
    EXPECT_EQ(fill.rows[1].iconKey, "mailnew");
    EXPECT_TRUE(fill.rows[1].bold);
    EXPECT_EQ(fill.rows[2].name, "Bob ");

    const MessageFill other = loadInboxRows(db, "InboxO'Hara's");
    EXPECT_EQ(codesOf(other.rows), (QList<qint64>{14}));
    // Only the Inbox itself counts towards the new-message alert.
    EXPECT_EQ(unreadInboxCount(db), 2);
}

TEST(Fillers, OutboxAndSentItemsRowsAndOrder)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    seed::outbox(db, 1, "+441", "2024-02-01 12:00:00", "A");
    seed::outbox(db, 2, "+449", "2024-02-01 11:00:00");
    seed::outbox(db, 3, "+441", "2024-02-01 13:00:00", "F");
    const MessageFill out = loadOutboxRows(db);
    ASSERT_TRUE(out.ok);
    EXPECT_EQ(codesOf(out.rows), (QList<qint64>{2, 1, 3}));
    EXPECT_EQ(out.rows[0].iconKey, "mailwait");
    EXPECT_EQ(out.rows[1].iconKey, "mailsend");
    EXPECT_EQ(out.rows[2].iconKey, "mailwait");
    EXPECT_EQ(out.rows[0].name, " ");
    EXPECT_EQ(out.rows[1].name, "Ann Lee");
    EXPECT_FALSE(out.rows[1].bold);

    // Ordered by the send time, showing the log time.
    seed::sent(db, 7, "+441", "2024-03-01 10:00:00", "2024-03-01 12:00:00", "C");
    seed::sent(db, 8, "+449", "2024-03-01 09:00:00", "2024-03-01 13:00:00", "E");
    seed::sent(db, 9, "+441", "2024-03-01 08:00:00", "2024-03-01 08:00:00", "C", "SentItemsOld");
    const MessageFill sent = loadSentRows(db, "SentItems");
    ASSERT_TRUE(sent.ok);
    EXPECT_EQ(codesOf(sent.rows), (QList<qint64>{8, 7}));
    EXPECT_EQ(sent.rows[0].iconKey, "mailfailed");
    EXPECT_EQ(sent.rows[1].iconKey, "mailold");
    EXPECT_EQ(sent.rows[0].when, at("2024-03-01 13:00:00"));
    EXPECT_EQ(codesOf(loadSentRows(db, "SentItemsOld").rows), (QList<qint64>{9}));
}

TEST(Fillers, AFailureIsReportedWithItsDescription)
{
    testenv::FreshDb f;
    seed::exec(f.db(), "drop table tboutlog");
    const MessageFill sent = loadSentRows(f.db(), "SentItems");
    EXPECT_FALSE(sent.ok);
    EXPECT_TRUE(sent.error.contains("tboutlog"));
    EXPECT_TRUE(sent.rows.empty());
}

TEST(FolderViews, HeadingAndLayoutTable)
{
    EXPECT_EQ(headingText("Sent Items", 0), "  Sent Items (0)");
    EXPECT_EQ(headingText("O'Hara", 12), "  O'Hara (12)");
    ViewKind v;
    EXPECT_FALSE(viewForNode(NodeKind::Root, &v));
    ASSERT_TRUE(viewForNode(NodeKind::InboxFolder, &v));
    EXPECT_EQ(v, ViewKind::Inbox);
    ASSERT_TRUE(viewForNode(NodeKind::Group, &v));
    EXPECT_EQ(v, ViewKind::Group);
}

namespace {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Database& db = f.db();
        seed::address(db, "+441", "Ann", "Lee");
        seed::group(db, "Inbox");  // a group named like a fixed node
        seed::inboxFolder(db, "InboxBills");
        seed::sentFolder(db, "SentItemsOld");
        seed::inbox(db, 1, "+441", "2024-01-01 10:00:00", "N");
        seed::inbox(db, 2, "+449", "2024-01-02 10:00:00", "N");
        seed::inbox(db, 3, "+441", "2024-01-03 10:00:00", "O", "InboxBills");
        seed::outbox(db, 20, "+441", "2024-01-05 10:00:00");
        seed::sent(db, 30, "+441", "2024-01-04 10:00:00", "2024-01-04 10:00:05");
        seed::sent(db, 31, "+449", "2024-01-04 11:00:00", "2024-01-04 11:00:05", "E");
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        w = std::make_unique<MainWindow>(*app);
        w->populate();
    }

    void click(QTreeWidgetItem* node) { w->folderTree()->setCurrentItem(node); }

    QStringList visibleToolbars() const
    {
        QStringList out;
        for (ToolbarId id : allToolbars())
            if (w->toolbar(id)->isVisibleTo(w.get()))
                out << w->toolbar(id)->objectName();
        return out;
    }

    QString columnTitle(int c) const
    {
        return w->messageModel()->headerData(c, Qt::Horizontal).toString();
    }

    testenv::FreshDb f;
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
};

} // namespace

TEST_F(WindowFixture, StartsOnTheInboxAndMarksTheFirstRowRead)
{
    FolderTree* tree = w->folderTree();
    EXPECT_EQ(tree->currentItem(), tree->fixedNode(NodeKind::Inbox));
    EXPECT_EQ(w->listStack()->currentIndex(), int(ListPage::Message));
    EXPECT_EQ(visibleToolbars(), QStringList{"tolInbox"});
    EXPECT_EQ(w->heading(), "  Inbox (2)");
    EXPECT_EQ(columnTitle(0), "Received");
    EXPECT_EQ(columnTitle(1), "From");
    EXPECT_EQ(columnTitle(2), "Number");
    EXPECT_EQ(columnTitle(3), "Type");
    EXPECT_EQ(app->state().sCurrentFolder, "Inbox");

    // The first row is shown, and showing it in the Inbox marks it read.
    EXPECT_EQ(w->messageText()->toPlainText(), "Hello");
    EXPECT_EQ(w->messageTypeLabel()->text(), "Text Message");
    EXPECT_EQ(f.db().query("select msgstatus from tbinqueue where msgcode=1").value(0, 0).toString(), "O");
    EXPECT_EQ(w->messageModel()->rowAt(0).iconKey, "mailold");
    EXPECT_FALSE(w->messageModel()->rowAt(0).bold);
    EXPECT_TRUE(w->messageModel()->rowAt(1).bold);
    EXPECT_EQ(app->state().iNewSMS, 1);
    EXPECT_TRUE(tree->fixedNode(NodeKind::Inbox)->font(0).bold());
}

TEST_F(WindowFixture, EachNodeShowsItsListToolbarHeadingAndColumns)
{
    FolderTree* tree = w->folderTree();
    struct Case {
        QTreeWidgetItem* node;
        ListPage page;
        QString toolbar;
        QString heading;
        QString date, name;
    };
    const Case cases[] = {
        {tree->fixedNode(NodeKind::Outbox), ListPage::Message, "tolOutbox", "  Outbox (1)", "Schedule", "To"},
        {tree->fixedNode(NodeKind::SentItems), ListPage::Message, "tolSentitems", "  Sent Items (2)", "Sent", "To"},
        {tree->findNode(NodeKind::SentFolder, "SentItemsOld"), ListPage::Message, "tolSentitems", "  Old (0)", "Sent",
         "To"},
        {tree->findNode(NodeKind::InboxFolder, "InboxBills"), ListPage::Message, "tolInbox", "  Bills (1)",
         "Received", "From"},
        {tree->fixedNode(NodeKind::AddressBook), ListPage::Address, "tolAddress", "  Address Book (0)", {}, {}},
        {tree->findNode(NodeKind::Group, "Inbox"), ListPage::Address, "tolGroup", "  Inbox (0)", {}, {}},
        {tree->fixedNode(NodeKind::Inbox), ListPage::Message, "tolInbox", "  Inbox (2)", "Received", "From"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(c.node);
        click(c.node);
        SCOPED_TRACE(c.heading.toStdString());
        EXPECT_EQ(w->listStack()->currentIndex(), int(c.page));
        EXPECT_EQ(visibleToolbars(), QStringList{c.toolbar});
        EXPECT_EQ(w->heading(), c.heading);
        if (c.page == ListPage::Message) {
            EXPECT_EQ(columnTitle(0), c.date);
            EXPECT_EQ(columnTitle(1), c.name);
            EXPECT_EQ(w->messageModel()->rowCount(), c.heading.section('(', 1).chopped(1).toInt());
        }
    }
    // The group view names its group; the folder views their folder key.
    click(tree->findNode(NodeKind::Group, "Inbox"));
    EXPECT_EQ(w->selectedNode(), "Inbox");
    EXPECT_EQ(w->nodeKey(), "Inbox");
    click(tree->findNode(NodeKind::SentFolder, "SentItemsOld"));
    EXPECT_EQ(app->state().sCurrentFolder, "SentItemsOld");
    EXPECT_EQ(w->nodeKey(), "SentItemsOld");
    // An empty folder leaves the preview pane empty and hidden.
    EXPECT_TRUE(w->messageText()->isHidden());
}

TEST_F(WindowFixture, RowsOfTheSentViewAndTheRootChangesNothing)
{
    FolderTree* tree = w->folderTree();
    click(tree->fixedNode(NodeKind::SentItems));
    MessageListModel* m = w->messageModel();
    ASSERT_EQ(m->rowCount(), 2);
    EXPECT_EQ(m->data(m->index(0, 0)).toString(), "04/01/2024 10:00:05");
    EXPECT_EQ(m->data(m->index(0, 1)).toString(), "Ann Lee");
    EXPECT_EQ(m->data(m->index(1, 1)).toString(), " ");
    EXPECT_EQ(m->data(m->index(1, 2)).toString(), "+449");
    EXPECT_EQ(m->data(m->index(1, 3)).toString(), "1");
    EXPECT_EQ(m->rowAt(1).iconKey, "mailfailed");
    // Shown in Sent Items: nothing is marked, whatever the status.
    EXPECT_EQ(w->messageText()->toPlainText(), "Hello");

    click(tree->fixedNode(NodeKind::Root));
    EXPECT_EQ(w->heading(), "  Sent Items (2)");
    EXPECT_EQ(visibleToolbars(), QStringList{"tolSentitems"});
    EXPECT_EQ(m->rowCount(), 2);
}

TEST_F(WindowFixture, SimViewAsksForTheSimAndWarnsWithoutAModem)
{
    EngineState& st = app->state();
    st.bModemConnected = false;
    w->jumpToNode(NodeKind::SimCard);
    EXPECT_EQ(w->listStack()->currentIndex(), int(ListPage::Sim));
    EXPECT_EQ(visibleToolbars(), QStringList{"tolSIM"});
    EXPECT_EQ(w->heading(), "  SIM Card (0)");
    EXPECT_TRUE(st.bSIMReadRequest);
    ASSERT_EQ(testenv::prompt().count(), 1);
    const auto& box = testenv::prompt().shown()[0];
    EXPECT_EQ(box.icon, UserPrompt::Icon::Warning);
    EXPECT_EQ(box.title, "Warning");
    EXPECT_EQ(box.text, "Unable to detect connection to modem.\nPlease select Reset Modem from the\n"
                        "System menu and try again.");
    EXPECT_EQ(w->messageModel()->rowCount(), 0);

    // A group view keeps the request; the other views cancel it.
    w->folderTree()->setCurrentItem(w->folderTree()->findNode(NodeKind::Group, "Inbox"));
    EXPECT_TRUE(st.bSIMReadRequest);
    w->jumpToNode(NodeKind::Outbox);
    EXPECT_FALSE(st.bSIMReadRequest);

    // With a modem there is no warning; with entries there is no request.
    testenv::prompt().reset();
    st.bModemConnected = true;
    w->jumpToNode(NodeKind::SimCard);
    EXPECT_TRUE(st.bSIMReadRequest);
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(WindowFixture, FillerErrorUsesItsOwnTitle)
{
    seed::exec(f.db(), "drop table tboutqueue");
    w->jumpToNode(NodeKind::Outbox);
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Unable to open Outbox");
    EXPECT_EQ(testenv::prompt().shown()[0].icon, UserPrompt::Icon::Critical);
    EXPECT_EQ(w->heading(), "  Outbox (0)");
}

TEST_F(WindowFixture, UnreadCountComesFromTheDatabase)
{
    // Unread messages moved into a folder, or waiting as remote requests,
    // do not keep the Inbox bold.
    seed::inbox(f.db(), 40, "+441", "2024-01-06 10:00:00", "N", "InboxBills");
    seed::inbox(f.db(), 41, "+441", "2024-01-06 10:00:00", "N", "Inbox", 2);
    app->state().iNewSMS = 99;
    w->jumpToNode(NodeKind::Outbox);
    w->refreshUnreadCount();
    EXPECT_EQ(app->state().iNewSMS, 1);
    seed::exec(f.db(), "update tbinqueue set msgstatus='O' where msgcode=2");
    w->markedRead(2);
    EXPECT_EQ(app->state().iNewSMS, 0);
    EXPECT_FALSE(w->folderTree()->fixedNode(NodeKind::Inbox)->font(0).bold());
}

TEST(Fillers, TimesAroundDaylightSavingChangesMatchTheLocalTime)
{
    const QByteArray oldTz = qgetenv("TZ");
    qputenv("TZ", "Europe/London");
    tzset();
    testenv::FreshDb f;
    // In time order: the hour before the spring change, the first hour
    // after it, a summer noon, and the autumn hour that happens twice.
    const char* const times[] = {"2024-03-31 00:59:59", "2024-03-31 02:00:00", "2024-07-01 12:00:00",
                                 "2024-10-27 00:30:00", "2024-10-27 01:30:00", "2024-10-27 02:00:00"};
    int code = 0;
    for (const char* t : times)
        seed::inbox(f.db(), ++code, "+441", t);
    const MessageFill fill = loadInboxRows(f.db(), "Inbox");
    ASSERT_EQ(fill.rows.size(), std::size(times));
    for (size_t i = 0; i < std::size(times); ++i) {
        const QDateTime local = at(times[i]);
        EXPECT_EQ(fill.rows[i].when, local) << times[i];
        EXPECT_EQ(fill.rows[i].when.offsetFromUtc(), local.offsetFromUtc()) << times[i];
        EXPECT_EQ(fill.rows[i].when.toString("yyyy-MM-dd HH:mm:ss"), QString::fromLatin1(times[i]));
    }
    if (oldTz.isNull())
        qunsetenv("TZ");
    else
        qputenv("TZ", oldTz);
    tzset();
}
