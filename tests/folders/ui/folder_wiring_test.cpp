// The message folders in the main window: drops of list rows on the tree
// for every pair of source and target (refused pairs included), the message
// logs read back byte for byte, deletes that keep failed rows, resends that
// report failures, user folders made, renamed and deleted with their
// messages, and the pop-up menu acting on the node right-clicked.
#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

#include "addressbook/ui/AddressBookWiring.h"
#include "addressbook/ui/AddressListModel.h"
#include "app/AppController.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "folders/ui/FolderAddDialog.h"
#include "folders/ui/FolderWiring.h"
#include "mainwindow/DragPayload.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "mainwindow/Seed.h"
#include "base/EngineState.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"

namespace {

ScriptedPrompt& prompt() { return testenv::prompt(); }

int count(Database& db, const QString& sql, const QVariantList& binds = {})
{
    const Recordset rs = db.query(sql, binds);
    EXPECT_TRUE(rs.ok()) << rs.error().toStdString();
    return rs.value(0, 0).toInt();
}

QString folderOf(Database& db, const char* table, qint64 code)
{
    return db.query(QStringLiteral("select msgfolder from %1 where msgcode=?").arg(QLatin1String(table)), {code})
        .value(0, 0)
        .toString();
}

// "Hello" in the GSM alphabet, seven bits a character.
const char* const kHello = "C8329BFD06";

class FolderWiringTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Settings::clear();
        seed::address(db, "+441", "Ann", "Lee");
        seed::address(db, "+442", "Bob", "");
        seed::group(db, "Family");
        seed::group(db, "Address Book");
        seed::inboxFolder(db, "InboxA");
        seed::inboxFolder(db, "InboxB");
        seed::inboxFolder(db, "InboxC");
        seed::sentFolder(db, "SentItemsOld");
        seed::inbox(db, 1, "+441", "2024-01-01 10:00:00", "O");
        seed::inbox(db, 2, "+442", "2024-01-02 15:30:05", "O");
        seed::inbox(db, 3, "+443", "2024-01-03 09:00:00", "N");
        seed::inbox(db, 4, "+444", "2024-01-04 09:00:00", "O", "InboxA");
        seed::inbox(db, 5, "+445", "2024-01-05 09:00:00", "O", "InboxB");
        seed::inbox(db, 6, "+446", "2024-01-06 09:00:00", "O", "InboxC");
        seed::sent(db, 1, "+449", "2024-02-01 08:00:00", "2024-02-01 08:01:00", "C");
        seed::sent(db, 2, "+448", "2024-02-02 08:00:00", "2024-02-02 08:01:00", "E");
        seed::outbox(db, 2, "+447", "2024-03-01 08:00:00");
        // The Outbox counter is past the codes in use.
        seed::exec(db, "update tbnumbers set msgcode = 100");
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        w = std::make_unique<MainWindow>(*app);
        installAddressBook(*w, *app);
        ui = installFolderActions(*w, *app, app->outbox());
        w->populate();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }
    void TearDown() override
    {
        w.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    FolderTree* tree() const { return w->folderTree(); }
    QTreeWidgetItem* node(NodeKind kind, const QString& key = {}) const { return tree()->findNode(kind, key); }
    void show(NodeKind kind, const QString& key = {})
    {
        QTreeWidgetItem* n = node(kind, key);
        ASSERT_NE(n, nullptr);
        if (tree()->currentItem() == n)
            w->nodeClick();
        else
            tree()->setCurrentItem(n);
    }
    QList<qint64> listed() const { return w->messageModel()->codes(); }
    void selectCodes(const QList<qint64>& codes)
    {
        QItemSelectionModel* sel = w->messageList()->selectionModel();
        sel->clearSelection();
        for (qint64 c : codes) {
            const int r = w->messageModel()->rowOfCode(c);
            ASSERT_GE(r, 0) << c;
            sel->select(w->messageModel()->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    void selectAddresses(const QStringList& numbers)
    {
        QAbstractItemModel* m = w->addressList()->model();
        QItemSelectionModel* sel = w->addressList()->selectionModel();
        sel->clearSelection();
        for (int r = 0; r < m->rowCount(); ++r)
            if (numbers.contains(m->index(r, 1).data().toString()))
                sel->select(m->index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }

    // Drags the payload over the node and drops it there, as the window
    // system would; true when the node took the drag.
    bool dropOn(QTreeWidgetItem* target, const DragItems& items)
    {
        std::unique_ptr<QMimeData> data(dragpayload::encode(items));
        tree()->scrollToItem(target);
        const QPoint at = tree()->visualItemRect(target).center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tree()->viewport(), &enter);
        QDragMoveEvent move(at, actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tree()->viewport(), &move);
        const bool accepted = move.isAccepted();
        EXPECT_EQ(tree()->dropTarget(), accepted ? target : nullptr);
        QDropEvent drop(QPointF(at), actions, data.get(), Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(tree()->viewport(), &drop);
        EXPECT_EQ(drop.isAccepted(), accepted);
        EXPECT_EQ(tree()->dropTarget(), nullptr);
        return accepted;
    }

    // Right-clicks the node and picks the menu entry of that name.
    bool rightClickAndPick(QTreeWidgetItem* target, const QString& entry)
    {
        tree()->scrollToItem(target);
        const QPoint at = tree()->visualItemRect(target).center();
        bool picked = false;
        QStringList seen;
        auto* poll = new QTimer;
        poll->setInterval(10);
        QObject::connect(poll, &QTimer::timeout, poll, [&, poll] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            // A person picks once the menu is up: its window has taken the
            // focus. Picked earlier, the menu's late activation would land
            // after the entry's work and close the editor it opened.
            if (!menu || !menu->windowHandle() || QGuiApplication::focusWindow() != menu->windowHandle())
                return;
            poll->stop();
            QAction* chosen = nullptr;
            for (QAction* a : menu->actions()) {
                seen << a->objectName();
                if (a->objectName() == entry)
                    chosen = a;
            }
            menu->close();
            if (chosen) {
                picked = true;
                chosen->trigger();
            }
        });
        poll->start();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, tree()->viewport()->mapToGlobal(at));
        QCoreApplication::sendEvent(tree()->viewport(), &event);
        delete poll;
        if (!picked)
            ADD_FAILURE() << "menu entries: " << seen.join(',').toStdString();
        return picked;
    }

    testenv::FreshDb f;
    Database& db = f.db();
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
    FolderActionsUi* ui = nullptr;
};

DragItems messages(const char* table, const QStringList& codes) { return {"lsvMessage", table, codes}; }

} // namespace

// ------------------------------------------------------------------ drops

TEST_F(FolderWiringTest, InboxRowsMoveOnlyOntoInboxFoldersAndLeaveTheList)
{
    show(NodeKind::Inbox, "Inbox");
    ASSERT_EQ(listed(), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(app->state().iNewSMS, 1);

    EXPECT_TRUE(dropOn(node(NodeKind::InboxFolder, "InboxA"), messages("tbinqueue", {"1", "3"})));
    EXPECT_EQ(folderOf(db, "tbinqueue", 1), "InboxA");
    EXPECT_EQ(folderOf(db, "tbinqueue", 3), "InboxA");
    EXPECT_EQ(listed(), (QList<qint64>{2}));
    EXPECT_EQ(w->heading(), "  Inbox (1)");
    // The unread message left the Inbox itself.
    EXPECT_EQ(app->state().iNewSMS, 0);
    EXPECT_FALSE(tree()->fixedNode(NodeKind::Inbox)->font(0).bold());

    // Sent Items and Outbox rows share codes with Inbox rows; dropped on an
    // Inbox folder they move nothing.
    EXPECT_FALSE(dropOn(node(NodeKind::InboxFolder, "InboxB"), messages("tboutlog", {"2"})));
    EXPECT_FALSE(dropOn(node(NodeKind::Inbox), messages("tboutqueue", {"2"})));
    EXPECT_FALSE(dropOn(node(NodeKind::InboxFolder, "InboxB"), messages("", {"2"})));
    EXPECT_EQ(folderOf(db, "tbinqueue", 2), "Inbox");
    EXPECT_EQ(folderOf(db, "tboutlog", 2), "SentItems");
    EXPECT_EQ(listed(), (QList<qint64>{2}));
    // Inbox rows go nowhere else.
    EXPECT_FALSE(dropOn(node(NodeKind::SentFolder, "SentItemsOld"), messages("tbinqueue", {"2"})));
    EXPECT_FALSE(dropOn(node(NodeKind::Outbox), messages("tbinqueue", {"2"})));
    EXPECT_FALSE(dropOn(node(NodeKind::AddressBook), messages("tbinqueue", {"2"})));
    EXPECT_FALSE(dropOn(node(NodeKind::Group, "Family"), messages("tbinqueue", {"2"})));
    EXPECT_EQ(folderOf(db, "tbinqueue", 2), "Inbox");
    EXPECT_EQ(folderOf(db, "tboutlog", 2), "SentItems");
    EXPECT_EQ(prompt().count(), 0);

    // Back from a folder to the Inbox.
    show(NodeKind::InboxFolder, "InboxA");
    ASSERT_EQ(listed(), (QList<qint64>{1, 3, 4}));
    EXPECT_TRUE(dropOn(node(NodeKind::Inbox), messages("tbinqueue", {"3"})));
    EXPECT_EQ(folderOf(db, "tbinqueue", 3), "Inbox");
    EXPECT_EQ(listed(), (QList<qint64>{1, 4}));
    EXPECT_EQ(w->heading(), "  A (2)");
    EXPECT_EQ(app->state().iNewSMS, 1);
    EXPECT_TRUE(tree()->fixedNode(NodeKind::Inbox)->font(0).bold());
}

TEST_F(FolderWiringTest, SentRowsMoveOnlyOntoSentFoldersAndAFailedMoveKeepsEverything)
{
    show(NodeKind::SentItems);
    ASSERT_EQ(listed(), (QList<qint64>{1, 2}));
    EXPECT_FALSE(dropOn(node(NodeKind::Inbox), messages("tboutlog", {"1"})));
    EXPECT_FALSE(dropOn(node(NodeKind::InboxFolder, "InboxA"), messages("tboutlog", {"1"})));
    EXPECT_EQ(folderOf(db, "tbinqueue", 1), "Inbox");
    EXPECT_EQ(folderOf(db, "tboutlog", 1), "SentItems");

    EXPECT_TRUE(dropOn(node(NodeKind::SentFolder, "SentItemsOld"), messages("tboutlog", {"1"})));
    EXPECT_EQ(folderOf(db, "tboutlog", 1), "SentItemsOld");
    EXPECT_EQ(folderOf(db, "tbinqueue", 1), "Inbox");
    EXPECT_EQ(listed(), (QList<qint64>{2}));
    EXPECT_EQ(w->heading(), "  Sent Items (1)");

    seed::exec(db, "create trigger refuse before update on tboutlog when old.msgcode = 2 "
                   "begin select raise(abort, 'refused'); end");
    seed::exec(db, "insert into tboutlog (msgcode,msgno,msgtype,msgcontent,msgout,msgcreated,msgstatus,logcreated,"
                   "msgfolder) values (3,'+1',1,'',null,null,'C',null,'SentItems')");
    show(NodeKind::SentItems);
    ASSERT_EQ(listed(), (QList<qint64>{3, 2}));
    EXPECT_TRUE(dropOn(node(NodeKind::SentFolder, "SentItemsOld"), messages("tboutlog", {"3", "2"})));
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].icon, UserPrompt::Icon::Critical);
    EXPECT_EQ(prompt().shown()[0].text, "Error encountered while moving items.\nAction incomplete. Please check.");
    // One transaction: the row before the failure stays where it was.
    EXPECT_EQ(folderOf(db, "tboutlog", 3), "SentItems");
    EXPECT_EQ(listed(), (QList<qint64>{3, 2}));
}

TEST_F(FolderWiringTest, SimRowsJoinTheBookAndAGroupChosenByKindNotByText)
{
    // The SIM list as the phonebook fills it: name, number.
    auto* sim = qobject_cast<QStandardItemModel*>(w->simList()->model());
    ASSERT_NE(sim, nullptr);
    sim->appendRow({new QStandardItem("Zed"), new QStandardItem("+4455")});
    sim->appendRow({new QStandardItem("Yan"), new QStandardItem("+4466")});
    sim->appendRow({new QStandardItem("Ann SIM"), new QStandardItem("+441")});
    show(NodeKind::SimCard);

    EXPECT_TRUE(dropOn(node(NodeKind::AddressBook), {"lsvSIM", "", {"+4455"}}));
    EXPECT_EQ(db.query("select addrnam1 from tbaddrs where addrno='+4455'").value(0, 0).toString(), "Zed");
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+4455'"), 0);

    // A group may be named like the Address Book node: it is still a group.
    EXPECT_TRUE(dropOn(node(NodeKind::Group, "Address Book"), {"lsvSIM", "", {"+4466", "+441"}}));
    EXPECT_EQ(db.query("select addrnam1 from tbaddrs where addrno='+4466'").value(0, 0).toString(), "Yan");
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Address Book'"), 2);
    // The entry already in the book keeps its name, and the operator is
    // told it was not added.
    EXPECT_EQ(db.query("select addrnam1 from tbaddrs where addrno='+441'").value(0, 0).toString(), "Ann");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].title, "Note");
    EXPECT_EQ(prompt().shown()[0].text,
              "These numbers are already in the Address Book and were not added again:\n+441");
    prompt().reset();

    // SIM rows go nowhere else.
    const int before = count(db, "select count(*) from tbaddrs");
    EXPECT_FALSE(dropOn(node(NodeKind::Inbox), {"lsvSIM", "", {"+4477"}}));
    EXPECT_FALSE(dropOn(node(NodeKind::SimCard), {"lsvSIM", "", {"+4477"}}));
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), before);
    EXPECT_EQ(prompt().count(), 0);

    // A failed entry takes the whole drop back.
    sim->appendRow({new QStandardItem("Bad"), new QStandardItem("+4400")});
    seed::exec(db, "create trigger refuse before insert on tbaddrgrps when new.addrno = '+4400' "
                   "begin select raise(abort, 'refused'); end");
    EXPECT_TRUE(dropOn(node(NodeKind::Group, "Family"), {"lsvSIM", "", {"+4455", "+4400"}}));
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].text, "Import failed");
    EXPECT_EQ(prompt().shown()[0].title, "Error");
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Family'"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+4400'"), 0);
}

TEST_F(FolderWiringTest, AddressRowsJoinAGroupOnceAndNothingElse)
{
    show(NodeKind::AddressBook);
    EXPECT_TRUE(dropOn(node(NodeKind::Group, "Family"), {"lsvAddress", "", {"+441", "+442"}}));
    EXPECT_TRUE(dropOn(node(NodeKind::Group, "Family"), {"lsvAddress", "", {"+441"}}));
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Family' and addrno='+441'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Family'"), 2);

    // Dropped on the group shown, the list shows the new member.
    show(NodeKind::Group, "Address Book");
    EXPECT_EQ(w->heading(), "  Address Book (0)");
    EXPECT_TRUE(dropOn(node(NodeKind::Group, "Address Book"), {"lsvAddress", "", {"+442"}}));
    EXPECT_EQ(w->heading(), "  Address Book (1)");

    const int members = count(db, "select count(*) from tbaddrgrps");
    EXPECT_FALSE(dropOn(node(NodeKind::AddressBook), {"lsvAddress", "", {"+441"}}));
    EXPECT_FALSE(dropOn(node(NodeKind::Inbox), {"lsvAddress", "", {"+441"}}));
    EXPECT_FALSE(dropOn(node(NodeKind::SentFolder, "SentItemsOld"), {"lsvAddress", "", {"+441"}}));
    EXPECT_FALSE(dropOn(node(NodeKind::Group, "Family"), {"lsvMessage", "tbinqueue", {"1"}}));
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps"), members);
    EXPECT_EQ(folderOf(db, "tbinqueue", 1), "Inbox");

    // Onto the SIM card: the export request for the selected rows.
    show(NodeKind::AddressBook);
    selectAddresses({"+441"});
    int exports = 0;
    w->setToolbarAction(ToolbarId::Address, "AddressSIMExport", [&] { ++exports; });
    EXPECT_TRUE(dropOn(node(NodeKind::SimCard), {"lsvAddress", "", {"+441"}}));
    EXPECT_EQ(exports, 1);

    seed::exec(db, "create trigger refuse before insert on tbaddrgrps begin select raise(abort, 'refused'); end");
    EXPECT_TRUE(dropOn(node(NodeKind::Group, "Family"), {"lsvAddress", "", {"+4455"}}));
    ASSERT_GE(prompt().count(), 1);
    EXPECT_EQ(prompt().shown().back().text, "Process incomplete. Please check and try again");
    EXPECT_EQ(prompt().shown().back().title, "Database Error");
}

TEST_F(FolderWiringTest, TheAddressListDragsItsSelectedNumbersInListOrder)
{
    show(NodeKind::AddressBook);
    selectAddresses({"+442", "+441"});
    const DragItems items = selectedListItems(*w->addressList(), "lsvAddress", 1);
    EXPECT_EQ(items.source, "lsvAddress");
    EXPECT_EQ(items.keys, (QStringList{"+441", "+442"}));
    EXPECT_FALSE(w->addressList()->dragEnabled());
    EXPECT_FALSE(w->simList()->dragEnabled());
}

// ------------------------------------------------------------ the logs

namespace {

// The log's own time stamp, written out by hand: day/month/year, the hour
// on the twelve-hour clock, AM or PM.
QByteArray stamp(const QDateTime& t)
{
    const int h = t.time().hour() % 12 == 0 ? 12 : t.time().hour() % 12;
    return QString::asprintf("%02d/%02d/%04d %02d:%02d:%02d %s", t.date().day(), t.date().month(), t.date().year(),
                             h, t.time().minute(), t.time().second(), t.time().hour() < 12 ? "AM" : "PM")
        .toLatin1();
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

TEST_F(FolderWiringTest, InboxLogHoldsTheSelectedRowsInListOrderByteForByte)
{
    seed::exec(db, "update tbinqueue set msgtype=2 where msgcode=3");
    seed::exec(db, "update tbinqueue set msgcontent=? where msgcode in (1,2)", {QString::fromLatin1(kHello)});
    const QString path = QDir(testenv::newDir("export")).filePath("inbox.txt");
    testenv::windows().setFileAnswerer([&](const ScriptedWindowServices::FileAsked&) { return path; });
    show(NodeKind::Inbox, "Inbox");
    w->columnClick(MessageListModel::DateColumn); // newest first
    ASSERT_EQ(listed(), (QList<qint64>{3, 2, 1}));
    selectCodes({1, 3});

    const QDateTime before = QDateTime::currentDateTime();
    ASSERT_TRUE(w->dispatchToolbar(ToolbarId::Inbox, "exportfile"));
    const QDateTime after = QDateTime::currentDateTime();
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].text, "Export completed");
    EXPECT_EQ(prompt().shown()[0].title, "Note");

    const QByteArray body = "Date/Time\tFrom\tMessage\r\n"
                            "03/01/2024 09:00:00\t+443\t<Ring Tone>\r\n"
                            "01/01/2024 10:00:00\t+441\tHello\r\n";
    const QByteArray got = readAll(path);
    EXPECT_TRUE(got == "Inbox Log created on " + stamp(before) + "\r\n" + body ||
                got == "Inbox Log created on " + stamp(after) + "\r\n" + body)
        << got.toStdString();
}

TEST_F(FolderWiringTest, SentLogAsksBeforeReplacingAFileAndReportsAFailedWrite)
{
    const QString dir = testenv::newDir("export");
    const QString path = QDir(dir).filePath("sent.txt");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old log");
    }
    QString chosen = path;
    testenv::windows().setFileAnswerer([&](const ScriptedWindowServices::FileAsked&) { return chosen; });
    show(NodeKind::SentItems);

    // Nothing selected.
    w->messageList()->selectionModel()->clearSelection();
    w->dispatchToolbar(ToolbarId::SentItems, "exportfile");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].text, "Please select items to export");

    selectCodes({1, 2});
    prompt().reset();
    prompt().queue(UserPrompt::Answer::Cancel);
    w->dispatchToolbar(ToolbarId::SentItems, "exportfile");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].title, "File already exists");
    EXPECT_EQ(prompt().shown()[0].text, "Overwrite existing file?");
    EXPECT_EQ(readAll(path), "old log");

    prompt().reset();
    prompt().queue(UserPrompt::Answer::Ok);
    const QDateTime before = QDateTime::currentDateTime();
    w->dispatchToolbar(ToolbarId::SentItems, "exportfile");
    const QDateTime after = QDateTime::currentDateTime();
    ASSERT_EQ(prompt().count(), 2);
    EXPECT_EQ(prompt().shown()[1].text, "Export completed");
    // The date is when the message was queued; the status C reads OK.
    const QByteArray body = "Status\tDate/Time\tSent To\tMessage\r\n"
                            "OK\t01/02/2024 08:00:00\t+449\tHello\r\n"
                            "ERR\t02/02/2024 08:00:00\t+448\tHello\r\n";
    const QByteArray got = readAll(path);
    EXPECT_TRUE(got == "Sent Item Log created on " + stamp(before) + "\r\n" + body ||
                got == "Sent Item Log created on " + stamp(after) + "\r\n" + body)
        << got.toStdString();

    // A file that cannot be written is reported, never as completed.
    chosen = QDir(dir).filePath("missing/folder/sent.txt");
    prompt().reset();
    w->dispatchToolbar(ToolbarId::SentItems, "exportfile");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].title, "Error");
    EXPECT_NE(prompt().shown()[0].text, "Export completed");
    EXPECT_FALSE(QFile::exists(chosen));
}

// ------------------------------------------------- delete and resend

TEST_F(FolderWiringTest, DeleteKeepsTheRowWhoseStatementFailedAndReportsOnce)
{
    seed::exec(db, "create trigger refuse before delete on tbinqueue when old.msgcode = 2 "
                   "begin select raise(abort, 'refused'); end");
    show(NodeKind::Inbox, "Inbox");
    selectCodes({1, 2, 3});
    prompt().queue(UserPrompt::Answer::No);
    w->dispatchToolbar(ToolbarId::Inbox, "delete");
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 3}));
    EXPECT_EQ(prompt().shown()[0].title, "Delete");
    EXPECT_EQ(prompt().shown()[0].text, "Confirm Delete Selected?");
    EXPECT_EQ(prompt().shown()[0].buttons, UserPrompt::Buttons::YesNoDefaultNo);

    prompt().reset();
    w->dispatchToolbar(ToolbarId::Inbox, "delete");
    EXPECT_EQ(listed(), (QList<qint64>{2}));
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgfolder='Inbox'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgcode=2"), 1);
    EXPECT_EQ(w->heading(), "  Inbox (1)");
    ASSERT_EQ(prompt().count(), 2);
    EXPECT_EQ(prompt().shown()[1].text, "Unable to delete record");
    EXPECT_EQ(prompt().shown()[1].title, "Database Error");
    EXPECT_EQ(prompt().shown()[1].icon, UserPrompt::Icon::Critical);
    // The unread message is gone; the count follows.
    EXPECT_EQ(app->state().iNewSMS, 0);

    // Sent Items and the Outbox ask under the program's name, and delete
    // from their own tables only.
    show(NodeKind::SentItems);
    selectCodes({2});
    prompt().reset();
    w->dispatchToolbar(ToolbarId::SentItems, "delete");
    EXPECT_EQ(prompt().shown()[0].title, "Velquarin");
    EXPECT_EQ(count(db, "select count(*) from tboutlog where msgcode=2"), 0);
    EXPECT_EQ(count(db, "select count(*) from tboutqueue where msgcode=2"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgcode=2"), 1);
    show(NodeKind::Outbox);
    selectCodes({2});
    w->dispatchToolbar(ToolbarId::Outbox, "delete");
    EXPECT_EQ(count(db, "select count(*) from tboutqueue"), 0);
    EXPECT_EQ(w->heading(), "  Outbox (0)");

    // The Delete key asks the Inbox's question, titled "Delete", in every
    // folder, and deletes from the folder shown.
    show(NodeKind::SentItems);
    selectCodes({1});
    prompt().reset();
    QTest::keyClick(w->messageList(), Qt::Key_Delete);
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].title, "Delete");
    EXPECT_EQ(prompt().shown()[0].text, "Confirm Delete Selected?");
    EXPECT_EQ(count(db, "select count(*) from tboutlog"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue"), 4); // the Inbox keeps its rows
}

TEST_F(FolderWiringTest, RowsTakenOutOfTheListMarkNoOtherMessageRead)
{
    // When the row shown leaves the list, the view moves its current row to
    // a neighbour: the unread message there was not chosen by anyone and
    // must stay unread. Both neighbours of the row deleted are unread; the
    // first row is shown, and so read, when the list is filled.
    seed::exec(db, "update tbinqueue set msgstatus='N' where msgcode=2");
    seed::inbox(db, 7, "+447", "2024-01-07 09:00:00", "N");
    auto statusOf = [this](qint64 code) {
        return db.query("select msgstatus from tbinqueue where msgcode=?", {code}).value(0, 0).toString();
    };
    auto makeCurrent = [this](qint64 code) {
        QItemSelectionModel* sel = w->messageList()->selectionModel();
        sel->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
        const QModelIndex at = w->messageModel()->index(w->messageModel()->rowOfCode(code), 0);
        sel->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    };
    show(NodeKind::Inbox, "Inbox");
    ASSERT_EQ(listed(), (QList<qint64>{1, 2, 3, 7}));
    EXPECT_EQ(statusOf(1), "O");
    EXPECT_EQ(app->state().iNewSMS, 3);

    makeCurrent(3);
    EXPECT_FALSE(w->messageText()->isHidden());
    EXPECT_EQ(app->state().iNewSMS, 2);
    w->dispatchToolbar(ToolbarId::Inbox, "delete");
    EXPECT_EQ(listed(), (QList<qint64>{1, 2, 7}));
    EXPECT_EQ(statusOf(2), "N");
    EXPECT_EQ(statusOf(7), "N");
    EXPECT_EQ(app->state().iNewSMS, 2);
    EXPECT_TRUE(w->messageText()->isHidden());

    // The same for rows dragged away to a folder; the pane no longer shows
    // a message that has left the list.
    makeCurrent(1);
    EXPECT_FALSE(w->messageText()->isHidden());
    EXPECT_TRUE(dropOn(node(NodeKind::InboxFolder, "InboxA"), messages("tbinqueue", {"1"})));
    EXPECT_EQ(listed(), (QList<qint64>{2, 7}));
    EXPECT_EQ(statusOf(2), "N");
    EXPECT_EQ(app->state().iNewSMS, 2);
    EXPECT_TRUE(w->messageText()->isHidden());
    EXPECT_TRUE(tree()->fixedNode(NodeKind::Inbox)->font(0).bold());

    // A row the operator picks is still shown and marked read.
    makeCurrent(7);
    EXPECT_FALSE(w->messageText()->isHidden());
    EXPECT_EQ(statusOf(7), "O");
    EXPECT_EQ(app->state().iNewSMS, 1);
}

TEST_F(FolderWiringTest, ResendReportsSuccessOnlyWhenEveryCopyWasQueued)
{
    show(NodeKind::SentItems);
    w->messageList()->selectionModel()->clearSelection();
    w->dispatchToolbar(ToolbarId::SentItems, "resend");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].text, "Please select message to resend");
    EXPECT_EQ(count(db, "select count(*) from tboutqueue"), 1);
    EXPECT_FALSE(app->state().bOutboxChanged);

    selectCodes({1, 2});
    prompt().reset();
    w->dispatchToolbar(ToolbarId::SentItems, "resend");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].text, "Selected Messages sucessfully sent to Out Queue");
    EXPECT_EQ(prompt().shown()[0].icon, UserPrompt::Icon::Information);
    EXPECT_EQ(count(db, "select count(*) from tboutqueue where msgno in ('+449','+448')"), 2);
    EXPECT_TRUE(app->state().bOutboxChanged);
    EXPECT_FALSE(w->messageList()->selectionModel()->hasSelection());

    // One copy refused: reported, and the other is still queued.
    seed::exec(db, "create trigger refuse before insert on tboutqueue when new.msgno = '+448' "
                   "begin select raise(abort, 'refused'); end");
    app->state().bOutboxChanged = false;
    selectCodes({1, 2});
    prompt().reset();
    w->dispatchToolbar(ToolbarId::SentItems, "resend");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].text, "Unable to add record");
    EXPECT_EQ(prompt().shown()[0].title, "Database Error");
    EXPECT_FALSE(prompt().sawText("Selected Messages sucessfully sent to Out Queue"));
    EXPECT_EQ(count(db, "select count(*) from tboutqueue where msgno='+449'"), 2);
    EXPECT_EQ(count(db, "select count(*) from tboutqueue where msgno='+448'"), 1);
    EXPECT_TRUE(app->state().bOutboxChanged);

    // Every copy refused: nothing was queued, the Outbox is left alone.
    app->state().bOutboxChanged = false;
    selectCodes({2});
    prompt().reset();
    w->dispatchToolbar(ToolbarId::SentItems, "resend");
    EXPECT_EQ(prompt().shown()[0].text, "Unable to add record");
    EXPECT_FALSE(app->state().bOutboxChanged);

    // A message that failed for its number is not queued again, and the
    // number is named, not a database fault.
    seed::sent(db, 9, "12 34 x", "2024-02-03 08:00:00", "2024-02-03 08:01:00", "E");
    show(NodeKind::SentItems);
    selectCodes({9});
    prompt().reset();
    w->dispatchToolbar(ToolbarId::SentItems, "resend");
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].title, "Warning");
    EXPECT_TRUE(prompt().shown()[0].text.contains("\"12 34 x\"")) << prompt().shown()[0].text.toStdString();
    EXPECT_EQ(count(db, "select count(*) from tboutqueue where msgno='12 34 x'"), 0);
    EXPECT_FALSE(app->state().bOutboxChanged);
}

// ------------------------------------------------------------ folders

TEST_F(FolderWiringTest, NewFolderDialogRefusesBadNamesThenAddsAndShowsTheFolder)
{
    QStringList tried = {"   ", "123", "A", "O'Brien's"};
    testenv::windows().setModalRunner([&](QDialog& d) {
        auto& dialog = static_cast<FolderAddDialog&>(d);
        EXPECT_EQ(dialog.objectName(), "frmInboxAdd");
        EXPECT_EQ(dialog.txtFolderNam->maxLength(), 40);
        for (const QString& name : tried) {
            dialog.txtFolderNam->setText(name);
            dialog.cmdAdd->click();
            if (dialog.result() == QDialog::Accepted)
                break;
        }
        return dialog.result();
    });
    ASSERT_TRUE(rightClickAndPick(node(NodeKind::Inbox), "mnuInboxNewFolder"));
    ASSERT_EQ(prompt().count(), 3);
    EXPECT_EQ(prompt().shown()[0].text, "Folder Name cannot be blank");
    EXPECT_EQ(prompt().shown()[1].text, "Folder Name cannot be numeric.");
    EXPECT_EQ(prompt().shown()[2].text, "This Folder already exists.\nPlease use another Folder Name.");
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key=?", {"InboxO'Brien's"}), 1);
    QTreeWidgetItem* added = node(NodeKind::InboxFolder, "InboxO'Brien's");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->text(0), "O'Brien's");
    EXPECT_EQ(tree()->currentItem(), added);
    EXPECT_EQ(w->heading(), "  O'Brien's (0)");

    // The same name under Sent Items is its own folder.
    tried = {"A"};
    testenv::windows().setModalRunner([&](QDialog& d) {
        auto& dialog = static_cast<FolderAddDialog&>(d);
        EXPECT_EQ(dialog.objectName(), "frmSentItemsAdd");
        dialog.txtFolderNam->setText("A");
        dialog.cmdAdd->click();
        return dialog.result();
    });
    ASSERT_TRUE(rightClickAndPick(node(NodeKind::SentItems), "mnuSentItemsNewFolder"));
    EXPECT_EQ(count(db, "select count(*) from tbsentitems where key='SentItemsA'"), 1);
    EXPECT_EQ(tree()->currentItem(), node(NodeKind::SentFolder, "SentItemsA"));
}

TEST_F(FolderWiringTest, ThePopUpActsOnTheNodeRightClickedNotTheOneShown)
{
    show(NodeKind::InboxFolder, "InboxA");
    ASSERT_EQ(listed(), (QList<qint64>{4}));
    // Right-click C while A is shown: C becomes current and shown, and C is
    // the folder deleted, with its message; A keeps its own.
    ASSERT_TRUE(rightClickAndPick(node(NodeKind::InboxFolder, "InboxC"), "mnuInboxDelete"));
    ASSERT_EQ(prompt().count(), 1);
    EXPECT_EQ(prompt().shown()[0].text, "All messages in this folder will also be removed.\n"
                                        "Confirm delete selected folder?");
    EXPECT_EQ(prompt().shown()[0].buttons, UserPrompt::Buttons::YesNoDefaultNo);
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key='InboxC'"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgcode=6"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key='InboxA'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgcode=4"), 1);
    // The last of three: the one before it is shown.
    EXPECT_EQ(tree()->currentItem(), node(NodeKind::InboxFolder, "InboxB"));
    EXPECT_EQ(listed(), (QList<qint64>{5}));

    // The rename edits the node clicked.
    show(NodeKind::InboxFolder, "InboxB");
    ASSERT_TRUE(rightClickAndPick(node(NodeKind::InboxFolder, "InboxA"), "mnuInboxRename"));
    EXPECT_EQ(tree()->currentItem(), node(NodeKind::InboxFolder, "InboxA"));
    EXPECT_EQ(w->heading(), "  A (1)");
    QPointer<QLineEdit> editor;
    ASSERT_TRUE(testenv::waitUntil(
        [&] { return (editor = tree()->findChild<QLineEdit*>()) != nullptr && editor->isVisible(); }));
    EXPECT_EQ(editor->text(), "A");
    editor->selectAll();
    QTest::keyClicks(editor, "Archive");
    QTest::keyClick(editor, Qt::Key_Return);
    testenv::waitUntil([&] { return !tree()->findChild<QLineEdit*>(); }, 20000);
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key='InboxArchive'"), 1);
    EXPECT_EQ(folderOf(db, "tbinqueue", 4), "InboxArchive");
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key='InboxB'"), 1);

    // Fixed nodes other than the top folders have no menu entries of ours.
    QMenu menu;
    w->fillNodeMenu(menu, node(NodeKind::Outbox));
    w->fillNodeMenu(menu, node(NodeKind::SimCard));
    EXPECT_TRUE(menu.isEmpty());
}

TEST_F(FolderWiringTest, DeletingFoldersShowsTheNeighbourAndAFailureChangesNothing)
{
    // The first of three: the next one.
    ASSERT_TRUE(rightClickAndPick(node(NodeKind::InboxFolder, "InboxA"), "mnuInboxDelete"));
    EXPECT_EQ(tree()->currentItem(), node(NodeKind::InboxFolder, "InboxB"));
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgcode=4"), 0);

    // A refused deletion is reported and leaves folder and messages.
    seed::exec(db, "create trigger refuse before delete on tbinqueue when old.msgfolder = 'InboxB' "
                   "begin select raise(abort, 'refused'); end");
    prompt().reset();
    ASSERT_TRUE(rightClickAndPick(node(NodeKind::InboxFolder, "InboxB"), "mnuInboxDelete"));
    ASSERT_EQ(prompt().count(), 2);
    EXPECT_EQ(prompt().shown()[1].text, "Unable to delete folder.");
    EXPECT_EQ(prompt().shown()[1].title, "Database Error");
    EXPECT_EQ(count(db, "select count(*) from tbinbox where key='InboxB'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgcode=5"), 1);
    EXPECT_NE(node(NodeKind::InboxFolder, "InboxB"), nullptr);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // The only Sent Items folder: Sent Items itself.
    seed::exec(db, "update tboutlog set msgfolder='SentItemsOld' where msgcode=2");
    prompt().reset();
    ASSERT_TRUE(rightClickAndPick(node(NodeKind::SentFolder, "SentItemsOld"), "mnuSentItemsDelete"));
    EXPECT_EQ(tree()->currentItem(), node(NodeKind::SentItems));
    EXPECT_EQ(count(db, "select count(*) from tboutlog"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbsentitems"), 0);
    EXPECT_EQ(listed(), (QList<qint64>{1}));
}
