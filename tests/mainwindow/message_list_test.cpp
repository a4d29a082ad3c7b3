// The message list model and the window around it: code-keyed changes, the
// date sort by header clicks, the engine's updates, toolbars, shortcut
// buttons, the logo and the window's size rules.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QStackedWidget>
#include <QTest>
#include <QToolBar>
#include <QTreeView>
#include <gtest/gtest.h>
#include <map>
#include <utility>

#include "controls/PopButton.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/IconStore.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "mainwindow/ToolbarKeys.h"
#include "base/EngineState.h"
#include "app/AppController.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"
#include "Seed.h"

namespace {

MessageRow row(qint64 code, const char* when, const char* number = "+441", const char* name = " ")
{
    MessageRow r;
    r.code = code;
    r.when = QDateTime::fromString(QString::fromLatin1(when), "yyyy-MM-dd HH:mm:ss");
    r.number = QString::fromLatin1(number);
    r.name = QString::fromLatin1(name);
    r.iconKey = "mailnew";
    r.bold = true;
    return r;
}

} // namespace

TEST(MessageListModel, CodeKeyedChanges)
{
    MessageListModel m;
    m.reset({row(5, "2024-01-01 10:00:00", "+441"), row(6, "2024-01-02 10:00:00", "+442"),
             row(7, "2024-01-03 10:00:00", "+441")});
    m.append(row(9, "2023-12-31 10:00:00", "+443"));
    EXPECT_EQ(m.codes(), (QList<qint64>{5, 6, 7, 9}));

    EXPECT_TRUE(m.removeByCode(6));
    EXPECT_FALSE(m.removeByCode(6));
    EXPECT_EQ(m.rowOfCode(7), 1);
    EXPECT_EQ(m.rowOfCode(9), 2);

    EXPECT_TRUE(m.markRead(7));
    EXPECT_EQ(m.rowAt(1).iconKey, "mailold");
    EXPECT_FALSE(m.data(m.index(1, 0), Qt::FontRole).isValid());
    EXPECT_TRUE(m.data(m.index(0, 2), Qt::FontRole).value<QFont>().bold());
    EXPECT_FALSE(m.markRead(42));

    EXPECT_TRUE(m.setIcon(9, "mailfailed"));
    EXPECT_EQ(m.rowAt(2).iconKey, "mailfailed");
    EXPECT_FALSE(m.data(m.index(2, 0), Qt::DecorationRole).value<QIcon>().isNull());
    EXPECT_FALSE(m.data(m.index(2, 1), Qt::DecorationRole).isValid());

    EXPECT_EQ(m.setNameForNumber("+441", "Ann Lee"), 2);
    EXPECT_EQ(m.data(m.index(0, 1)).toString(), "Ann Lee");
    EXPECT_EQ(m.data(m.index(1, 1)).toString(), "Ann Lee");
    EXPECT_EQ(m.data(m.index(2, 1)).toString(), " ");
    EXPECT_EQ(m.data(m.index(0, 0)).toString(), "01/01/2024 10:00:00");
    EXPECT_EQ(m.data(m.index(0, 0), MessageListModel::CodeRole).toLongLong(), 5);

    // Codes of a selection come in list order, once per row.
    const QModelIndexList sel = {m.index(2, 3), m.index(0, 1), m.index(2, 0)};
    EXPECT_EQ(m.codesInViewOrder(sel), (QList<qint64>{5, 9}));
}

TEST(MessageListModel, DateSortUsesTheStoredTimeBothWays)
{
    MessageListModel m;
    // Shown as text these would sort 01/02 < 02/01 < 31/12; by date it is
    // 31/12/2023 < 02/01/2024 < 01/02/2024.
    m.reset({row(1, "2024-02-01 09:00:00"), row(2, "2023-12-31 23:59:59"), row(3, "2024-01-02 00:00:00"),
             row(4, "2024-01-02 00:00:00")});
    QPersistentModelIndex kept(m.index(0, 2));
    m.sortByDate(false);
    EXPECT_EQ(m.codes(), (QList<qint64>{2, 3, 4, 1}));
    EXPECT_EQ(kept.row(), 3);
    EXPECT_EQ(m.rowOfCode(1), 3);
    m.sortByDate(true);
    EXPECT_EQ(m.codes(), (QList<qint64>{1, 3, 4, 2}));
    EXPECT_EQ(m.rowOfCode(2), 3);
}

namespace {

class ListWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Database& db = f.db();
        seed::address(db, "+441", "Ann", "Lee");
        seed::inbox(db, 1, "+441", "2024-02-01 09:00:00", "O");
        seed::inbox(db, 2, "+442", "2023-12-31 23:59:59", "O");
        seed::inbox(db, 3, "+443", "2024-01-02 00:00:00", "O");
        seed::outbox(db, 20, "+441", "2024-03-01 10:00:00");
        seed::outbox(db, 21, "+442", "2024-03-01 09:00:00");
        seed::sent(db, 30, "+441", "2024-01-04 10:00:00", "2024-01-04 10:00:05");
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        w = std::make_unique<MainWindow>(*app);
        w->populate();
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    }

    void clickHeader(int section)
    {
        QHeaderView* h = w->messageList()->header();
        const int x = h->sectionViewportPosition(section) + h->sectionSize(section) / 2;
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(x, h->height() / 2));
    }

    testenv::FreshDb f;
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
};

} // namespace

TEST_F(ListWindow, HeaderClicksSortByDateBothWaysButNotInTheOutbox)
{
    MessageListModel* m = w->messageModel();
    EXPECT_EQ(m->codes(), (QList<qint64>{2, 3, 1}));
    EXPECT_FALSE(w->sortDescending());
    clickHeader(MessageListModel::DateColumn);
    EXPECT_TRUE(w->sortDescending());
    EXPECT_EQ(m->codes(), (QList<qint64>{1, 3, 2}));
    clickHeader(MessageListModel::DateColumn);
    EXPECT_FALSE(w->sortDescending());
    EXPECT_EQ(m->codes(), (QList<qint64>{2, 3, 1}));
    clickHeader(MessageListModel::NumberColumn);
    EXPECT_EQ(m->codes(), (QList<qint64>{3, 2, 1}));

    w->jumpToNode(NodeKind::Outbox);
    EXPECT_EQ(m->codes(), (QList<qint64>{21, 20}));
    const bool before = w->sortDescending();
    clickHeader(MessageListModel::DateColumn);
    EXPECT_EQ(w->sortDescending(), before);
    EXPECT_EQ(m->codes(), (QList<qint64>{21, 20}));
}

TEST_F(ListWindow, EngineChangesReachOnlyTheListOnScreen)
{
    MessageListModel* m = w->messageModel();
    const QDateTime t = QDateTime::fromString("2024-03-02 08:00:00", "yyyy-MM-dd HH:mm:ss");

    // Inbox on screen: a stored message appears bold; Outbox rows do not.
    seed::inbox(f.db(), 4, "+441", "2024-03-02 08:00:00", "N");
    w->messageStored(4, t, "Ann Lee", "+441", 1);
    w->outboxRowAdded(22, t, " ", "+449", 1);
    EXPECT_EQ(m->codes(), (QList<qint64>{2, 3, 1, 4}));
    EXPECT_TRUE(m->rowAt(3).bold);
    EXPECT_EQ(w->heading(), "  Inbox (4)");
    EXPECT_EQ(app->state().iNewSMS, 1);
    EXPECT_TRUE(w->folderTree()->fixedNode(NodeKind::Inbox)->font(0).bold());

    // Outbox on screen: added, sending, then logged away.
    w->jumpToNode(NodeKind::Outbox);
    w->messageStored(5, t, " ", "+449", 1);
    w->outboxRowAdded(22, t, " ", "+449", 1);
    EXPECT_EQ(m->codes(), (QList<qint64>{21, 20, 22}));
    EXPECT_EQ(m->rowAt(2).iconKey, "mailwait");
    EXPECT_EQ(w->heading(), "  Outbox (3)");
    w->outboxRowSending(22);
    EXPECT_EQ(m->rowAt(2).iconKey, "mailsend");
    w->outboxRowLogged(21, 31, "C");
    EXPECT_EQ(m->codes(), (QList<qint64>{20, 22}));
    EXPECT_EQ(w->heading(), "  Outbox (2)");

    // Sent Items on screen: the logged row is read back and appended.
    w->jumpToNode(NodeKind::SentItems);
    seed::sent(f.db(), 32, "+441", "2024-03-01 10:00:00", "2024-03-05 10:00:00", "E");
    w->outboxRowLogged(20, 32, "E");
    EXPECT_EQ(m->codes(), (QList<qint64>{30, 32}));
    EXPECT_EQ(m->rowAt(1).iconKey, "mailfailed");
    EXPECT_EQ(m->rowAt(1).name, "Ann Lee");
    // A read mark for an Inbox code leaves a Sent row of the same code alone.
    w->markedRead(30);
    EXPECT_EQ(m->rowAt(0).iconKey, "mailold");
}

TEST_F(ListWindow, ToolbarKeysAreExactAndUnknownKeysDoNothing)
{
    int inboxMinimise = 0, addressMinimise = 0;
    EXPECT_TRUE(w->setToolbarAction(ToolbarId::Inbox, "minimize", [&] { ++inboxMinimise; }));
    EXPECT_TRUE(w->setToolbarAction(ToolbarId::Address, "Minimise", [&] { ++addressMinimise; }));
    EXPECT_FALSE(w->setToolbarAction(ToolbarId::Inbox, "Minimise", [] {}));
    EXPECT_FALSE(w->setToolbarAction(ToolbarId::Address, "minimize", [] {}));

    EXPECT_FALSE(w->dispatchToolbar(ToolbarId::Inbox, "MINIMIZE"));
    EXPECT_TRUE(w->dispatchToolbar(ToolbarId::Inbox, "delete"));  // known, not yet wired
    EXPECT_EQ(inboxMinimise, 0);

    // A button press runs its key's action.
    auto* action = w->toolbar(ToolbarId::Inbox)->findChild<QAction*>("minimize");
    ASSERT_TRUE(action);
    EXPECT_FALSE(action->toolTip().isEmpty());
    action->trigger();
    EXPECT_EQ(inboxMinimise, 1);
    w->toolbar(ToolbarId::Address)->findChild<QAction*>("Minimise")->trigger();
    EXPECT_EQ(addressMinimise, 1);

    // Every toolbar carries its keys, each with a tooltip and a picture.
    const std::pair<ToolbarId, int> sizes[] = {{ToolbarId::Inbox, 7}, {ToolbarId::Outbox, 4},
                                               {ToolbarId::SentItems, 6}, {ToolbarId::Address, 8},
                                               {ToolbarId::Group, 7}, {ToolbarId::SIM, 8}};
    for (auto [id, n] : sizes) {
        EXPECT_EQ(int(toolbarButtons(id).size()), n);
        for (const ToolbarButton& b : toolbarButtons(id)) {
            QAction* a = w->toolbar(id)->findChild<QAction*>(b.key);
            ASSERT_TRUE(a) << b.key.toStdString();
            EXPECT_FALSE(a->toolTip().isEmpty());
            EXPECT_FALSE(a->icon().isNull()) << b.key.toStdString();
        }
    }
}

TEST_F(ListWindow, EveryToolbarKeyIsReachedFromTheKeyboard)
{
    seed::group(f.db(), "Friends");
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    const std::pair<NodeKind, const char*> views[] = {
        {NodeKind::Inbox, "Inbox"},       {NodeKind::Outbox, "Outbox"},           {NodeKind::SentItems, "SentItems"},
        {NodeKind::AddressBook, "AddressBook"}, {NodeKind::Group, "Friends"}, {NodeKind::SimCard, "SIMCard"}};
    for (auto [kind, key] : views) {
        w->populateFolderTree(kind, QLatin1String(key));
        ASSERT_TRUE(w->hasView());
        const ToolbarId shown = viewLayout(w->currentView()).toolbar;
        std::map<std::pair<ToolbarId, QString>, int> runs;
        for (ToolbarId id : allToolbars())
            for (const ToolbarButton& b : toolbarButtons(id))
                w->setToolbarAction(id, b.key, [&runs, id, k = b.key] { ++runs[{id, k}]; });

        // Tab from the tree goes round every key of the toolbar shown.
        QList<QWidget*> reached;
        w->folderTree()->setFocus();
        for (int i = 0; i < 40; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            reached << QApplication::focusWidget();
        }
        for (const ToolbarButton& b : toolbarButtons(shown)) {
            const std::string name = toolbarName(shown).toStdString() + "/" + b.key.toStdString();
            QAction* a = w->toolbar(shown)->findChild<QAction*>(b.key);
            ASSERT_TRUE(a) << name;
            QWidget* button = w->toolbar(shown)->widgetForAction(a);
            ASSERT_TRUE(reached.contains(button)) << name;
            // Space on the focused key runs it.
            button->setFocus();
            QTest::keyClick(button, Qt::Key_Space);
            EXPECT_EQ(std::exchange(runs[{shown, b.key}], 0), 1) << name;

            if (b.shortcut.isEmpty())
                continue;
            // The tooltip names the shortcut.
            EXPECT_TRUE(a->toolTip().endsWith(" (" + b.shortcut.toString(QKeySequence::NativeText) + ")")) << name;
            if (b.listKey)
                continue; // the list's own key (Delete), run by the list
            // From the tree, the shortcut runs this key and no other one.
            w->folderTree()->setFocus();
            QTest::keySequence(w->folderTree(), b.shortcut);
            EXPECT_EQ(std::exchange(runs[{shown, b.key}], 0), 1) << name;
            for (const auto& [which, count] : runs)
                EXPECT_EQ(count, 0) << name << " also ran " << which.second.toStdString();
        }
    }
    // The usual keys of mail programs for the main commands.
    auto shortcutOf = [](ToolbarId id, const char* key) {
        for (const ToolbarButton& b : toolbarButtons(id))
            if (b.key == QLatin1String(key))
                return b.shortcut;
        return QKeySequence();
    };
    EXPECT_EQ(shortcutOf(ToolbarId::Inbox, "sendsms"), QKeySequence(Qt::CTRL | Qt::Key_N));
    EXPECT_EQ(shortcutOf(ToolbarId::Inbox, "reply"), QKeySequence(Qt::CTRL | Qt::Key_R));
    EXPECT_EQ(shortcutOf(ToolbarId::Inbox, "forward"), QKeySequence(Qt::CTRL | Qt::Key_F));
    EXPECT_EQ(shortcutOf(ToolbarId::SIM, "NewMessage"), QKeySequence(Qt::CTRL | Qt::Key_N));
}

TEST_F(ListWindow, ShortcutsJumpToFixedNodesAndTheLogoOpensTheHomePage)
{
    testenv::windows().reset();
    const std::pair<IconStore::Shortcut, NodeKind> jumps[] = {
        {IconStore::Shortcut::Outbox, NodeKind::Outbox},
        {IconStore::Shortcut::SentItems, NodeKind::SentItems},
        {IconStore::Shortcut::AddressBook, NodeKind::AddressBook},
        {IconStore::Shortcut::Inbox, NodeKind::Inbox},
    };
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    for (auto [button, kind] : jumps) {
        auto* b = qobject_cast<PopButton*>(w->shortcutButton(button));
        ASSERT_TRUE(b);
        b->setCursorPosition([b] { return b->mapToGlobal(b->rect().center()); });
        w->messageList()->setFocus();
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
        EXPECT_EQ(w->folderTree()->currentItem(), w->folderTree()->fixedNode(kind));
        EXPECT_TRUE(w->folderTree()->hasFocus());
    }
    EXPECT_EQ(w->heading(), "  Inbox (3)");

    QWidget* logo = w->logoLabel();
    QTest::mouseClick(logo, Qt::LeftButton, {}, logo->rect().center());
    const QList<QUrl>& opened = testenv::windows().opened();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl(QString::fromLatin1(MainWindow::kHomePageUrl)));
}

TEST_F(ListWindow, SizeRulesAndMinimum)
{
    w->resize(100, 100);
    QTest::qWait(0);
    EXPECT_EQ(w->size(), QSize(640, 480));

    EXPECT_EQ(MainWindow::addressFirstColumnWidth(500), 500 - 106);
    EXPECT_EQ(MainWindow::addressFirstColumnWidth(500, 150), 500 - 150);
    EXPECT_EQ(MainWindow::addressFirstColumnWidth(500, 50), 500 - 106);
    EXPECT_EQ(MainWindow::addressFirstColumnWidth(120), 67);
    EXPECT_EQ(MainWindow::messageNameColumnWidth(600, 100), 600 - 253);
    EXPECT_EQ(MainWindow::messageNameColumnWidth(600, 300), 300);
    EXPECT_EQ(MainWindow::messageNameColumnWidth(200, 100), 67);

    w->resize(1000, 700);
    QTest::qWait(0);
    QTreeView* list = w->messageList();
    QHeaderView* h = list->header();
    int others = 0;
    for (int c : {0, 2, 3})
        others += h->sectionSize(c);
    // The name column takes what is left: all four fit the list's width.
    const int total = others + h->sectionSize(1);
    EXPECT_LE(total, list->width());
    EXPECT_GT(total, list->width() - 40);
    // The number column of the address list holds a whole number in the
    // list's font, whatever the font.
    for (QTreeView* numbers : {w->addressList(), w->simList()}) {
        EXPECT_GE(numbers->header()->sectionSize(1),
                  QFontMetrics(numbers->font()).horizontalAdvance("+861380013800012") + 12);
        EXPECT_LE(numbers->header()->sectionSize(0) + numbers->header()->sectionSize(1), w->listStack()->width());
    }
    EXPECT_EQ(w->simList()->header()->sectionSize(0), w->addressList()->header()->sectionSize(0));
}

TEST(IconStore, EveryKeyHasAPictureAndTreeIconsOpenWhenSelected)
{
    QSet<qint64> seen;
    for (const QString& key : IconStore::keys()) {
        const QPixmap p = IconStore::pixmap(key);
        ASSERT_FALSE(p.isNull()) << key.toStdString();
        EXPECT_EQ(p.size(), QSize(16, 16));
        // Each picture is drawn, not blank.
        const QImage img = p.toImage();
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(img.pixel(x, y)) > 0;
        EXPECT_GT(opaque, 20) << key.toStdString();
        seen.insert(img.cacheKey());
    }
    EXPECT_TRUE(IconStore::icon("nosuchkey").isNull());
    for (const char* s : {"imgOn", "imgActiveOff", "imgPauseOff", "imgDrag"})
        EXPECT_FALSE(IconStore::statusIcon(QString::fromLatin1(s)).isNull()) << s;

    const QIcon tree = IconStore::treeIcon("simclose", "simopen");
    EXPECT_EQ(tree.pixmap(16, QIcon::Normal).toImage(), IconStore::pixmap("simclose").toImage());
    EXPECT_EQ(tree.pixmap(16, QIcon::Selected).toImage(), IconStore::pixmap("simopen").toImage());
    EXPECT_NE(IconStore::shortcut(IconStore::Shortcut::Inbox, IconStore::ButtonState::Up).toImage(),
              IconStore::shortcut(IconStore::Shortcut::Inbox, IconStore::ButtonState::Down).toImage());
}
