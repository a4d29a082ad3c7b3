// The message list's input (keys, sort, double click, drag) and the message
// window opened from it, in the running program's wiring.
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include "addressbook/ui/AddressDialog.h"
#include "app/AppController.h"
#include "mainwindow/DragPayload.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "mainwindow/MessageListView.h"
#include "mainwindow/Seed.h"
#include "base/EngineState.h"
#include "reading/ui/ReadingWiring.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"
#include "Smart.h"

namespace {

QList<QWidget*> openWindows(const QString& name)
{
    QList<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible())
            out << w;
    return out;
}

class Reading : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        Database& db = f.db();
        seed::address(db, "+441", "Ann", "Lee");
        seed::inbox(db, 1, "+441", "2024-02-01 09:00:00", "O");
        seed::inbox(db, 2, "+442", "2023-12-31 23:59:59", "O", "Inbox", 0, 2, smartwriter::ringtone("Bells"));
        seed::inbox(db, 3, "+443", "2024-01-02 00:00:00", "O", "Inbox", 0, 3,
                    smartwriter::logo(72, 14, [](int x, int y) { return x % 2 == y % 2; }));
        seed::outbox(db, 20, "+441", "2024-03-01 10:00:00");
        seed::sent(db, 30, "+449", "2024-01-04 10:00:00", "2024-01-04 10:00:05");
        seed::sent(db, 31, "+441", "2024-01-05 10:00:00", "2024-01-05 10:00:05");
        app = std::make_unique<AppController>(db, nullptr, testenv::prompt(), testenv::windows());
        app->load(false);
        w = app->window();
        ASSERT_NE(w, nullptr);
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        list = qobject_cast<MessageListView*>(w->messageList());
        ASSERT_NE(list, nullptr);
    }

    void TearDown() override
    {
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t != w && t->isWindow() && t->isVisible())
                t->close();
    }

    void show(qint64 code)
    {
        list->setCurrentIndex(w->messageModel()->index(w->messageModel()->rowOfCode(code), 0));
    }
    QPoint rowCentre(int row) const { return list->visualRect(w->messageModel()->index(row, 1)).center(); }
    // A double click as the mouse makes it: a click, then the second press
    // that arrives as the double click.
    void doubleClickAt(const QPoint& at)
    {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }
    void doubleClickRow(int row) { doubleClickAt(rowCentre(row)); }
    MessageWindow* messageWindow() const { return readingOf(*w)->messageWindow(); }

    testenv::FreshDb f;
    std::unique_ptr<AppController> app;
    MainWindow* w = nullptr;
    MessageListView* list = nullptr;
};

} // namespace

TEST_F(Reading, DeleteKeyActsOnTheFolderShownAndCtrlASelectsAll)
{
    QStringList calls;
    w->setToolbarAction(ToolbarId::Inbox, "delete", [&] { calls << "inbox"; });
    w->setToolbarAction(ToolbarId::SentItems, "delete", [&] { calls << "sent"; });
    w->setToolbarAction(ToolbarId::Outbox, "delete", [&] { calls << "outbox"; });

    list->setFocus();
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(list->selectionModel()->selectedRows().size(), 3);
    QTest::keyClick(list, Qt::Key_Delete);
    w->jumpToNode(NodeKind::SentItems);
    QTest::keyClick(list, Qt::Key_Delete);
    w->jumpToNode(NodeKind::Outbox);
    QTest::keyClick(list, Qt::Key_Delete);
    // The Inbox's delete in every folder: it asks under "Delete" and takes
    // the rows from the folder shown.
    EXPECT_EQ(calls, QStringList({"inbox", "inbox", "inbox"}));
    // Other keys keep their list meaning: Down moves the current row.
    w->jumpToNode(NodeKind::Inbox);
    const int before = list->currentIndex().row();
    QTest::keyClick(list, Qt::Key_Down);
    EXPECT_EQ(list->currentIndex().row(), before + 1);

    // Enter opens the current row, as the double click does.
    ASSERT_EQ(messageWindow(), nullptr);
    show(3);
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_NE(messageWindow(), nullptr);
    EXPECT_EQ(messageWindow()->txtPhone->text(), "+443");
}

TEST_F(Reading, TypeColumnOnlyTogglesTheDirectionNameColumnSortsByText)
{
    MessageListModel* m = w->messageModel();
    const QList<qint64> order = m->codes();
    const bool flag = w->sortDescending();
    w->columnClick(MessageListModel::TypeColumn);
    EXPECT_NE(w->sortDescending(), flag);
    EXPECT_EQ(m->codes(), order);
    w->columnClick(MessageListModel::NumberColumn); // now ascending or descending by number text
    const QList<qint64> byNumber = m->codes();
    EXPECT_TRUE(byNumber == (QList<qint64>{1, 2, 3}) || byNumber == (QList<qint64>{3, 2, 1}));
    w->columnClick(MessageListModel::NumberColumn);
    QList<qint64> reversed = byNumber;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(m->codes(), reversed);
}

TEST_F(Reading, RowsShowInThePaneAndForwardIsForTextOnly)
{
    QAction* forward = w->toolbar(ToolbarId::Inbox)->findChild<QAction*>("forward");
    ASSERT_NE(forward, nullptr);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(w->messageModel()->rowOfCode(2)));
    EXPECT_EQ(w->shownPane().code, 2);
    EXPECT_EQ(w->messageTypeLabel()->text(), "Ring Tone (Bells)");
    EXPECT_FALSE(forward->isEnabled());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowCentre(w->messageModel()->rowOfCode(1)));
    EXPECT_EQ(w->shownPane().code, 1);
    EXPECT_TRUE(forward->isEnabled());
}

TEST_F(Reading, DragCarriesTheTableAndTheSelectedCodesInListOrder)
{
    auto payload = [&]() {
        std::unique_ptr<QMimeData> data(list->selectionPayload());
        EXPECT_NE(data, nullptr);
        // Read back by hand: a JSON object of source, table and keys.
        const QJsonObject o = QJsonDocument::fromJson(data->data(dragpayload::kMimeType)).object();
        QStringList keys;
        for (const QJsonValue& v : o.value("keys").toArray())
            keys << v.toString();
        EXPECT_TRUE(dragpayload::decode(data.get()).has_value());
        return o.value("source").toString() + "|" + o.value("table").toString() + "|" + keys.join(",");
    };
    MessageListModel* m = w->messageModel();
    list->selectionModel()->select(m->index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list->selectionModel()->select(m->index(0, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    EXPECT_EQ(payload(), QString("lsvMessage|tbinqueue|%1,%2").arg(m->rowAt(0).code).arg(m->rowAt(2).code));
    w->jumpToNode(NodeKind::SentItems);
    list->selectAll();
    EXPECT_EQ(payload(), "lsvMessage|tboutlog|30,31");
    w->jumpToNode(NodeKind::Outbox);
    list->selectAll();
    EXPECT_EQ(payload(), "lsvMessage|tboutqueue|20");
    list->clearSelection();
    EXPECT_EQ(list->selectionPayload(), nullptr);
    EXPECT_TRUE(m->flags(m->index(0, 0)) & Qt::ItemIsDragEnabled);
}

TEST_F(Reading, DoubleClickOpensOneWindowOnlyWithACurrentRow)
{
    // Rows but none current: nothing opens.
    list->selectionModel()->clearCurrentIndex();
    ASSERT_GT(list->viewport()->height(), rowCentre(2).y() + 20);
    doubleClickAt(QPoint(5, list->viewport()->height() - 3));
    EXPECT_EQ(messageWindow(), nullptr);
    EXPECT_TRUE(openWindows("frmMessage").isEmpty());

    doubleClickRow(w->messageModel()->rowOfCode(1));
    ASSERT_NE(messageWindow(), nullptr);
    doubleClickRow(w->messageModel()->rowOfCode(3));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(openWindows("frmMessage").size(), 1);
    MessageWindow* mw = messageWindow();
    EXPECT_EQ(mw->parentWidget(), w);
    EXPECT_FALSE(mw->isModal());
    EXPECT_EQ(mw->lblType->text(), "Operator Logo");
    EXPECT_EQ(mw->txtPhone->text(), "+443");
    EXPECT_TRUE(testenv::waitUntil([&] { return mw->picImage->isVisible(); }));
    // The pane's picture, enlarged: every pixel of the pane's box is a
    // square of the window's.
    const QImage small = w->pictureBox()->grab().toImage();
    const QImage big = mw->picImage->grab().toImage();
    const int z = MessageWindow::kPictureZoom;
    ASSERT_EQ(big.size(), small.size() * z);
    int mismatches = 0;
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x)
            mismatches += big.pixel(x, y) != small.pixel(x / z, y / z);
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(small.pixel(0, 0), qRgb(0, 0, 0)); // the logo's pattern starts with ink
    EXPECT_EQ(small.pixel(1, 0), qRgb(255, 255, 255));
    mw->cmdExit->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(messageWindow(), nullptr);
    EXPECT_FALSE(readingOf(*w)->messageFormOpen());

    // An empty folder: a double click opens nothing.
    f.db().exec("delete from tboutqueue");
    w->jumpToNode(NodeKind::Outbox);
    ASSERT_EQ(w->messageModel()->rowCount(), 0);
    doubleClickAt(QPoint(10, 10));
    EXPECT_EQ(messageWindow(), nullptr);
}

TEST_F(Reading, WindowCaptionsFollowTheFolderAndCopyTheRow)
{
    show(1);
    MessageWindow* mw = readingOf(*w)->openMessage();
    ASSERT_NE(mw, nullptr);
    EXPECT_EQ(mw->lblDate->text(), "Date Received");
    EXPECT_EQ(mw->lblName->text(), "From");
    EXPECT_EQ(mw->cmdDetail->text(), "Sender Detail");
    EXPECT_EQ(mw->txtDate->text(), "01/02/2024 09:00:00");
    EXPECT_EQ(mw->txtName->text(), "Ann Lee");
    EXPECT_EQ(mw->txtPhone->text(), "+441");
    EXPECT_EQ(mw->txtMessage->toPlainText(), "Hello");
    EXPECT_EQ(mw->lblType->text(), "Text Message");
    EXPECT_FALSE(mw->cmdPlay->isVisibleTo(mw));
    EXPECT_FALSE(mw->picImage->isVisibleTo(mw));

    w->jumpToNode(NodeKind::SentItems);
    mw = readingOf(*w)->openMessage();
    ASSERT_NE(mw, nullptr);
    EXPECT_EQ(mw->lblDate->text(), "Date Sent");
    EXPECT_EQ(mw->lblName->text(), "To");
    EXPECT_EQ(mw->cmdDetail->text(), "Addressee Detail");
    w->jumpToNode(NodeKind::Outbox);
    mw = readingOf(*w)->openMessage();
    ASSERT_NE(mw, nullptr);
    EXPECT_EQ(mw->lblDate->text(), "Date Sent");
    EXPECT_EQ(mw->txtPhone->text(), "+441");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(openWindows("frmMessage").size(), 1);
}

TEST_F(Reading, PlayReachesThePlayerOnceWithTheRingtone)
{
    QStringList played;
    w->playRingtoneHook = [&](const QString& content, QWidget* parent) {
        played << content;
        EXPECT_EQ(parent, w);
    };
    show(2);
    MessageWindow* mw = readingOf(*w)->openMessage();
    ASSERT_NE(mw, nullptr);
    EXPECT_TRUE(mw->cmdPlay->isVisibleTo(mw));
    EXPECT_FALSE(mw->txtMessage->isVisibleTo(mw));
    EXPECT_EQ(mw->lblType->text(), "Ring Tone (Bells)");
    mw->cmdPlay->click();
    EXPECT_EQ(played, QStringList{smartwriter::ringtone("Bells")});
}

TEST_F(Reading, DetailOpensTheAddressFormsAndTheWindowFollowsTheSave)
{
    // A number the book does not hold: the add form, with the number.
    show(2);
    MessageWindow* mw = readingOf(*w)->openMessage();
    ASSERT_NE(mw, nullptr);
    mw->cmdDetail->click();
    QList<QWidget*> forms = openWindows("frmAddressAdd");
    ASSERT_EQ(forms.size(), 1);
    auto* add = qobject_cast<AddressDialog*>(forms.first());
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->text(AddressField::PhoneNo), "+442");
    add->setText(AddressField::FirstName, "Bob");
    add->setText(AddressField::LastName, "Ray");
    ASSERT_TRUE(add->save());
    EXPECT_EQ(mw->txtName->text(), "Bob Ray");
    EXPECT_EQ(mw->txtPhone->text(), "+442");
    EXPECT_EQ(testenv::prompt().count(), 0);

    // A number it holds: the edit form of that entry.
    show(1);
    mw = readingOf(*w)->openMessage();
    ASSERT_NE(mw, nullptr);
    mw->cmdDetail->click();
    forms = openWindows("frmAddressEdit");
    ASSERT_EQ(forms.size(), 1);
    auto* edit = qobject_cast<AddressDialog*>(forms.first());
    EXPECT_EQ(edit->loadedNumber(), "+441");
    edit->setText(AddressField::FirstName, "Anne");
    ASSERT_TRUE(edit->save());
    EXPECT_EQ(mw->txtName->text(), "Anne Lee");
}
