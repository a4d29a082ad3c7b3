// The helpers of the windows: opening with the desktop, the single-copy
// dialogs over the main window, and the notices of the program's prompt.
#include <gtest/gtest.h>

#include "controls/FormHelpers.h"
#include "controls/QtUserPrompt.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QPointer>
#include <QTimer>
#include <QUrl>
#include <memory>

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
    // Refused: the form stays the caller's to delete.
    std::unique_ptr<QDialog> orphan(namedDialog("x"));
    EXPECT_FALSE(EmbedForm(nullptr, orphan.get()));
    EXPECT_FALSE(orphan->isVisible());
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

// A notice returns at once and stays over the main window without being
// modal until its OK; the same notice again while it is open raises it
// instead of opening another.
TEST(QtUserPrompt, NoticesDoNotWaitAndDoNotPileUp)
{
    QWidget main;
    main.setObjectName("frmMain");
    main.show();
    QtUserPrompt prompt;
    prompt.notify(UserPrompt::Icon::Warning, "Warning", "Row 1 stays.");
    prompt.notify(UserPrompt::Icon::Warning, "Warning", "Row 1 stays.");
    prompt.notify(UserPrompt::Icon::Critical, "Database Error", "Unable to read.");
    const QList<QMessageBox*> open = prompt.openNotices();
    ASSERT_EQ(open.size(), 2);
    QPointer<QMessageBox> box = open[0];
    EXPECT_EQ(box->parentWidget(), &main);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->windowTitle(), "Warning");
    EXPECT_EQ(box->text(), "Row 1 stays.");
    EXPECT_EQ(open[1]->icon(), QMessageBox::Critical);
    QPointer<QDialog> closed = box.data();
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(gone(closed));
    EXPECT_EQ(prompt.openNotices().size(), 1);
    delete prompt.openNotices().value(0);
}

#include "formhelpers_test.moc"
