// The general helpers: the event-running wait, the text helpers, opening
// with the desktop, and the single-copy dialogs over the main window.
#include <gtest/gtest.h>

#include "startup/Helpers.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QTimer>
#include <QUrl>

TEST(WaitMilliseconds, LastsAtLeastTheTimeAndRunsEvents)
{
    int fired = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++fired; });
    ticker.start(20);
    QElapsedTimer t;
    t.start();
    WaitMilliseconds(250);
    EXPECT_GE(t.elapsed(), 250);
    EXPECT_LT(t.elapsed(), 2000);
    EXPECT_GE(fired, 5);

    // A very short wait still serves what is pending.
    bool ran = false;
    QTimer::singleShot(0, [&] { ran = true; });
    WaitMilliseconds(0);
    EXPECT_TRUE(ran);
}

TEST(ReplaceText, CountStartCompareAndSelfContainingReplacements)
{
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+"), "a+b+c+d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 1, 1), "a+b-c-d");
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 3, 1), "a-b+c-d");  // first at or after start
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 3, -1), "a-b+c+d"); // the part before start is kept
    EXPECT_EQ(ReplaceText("a-b-c-d", "-", "+", 99), "a-b-c-d");
    EXPECT_EQ(ReplaceText("aXa", "a", "aa"), "aaXaa");              // no endless loop
    EXPECT_EQ(ReplaceText("abab", "ab", "abab", 1, -1), "abababab");
    EXPECT_EQ(ReplaceText("Name NAME name", "name", "X", 1, -1, CompareMode::Text), "X X X");
    EXPECT_EQ(ReplaceText("Name NAME name", "name", "X", 1, -1, CompareMode::Binary), "Name NAME X");
    EXPECT_EQ(ReplaceText("abc", "", "x"), "abc");
    EXPECT_EQ(ReplaceText("abc", "b", "b"), "abc");
    EXPECT_EQ(ReplaceText("a.b.c", ".", ""), "abc");
}

TEST(GetToken, TokensByIndex)
{
    EXPECT_EQ(GetToken(",", "a,b,c", 0), "a");
    EXPECT_EQ(GetToken(",", "a,b,c", 1), "b");
    EXPECT_EQ(GetToken(",", "a,b,c", 2), "c");
    EXPECT_EQ(GetToken(",", "a,b,c", 3), "");
    EXPECT_EQ(GetToken(",", "a,b,c", -1), "");
    EXPECT_EQ(GetToken(",", "a,b,", 2), "");  // a text ending in the delimiter
    EXPECT_EQ(GetToken(",", "a,b,", 3), "");
    EXPECT_EQ(GetToken(",", "a,,c", 1), "");
    EXPECT_EQ(GetToken(",", "a,,c", 2), "c");
    EXPECT_EQ(GetToken(",", "abc", 0), "abc");
    EXPECT_EQ(GetToken(",", "", 0), "");
    EXPECT_EQ(GetToken("\r", "+CSQ: 1\r+CSQ: 2", 1), "+CSQ: 2");
}

TEST(PadZeros, PadsButNeverCuts)
{
    EXPECT_EQ(PadZeros("5", 3), "005");
    EXPECT_EQ(PadZeros("98765", 3), "98765");
    EXPECT_EQ(PadZeros("", 2), "00");
    EXPECT_EQ(PadZeros("12", 2), "12");
}

namespace {
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};
} // namespace

TEST(ShellOpen, HandsFilesAndAddressesToTheDesktop)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler("file", &catcher, "open");
    QDesktopServices::setUrlHandler("http", &catcher, "open");
    QDesktopServices::setUrlHandler("mailto", &catcher, "open");

    const QString dir = testenv::newDir();
    EXPECT_TRUE(ShellOpen("open", "http://localhost:8010/index.htm"));
    EXPECT_TRUE(ShellOpen("open", "mailto:someone@example.org"));
    EXPECT_TRUE(ShellOpen("open", "export.txt", QString(), dir));
    EXPECT_TRUE(ShellOpen("open", dir + "/Inbox log.txt"));
    EXPECT_FALSE(ShellOpen("open", QString()));

    QDesktopServices::unsetUrlHandler("file");
    QDesktopServices::unsetUrlHandler("http");
    QDesktopServices::unsetUrlHandler("mailto");
    ASSERT_EQ(catcher.urls.size(), 4);
    EXPECT_EQ(catcher.urls[0], QUrl("http://localhost:8010/index.htm"));
    EXPECT_EQ(catcher.urls[1].scheme(), "mailto");
    EXPECT_EQ(catcher.urls[2], QUrl::fromLocalFile(dir + "/export.txt"));
    EXPECT_EQ(catcher.urls[3].toLocalFile(), dir + "/Inbox log.txt");
}

namespace {
QDialog* namedDialog(const QString& name)
{
    auto* d = new QDialog;
    d->setObjectName(name);
    d->resize(200, 100);
    return d;
}
bool gone(const QPointer<QDialog>& d)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return d.isNull();
}
} // namespace

TEST(EmbedForm, CentresTheDialogOverTheMainWindowAsItsChild)
{
    QWidget main;
    main.setGeometry(100, 80, 800, 600);
    main.show();
    QPointer<QDialog> d = namedDialog("frmTest");
    EXPECT_TRUE(EmbedForm(&main, d));
    EXPECT_EQ(d->parentWidget(), &main);
    EXPECT_TRUE(d->isWindow());
    EXPECT_TRUE(d->isVisible());
    const QPoint mainCentre = main.mapToGlobal(main.rect().center());
    const QPoint dialogCentre = d->mapToGlobal(d->rect().center());
    EXPECT_LE((mainCentre - dialogCentre).manhattanLength(), 40);
    d->close();
    EXPECT_TRUE(gone(d)); // deleted when it closes
    EXPECT_FALSE(EmbedForm(nullptr, namedDialog("x")));
}

TEST(EmbedForm, OpeningADialogAgainReplacesTheOpenCopy)
{
    QWidget main;
    main.resize(640, 480);
    main.show();
    QPointer<QDialog> first = openSingleDialog<QDialog>(&main);
    first->setObjectName("frmAbout");
    QPointer<QDialog> other = namedDialog("frmOther");
    EmbedForm(&main, other);

    QPointer<QDialog> second = new QDialog(&main);
    second->setObjectName("frmAbout");
    UnloadFormByName(second);
    EmbedForm(&main, second);
    EXPECT_TRUE(gone(first));
    EXPECT_FALSE(second.isNull());
    EXPECT_TRUE(second->isVisible());
    EXPECT_FALSE(other.isNull());

    UnloadFormByName("frmOther");
    EXPECT_TRUE(gone(other));
    EXPECT_FALSE(second.isNull());
    delete second;
}

#include "helpers_test.moc"
