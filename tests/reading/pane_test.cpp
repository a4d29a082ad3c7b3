// The preview pane: every kind of message as the pane shows it (pictures
// checked pixel by pixel on the screen), and the mark-read rules.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeView>
#include <gtest/gtest.h>

#include "app/AppController.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "mainwindow/Seed.h"
#include "base/EngineState.h"
#include "reading/MessagePane.h"
#include "support/ScriptedWindowServices.h"
#include "support/TestEnv.h"
#include "Smart.h"

namespace {

namespace sw = smartwriter;

bool checker(int x, int y) { return (x / 3 + y) % 2 == 0; }
bool frame(int x, int y) { return x == 0 || y == 0 || x == 71 || y == 27 || x == y; }

// The pixels the picture box shows: black for ink, white for paper, each
// bitmap pixel kPictureZoom screen pixels wide and high.
void expectPicture(QLabel* box, int width, int height, const std::function<bool(int, int)>& ink, int inkW, int inkH)
{
    ASSERT_TRUE(box->isVisible());
    const QImage shot = box->grab().toImage();
    const int z = MainWindow::kPictureZoom;
    ASSERT_EQ(shot.width(), width * z);
    ASSERT_EQ(shot.height(), height * z);
    int mismatches = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (const QPoint d : {QPoint(0, 0), QPoint(z - 1, z - 1)}) {
                const QRgb px = shot.pixel(x * z + d.x(), y * z + d.y());
                const bool expected = x < inkW && y < inkH && ink(x, y);
                if (px != (expected ? qRgb(0, 0, 0) : qRgb(255, 255, 255)))
                    ++mismatches;
            }
    EXPECT_EQ(mismatches, 0);
}

class Pane : public ::testing::Test {
protected:
    void insertInbox(qint64 code, int type, const QString& content, const QString& status = "O",
                     const QString& folder = "Inbox", const QString& created = "2024-03-05 09:07:02")
    {
        seed::inbox(f.db(), code, "+4471", created, status, folder, 0, type, content);
    }

    void open()
    {
        app = std::make_unique<AppController>(f.db(), nullptr, testenv::prompt(), testenv::windows());
        w = std::make_unique<MainWindow>(*app);
        w->populate();
        w->show();
    }

    void show(qint64 code)
    {
        MessageListModel* m = w->messageModel();
        ASSERT_GE(m->rowOfCode(code), 0) << code;
        w->messageList()->setCurrentIndex(m->index(m->rowOfCode(code), 0));
    }

    QString status(qint64 code)
    {
        return f.db().query("select msgstatus from tbinqueue where msgcode=?", {code}).value(0, 0).toString();
    }

    void SetUp() override { testenv::prompt().reset(); }

    testenv::FreshDb f;
    std::unique_ptr<AppController> app;
    std::unique_ptr<MainWindow> w;
};

} // namespace

TEST_F(Pane, EachKindShowsItsLabelTextPlayButtonOrPicture)
{
    insertInbox(1, 1, "C8329BFD06");                                   // "Hello" in packed septets
    insertInbox(2, 2, sw::ringtone("Tune"));
    insertInbox(3, 3, sw::logo(72, 14, checker));
    insertInbox(4, 4, sw::picture(frame, "Hello"));
    insertInbox(5, 5, "004800E9006C006C006F");                           // "Héllo" in UCS-2
    insertInbox(6, 2, sw::ringtone(""));
    open();

    show(1);
    EXPECT_EQ(w->messageTypeLabel()->text(), "Text Message");
    EXPECT_EQ(w->messageDateLabel()->text(), "05 Mar 2024 09:07:02");
    EXPECT_EQ(w->messageNumberLabel()->text(), "+4471");
    EXPECT_EQ(w->messageText()->toPlainText(), "Hello");
    EXPECT_TRUE(w->messageText()->isVisible());
    EXPECT_FALSE(w->playButton()->isVisible());
    EXPECT_FALSE(w->pictureBox()->isVisible());

    show(2);
    EXPECT_EQ(w->messageTypeLabel()->text(), "Ring Tone (Tune)");
    EXPECT_TRUE(w->playButton()->isVisible());
    EXPECT_FALSE(w->pictureBox()->isVisible());
    EXPECT_TRUE(w->messageText()->toPlainText().isEmpty());
    EXPECT_EQ(w->shownPane().ringtoneContent, sw::ringtone("Tune"));

    show(6);
    EXPECT_EQ(w->messageTypeLabel()->text(), "Ring Tone ()");

    show(3);
    EXPECT_EQ(w->messageTypeLabel()->text(), "Operator Logo");
    EXPECT_FALSE(w->playButton()->isVisible());
    expectPicture(w->pictureBox(), 72, 14, checker, 72, 14);

    show(4);
    EXPECT_EQ(w->messageTypeLabel()->text(), "Picture Message");
    expectPicture(w->pictureBox(), 72, 28, frame, 72, 28);
    EXPECT_EQ(w->messageText()->toPlainText(), "Hello");

    show(5);
    EXPECT_EQ(w->messageTypeLabel()->text(), "Unicode Message");
    EXPECT_EQ(w->messageText()->toPlainText(), QString::fromUtf8("H\xC3\xA9llo"));
    EXPECT_FALSE(w->pictureBox()->isVisible());
    EXPECT_EQ(testenv::prompt().count(), 0);
}

TEST_F(Pane, ForeignBitmapsAreReadAsOneBitStreamAndCutToTheBox)
{
    // A 10-pixel-wide logo: rows run on in the stream without padding.
    auto diagonal = [](int x, int y) { return x == y || x == 9 - y; };
    insertInbox(1, 3, sw::logo(10, 10, diagonal));
    // A logo larger than the box shows its top-left corner.
    insertInbox(2, 3, sw::logo(80, 20, checker));
    // A picture whose data ends early: the rest is paper.
    QString cut = sw::picture(frame, "");
    cut.chop(188); // part 3 gone, part 2 holds 100 digits
    insertInbox(3, 4, cut);
    open();

    show(1);
    expectPicture(w->pictureBox(), 72, 14, diagonal, 10, 10);
    show(2);
    expectPicture(w->pictureBox(), 72, 14, checker, 72, 14);
    show(3);
    // Less two headers, the version, the item's type and length and the OTA
    // header: the pixels are what remains.
    const int pixelsKept = int(cut.size() - 2 * 24 - 2 - 6 - 8) * 4;
    ASSERT_EQ(pixelsKept, 1360);
    auto keptFrame = [pixelsKept](int x, int y) { return y * 72 + x < pixelsKept && frame(x, y); };
    expectPicture(w->pictureBox(), 72, 28, keptFrame, 72, 28);
    EXPECT_TRUE(w->messageText()->toPlainText().isEmpty());
}

TEST(PaneContent, HostileContentNeverCrashesOrHangs)
{
    // A ringtone part header with a length of zero or no length at all, a
    // length that is no hex, a length past the end.
    for (const QString& s : {QString("05041581"), QString("0005041581FFFF"), QString("ZZ050415810000"),
                             QString("FF05041581"), QString("0B05041581000000030101")}) {
        const PaneContent c = paneContentFor(2, s);
        EXPECT_TRUE(c.typeLabel.startsWith("Ring Tone (")) << s.toStdString();
        EXPECT_TRUE(c.typeLabel.endsWith(")"));
    }
    // Picture items whose lengths run past the data; a logo of size 0.
    for (const QString& s : {QString("0B0504158A00000003010101" "30" "02FFFF00481C01FF"),
                             QString("0B0504158A00000003010101" "30" "00FFFF41"),
                             QString("0B0504158200000003010101" "3032F4510A" "00000001FF")}) {
        const PaneContent logo = paneContentFor(3, s);
        const PaneContent pic = paneContentFor(4, s);
        EXPECT_EQ(logo.bitmap.width(), 72);
        EXPECT_EQ(logo.bitmap.height(), 14);
        EXPECT_EQ(pic.bitmap.height(), 28);
    }
    EXPECT_EQ(paneContentFor(4, "0B0504158A00000003010101" "30" "00FFFF41").text, "A");
}

TEST_F(Pane, DatesFollowTheFolder)
{
    seed::outbox(f.db(), 20, "+4472", "2024-04-01 08:00:00");
    f.db().exec("update tboutqueue set msgcreated='2024-03-30 07:00:00', msgout='2024-04-01 08:00:00'");
    seed::sent(f.db(), 30, "+4473", "2024-01-04 10:00:00", "2024-01-04 10:00:05");
    open();
    w->jumpToNode(NodeKind::Outbox);
    EXPECT_EQ(w->messageDateLabel()->text(), "30 Mar 2024 07:00:00");
    EXPECT_EQ(w->messageNumberLabel()->text(), "+4472");
    w->jumpToNode(NodeKind::SentItems);
    EXPECT_EQ(w->messageDateLabel()->text(), "04 Jan 2024 10:00:05");
    EXPECT_EQ(w->messageText()->toPlainText(), "Hello");
}

TEST_F(Pane, ShowingAnUnreadInboxMessageMarksItReadAndRecountsTheUnread)
{
    insertInbox(1, 1, "C8329BFD06", "N", "Inbox", "2024-01-01 10:00:00");
    insertInbox(2, 1, "C8329BFD06", "N", "Inbox", "2024-01-02 10:00:00");
    insertInbox(3, 1, "C8329BFD06", "N", "InboxWork", "2024-01-03 10:00:00");
    seed::inboxFolder(f.db(), "InboxWork");
    open();
    // The first row was shown by the fill: read. The count is the table's.
    EXPECT_EQ(status(1), "O");
    EXPECT_EQ(app->state().iNewSMS, 1);
    app->state().iNewSMS = 9; // whatever drift: the next change recounts
    app->state().bNewMsgAlert = true;
    show(2);
    EXPECT_EQ(status(2), "O");
    EXPECT_EQ(w->messageModel()->rowAt(w->messageModel()->rowOfCode(2)).iconKey, "mailold");
    EXPECT_FALSE(w->messageModel()->rowAt(w->messageModel()->rowOfCode(2)).bold);
    EXPECT_EQ(app->state().iNewSMS, 0);
    EXPECT_FALSE(app->state().bNewMsgAlert);
    EXPECT_FALSE(w->folderTree()->fixedNode(NodeKind::Inbox)->font(0).bold());

    // In a user folder the message stays unread and the alert stays.
    app->state().bNewMsgAlert = true;
    QTreeWidgetItem* work = nullptr;
    for (int i = 0; i < w->folderTree()->fixedNode(NodeKind::Inbox)->childCount(); ++i)
        work = w->folderTree()->fixedNode(NodeKind::Inbox)->child(i);
    ASSERT_NE(work, nullptr);
    w->folderTree()->setCurrentItem(work);
    EXPECT_EQ(w->shownPane().code, 3);
    EXPECT_EQ(status(3), "N");
    EXPECT_TRUE(w->messageModel()->rowAt(0).bold);
    EXPECT_TRUE(app->state().bNewMsgAlert);
}

TEST_F(Pane, AFailedMarkReadLeavesTheRowUnread)
{
    insertInbox(1, 1, "C8329BFD06", "O", "Inbox", "2024-01-01 10:00:00");
    insertInbox(2, 1, "C8329BFD06", "N", "Inbox", "2024-01-02 10:00:00");
    ASSERT_TRUE(f.db().exec("create trigger refuse before update on tbinqueue begin select raise(abort, 'busy'); end"));
    open();
    show(2);
    EXPECT_EQ(w->messageText()->toPlainText(), "Hello");
    EXPECT_EQ(status(2), "N");
    const MessageRow& row = w->messageModel()->rowAt(w->messageModel()->rowOfCode(2));
    EXPECT_EQ(row.iconKey, "mailnew");
    EXPECT_TRUE(row.bold);
    EXPECT_EQ(app->state().iNewSMS, 1);
    EXPECT_TRUE(w->folderTree()->fixedNode(NodeKind::Inbox)->font(0).bold());
}
