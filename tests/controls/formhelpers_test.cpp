// The helpers of the windows: the single-copy dialogs over the main window,
// the file dialogs, and the notices of the program's prompt.
#include <gtest/gtest.h>

#include "base/AppPaths.h"
#include "base/Database.h"
#include "controls/FileDialogs.h"
#include "controls/FormHelpers.h"
#include "controls/QtUserPrompt.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QPointer>
#include <QTimer>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

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
// modal until its OK; a notice of a kind already open joins that box, which
// keeps its first text and names the later rows up to a bound, then counts
// them.
TEST(QtUserPrompt, NoticesDoNotWaitAndDoNotPileUp)
{
    QWidget main;
    main.setObjectName("frmMain");
    main.show();
    QtUserPrompt prompt;
    const QString head = QStringLiteral("Unable to queue messages.");
    prompt.notify(UserPrompt::Icon::Warning, "Warning", head + "\nRow 1 stays.", "rows");
    prompt.notify(UserPrompt::Icon::Warning, "Warning", head + "\nRow 1 stays.", "rows");
    prompt.notify(UserPrompt::Icon::Critical, "Database Error", "Unable to read.", "read");
    // Thousands of rows refused one after the other, each with its own text.
    const int rows = 500;
    for (int i = 2; i <= rows; ++i)
        prompt.notify(UserPrompt::Icon::Warning, "Warning", head + QStringLiteral("\nRow %1 stays.").arg(i), "rows");
    const QList<QMessageBox*> open = prompt.openNotices();
    ASSERT_EQ(open.size(), 2);
    int boxes = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        boxes += qobject_cast<QMessageBox*>(w) && w->isVisible();
    EXPECT_EQ(boxes, 2);
    QPointer<QMessageBox> box = open[0];
    EXPECT_EQ(box->parentWidget(), &main);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->windowTitle(), "Warning");
    const QStringList lines = box->text().split('\n');
    ASSERT_EQ(lines.size(), QtUserPrompt::kNoticeLines + 1);
    EXPECT_EQ(lines[0], head);
    EXPECT_EQ(lines[1], "Row 1 stays.");
    EXPECT_EQ(lines[2], "Row 2 stays.");
    const int named = QtUserPrompt::kNoticeLines - 1;
    EXPECT_EQ(lines[named], QStringLiteral("Row %1 stays.").arg(named));
    EXPECT_EQ(lines.last(), QStringLiteral("and %1 more").arg(rows - named));
    EXPECT_EQ(open[1]->icon(), QMessageBox::Critical);
    EXPECT_EQ(open[1]->text(), "Unable to read.");
    QPointer<QDialog> closed = box.data();
    box->button(QMessageBox::Ok)->click();
    EXPECT_TRUE(gone(closed));
    EXPECT_EQ(prompt.openNotices().size(), 1);
    // Once read and closed, the next warning of that kind has a box again.
    prompt.notify(UserPrompt::Icon::Warning, "Warning", head + "\nRow 9000 stays.", "rows");
    ASSERT_EQ(prompt.openNotices().size(), 2);
    EXPECT_EQ(prompt.openNotices()[1]->text(), head + "\nRow 9000 stays.");
    qDeleteAll(prompt.openNotices());
}

namespace {

QString otherProgramReads(const QString& db, const QString& sql)
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {db, sql});
    if (!p.waitForFinished(30000))
        return QStringLiteral("sqlite3 did not finish");
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

TEST(FileDialogs, ListingTheDataFolderLeavesTheDatabaseToSqlite)
{
    testenv::FreshDb f;
    ASSERT_TRUE(f.db().exec(QStringLiteral("INSERT INTO tbgrps (grpnam) VALUES ('one')")));
    ASSERT_TRUE(testenv::holdsLock(f.path()));
    const QString wal = f.path() + QStringLiteral("-wal");
    ASSERT_TRUE(QFile::exists(wal));
    const QString picture = f.dir() + QStringLiteral("/picture.bmp");
    ASSERT_TRUE(QFile(picture).open(QIODevice::WriteOnly));

    // An open dialog that lists every file, and the picture editor's save
    // dialog, whose filter hides the database but still lists the folder.
    struct Case {
        QString filters;
        QFileDialog::AcceptMode mode;
    } cases[] = {{QStringLiteral("All Files (*)"), QFileDialog::AcceptOpen},
                 {QStringLiteral("*.bmp"), QFileDialog::AcceptSave}};
    int groups = 1;
    for (const Case& c : cases) {
        FileDialog dialog(nullptr, QStringLiteral("Dialog"), f.dir(), c.filters, c.mode);
        auto* model = dialog.findChild<QFileSystemModel*>();
        ASSERT_TRUE(model);
        bool listed = false;
        QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog, [&](const QString& path) {
            listed = listed || QDir(path) == QDir(f.dir());
        });
        dialog.show();
        ASSERT_TRUE(testenv::waitUntil([&] { return listed; }, 30000)) << c.filters.toStdString();
        // Every picture and kind is in: nothing left to look up. The save
        // dialog hides the database, so its lookups are waited for through
        // a picture listed beside it, looked up with the folder's other files.
        const QString shown = c.mode == QFileDialog::AcceptOpen ? f.path() : picture;
        QModelIndex row;
        ASSERT_TRUE(testenv::waitUntil([&] { return (row = model->index(shown)).isValid(); }, 30000));
        ASSERT_TRUE(testenv::waitUntil([&] { return !model->data(row.siblingAtColumn(2)).toString().isEmpty(); }, 30000));
        EXPECT_FALSE(model->data(row, Qt::DecorationRole).isNull());
        EXPECT_TRUE(testenv::holdsLock(f.path())) << c.filters.toStdString();
        dialog.reject();

        // Another program's read leaves the log in place and sees the next write.
        EXPECT_EQ(otherProgramReads(f.path(), QStringLiteral("SELECT COUNT(*) FROM tbgrps")), QString::number(groups));
        EXPECT_TRUE(QFile::exists(wal));
        ASSERT_TRUE(f.db().exec(QStringLiteral("INSERT INTO tbgrps (grpnam) VALUES (?)"), {QString::number(++groups)}));
        EXPECT_EQ(otherProgramReads(f.path(), QStringLiteral("SELECT COUNT(*) FROM tbgrps")), QString::number(groups));
    }
}

TEST(FileDialogs, DatabaseFilesAreToldByNameAndByLink)
{
    testenv::FreshDb f;
    const QString dir = f.dir();
    for (const char* name : {"data.db", "data.db-wal", "data.db-shm", "data.db-journal"})
        EXPECT_TRUE(AppPaths::isDatabaseFile(QDir(dir).filePath(QLatin1String(name)))) << name;
    EXPECT_TRUE(AppPaths::isDatabaseFile(dir + QStringLiteral("/www/../data.db")));
    const QString other = testenv::newDir();
    ASSERT_TRUE(QFile::link(f.path(), other + QStringLiteral("/tune.mid")));
    ASSERT_EQ(::link(QFile::encodeName(f.path()).constData(), QFile::encodeName(other + "/hard.txt").constData()), 0);
    EXPECT_TRUE(AppPaths::isDatabaseFile(other + QStringLiteral("/tune.mid")));
    EXPECT_TRUE(AppPaths::isDatabaseFile(other + QStringLiteral("/hard.txt")));
    EXPECT_FALSE(AppPaths::isDatabaseFile(other + QStringLiteral("/data.db")));
    EXPECT_FALSE(AppPaths::isDatabaseFile(QDir(dir).filePath(QStringLiteral("data-backup.db"))));
    EXPECT_FALSE(AppPaths::isDatabaseFile(QString()));
}

// Choosing one of the database's files, by its own name or through a link
// of another name, keeps the dialog open with a warning that names it, and
// SQLite keeps its locks.
TEST(FileDialogs, TheDatabaseChosenByNameOrByLinkIsRefused)
{
    testenv::FreshDb f;
    ASSERT_TRUE(f.db().exec(QStringLiteral("INSERT INTO tbgrps (grpnam) VALUES ('one')")));
    ASSERT_TRUE(testenv::holdsLock(f.path()));
    const QString other = testenv::newDir();
    const QString link = other + QStringLiteral("/notes.txt");
    ASSERT_TRUE(QFile::link(f.path(), link));

    for (const QString& chosen : {f.path(), link}) {
        FileDialog dialog(nullptr, QStringLiteral("Open"), QFileInfo(chosen).absolutePath(),
                          QStringLiteral("All Files (*)"));
        dialog.show();
        dialog.selectFile(chosen);
        // Notes and closes the warning the dialog raises over itself.
        QString warned;
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                warned = box->text();
                box->close();
            }
        });
        closer.start(10);
        dialog.accept();
        closer.stop();
        EXPECT_TRUE(warned.startsWith(QDir::toNativeSeparators(chosen) + QLatin1Char('\n'))) << warned.toStdString();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_TRUE(testenv::holdsLock(f.path()));
        dialog.reject();
    }
}
