// How long the main window takes to list a large address book, and a group
// holding all of it, on the offscreen platform; the goal is under 0.5 s.
//   bench_address_list [ADDRESSES]
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>
#include <sqlite3.h>

#include "addressbook/ui/AddressBookWiring.h"
#include "addressbook/ui/AddressListModel.h"
#include "app/AppController.h"
#include "controls/QtWindowServices.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/UserPrompt.h"
#include "mainwindow/FolderTree.h"
#include "mainwindow/MainWindow.h"

namespace {

bool seed(Database& db, int rows)
{
    sqlite3* h = db.handle();
    if (sqlite3_exec(h, "BEGIN; insert into tbgrps (grpnam) values ('Everyone');", nullptr, nullptr, nullptr) !=
        SQLITE_OK)
        return false;
    sqlite3_stmt* a = nullptr;
    sqlite3_prepare_v2(h, "insert into tbaddrs (addrno, addrnam1, addrnam2) values (?1, ?2, ?3)", -1, &a, nullptr);
    sqlite3_stmt* m = nullptr;
    sqlite3_prepare_v2(h, "insert into tbaddrgrps (grpnam, addrno) values ('Everyone', ?1)", -1, &m, nullptr);
    for (int i = 0; i < rows; ++i) {
        // Numbers and names in no particular order, as an import leaves them.
        const int k = int((qint64(i) * 7919) % rows);
        const QByteArray no = "+4477" + QByteArray::number(10000000 + k);
        const QByteArray first = "First" + QByteArray::number((k * 31) % 997);
        const QByteArray last = "Last" + QByteArray::number(k);
        sqlite3_bind_text(a, 1, no.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(a, 2, first.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(a, 3, last.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(m, 1, no.constData(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(a) != SQLITE_DONE || sqlite3_step(m) != SQLITE_DONE)
            return false;
        sqlite3_reset(a);
        sqlite3_reset(m);
    }
    sqlite3_finalize(a);
    sqlite3_finalize(m);
    return sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

class SilentPrompt : public UserPrompt {
public:
    Answer show(Icon, const QString& title, const QString& text, Buttons) override
    {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(title), qPrintable(text));
        return Answer::Ok;
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    SilentPrompt prompt;
    QtWindowServices windows;
    const int rows = argc > 1 ? std::atoi(argv[1]) : 50000;

    AppPaths::setAppDir(dir.path());
    Database db;
    if (!db.open(AppPaths::databasePath()) || !seed(db, rows)) {
        std::fprintf(stderr, "seeding failed: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    std::printf("seeded %d addresses, all members of one group\n", rows);

    AppController controller(db, nullptr, prompt, windows);
    MainWindow w(controller);
    AddressBookUi* ui = installAddressBook(w, controller);
    w.populate();
    w.show();
    QCoreApplication::processEvents();

    QElapsedTimer t;
    t.start();
    w.jumpToNode(NodeKind::AddressBook);
    const qint64 filled = t.elapsed();
    QCoreApplication::processEvents();
    const qint64 book = t.elapsed();
    std::printf("Address Book: %6d rows filled in %4lld ms, painted after %4lld ms %s\n", ui->model()->rowCount(),
                filled, book, book < 500 ? "(under 0.5 s)" : "(OVER 0.5 s)");

    t.restart();
    w.folderTree()->setCurrentItem(w.folderTree()->findNode(NodeKind::Group, "Everyone"));
    QCoreApplication::processEvents();
    const qint64 group = t.elapsed();
    std::printf("Group:        %6d rows painted after %4lld ms %s\n", ui->model()->rowCount(), group,
                group < 500 ? "(under 0.5 s)" : "(OVER 0.5 s)");

    t.restart();
    emit w.addressList()->header()->sectionClicked(0);
    QCoreApplication::processEvents();
    std::printf("Sort by name: %lld ms\n", t.elapsed());

    t.restart();
    w.addressList()->selectAll();
    QCoreApplication::processEvents();
    std::printf("Select all:   %lld ms (%lld selected)\n", t.elapsed(), qint64(ui->selectedAddresses().size()));
    return book < 500 && group < 500 ? 0 : 1;
}
