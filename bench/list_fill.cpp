// How long the main window takes to show a large Inbox, and to switch to a
// large Sent Items folder: 100,000 rows in each, on the offscreen platform.
//   bench_list_fill [ROWS]
#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

#include "mainwindow/MainWindow.h"
#include "mainwindow/MessageListModel.h"
#include "app/AppController.h"
#include "controls/QtWindowServices.h"
#include "base/AppPaths.h"
#include "base/Database.h"
#include "base/UserPrompt.h"

namespace {

bool seed(Database& db, int rows)
{
    sqlite3* h = db.handle();
    if (sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return false;
    // A thousand addresses, so the join finds a name for most rows.
    sqlite3_stmt* a = nullptr;
    sqlite3_prepare_v2(h, "insert into tbaddrs (addrno, addrnam1, addrnam2) values (?1, 'First', ?2)", -1, &a,
                       nullptr);
    for (int i = 0; i < 1000; ++i) {
        const QByteArray no = "+4477009" + QByteArray::number(10000 + i);
        const QByteArray last = "Last" + QByteArray::number(i);
        sqlite3_bind_text(a, 1, no.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(a, 2, last.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(a);
        sqlite3_reset(a);
    }
    sqlite3_finalize(a);

    sqlite3_stmt* in = nullptr;
    sqlite3_prepare_v2(h,
                       "insert into tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype, msgcreated, "
                       "msgstatus, msgfolder) values (?1, ?2, 'C8329BFD06', 1, 0, ?3, ?4, 'Inbox')",
                       -1, &in, nullptr);
    sqlite3_stmt* out = nullptr;
    sqlite3_prepare_v2(h,
                       "insert into tboutlog (msgcode, msgno, msgtype, msgcontent, msgout, msgcreated, msgstatus, "
                       "logcreated, msgfolder) values (?1, ?2, 1, 'C8329BFD06', ?3, ?3, ?4, ?3, 'SentItems')",
                       -1, &out, nullptr);
    const QDateTime base(QDate(2020, 1, 1), QTime(0, 0));
    for (int i = 0; i < rows; ++i) {
        // Numbers beyond the address book give unknown senders now and then.
        const QByteArray no = "+4477009" + QByteArray::number(10000 + (i * 7) % 1100);
        const QByteArray when = dbtime::toDb(base.addSecs(qint64(i) * 97)).toUtf8();
        for (sqlite3_stmt* s : {in, out}) {
            sqlite3_bind_int64(s, 1, i + 1);
            sqlite3_bind_text(s, 2, no.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(s, 3, when.constData(), -1, SQLITE_TRANSIENT);
            const char* status = s == in ? (i % 10 == 0 ? "N" : "O") : (i % 50 == 0 ? "E" : "C");
            sqlite3_bind_text(s, 4, status, -1, SQLITE_STATIC);
            if (sqlite3_step(s) != SQLITE_DONE)
                return false;
            sqlite3_reset(s);
        }
    }
    sqlite3_finalize(in);
    sqlite3_finalize(out);
    return sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Nobody answers boxes in a benchmark.
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
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;

    AppPaths::setAppDir(dir.path());
    Database db;
    if (!db.open(AppPaths::databasePath()) || !seed(db, rows)) {
        std::fprintf(stderr, "seeding failed: %s\n", qPrintable(db.lastError()));
        return 1;
    }
    db.close();
    std::printf("seeded %d Inbox and %d Sent Items rows\n", rows, rows);

    // From opening the database to the Inbox list filled and painted.
    QElapsedTimer t;
    t.start();
    db.open(AppPaths::databasePath());
    AppController controller(db, nullptr, prompt, windows);
    MainWindow w(controller);
    w.populate();
    const qint64 filled = t.elapsed();
    w.show();
    QCoreApplication::processEvents();
    const qint64 shown = t.elapsed();
    std::printf("Inbox:      %6d rows filled in %4lld ms, window shown after %4lld ms\n",
                w.messageModel()->rowCount(), filled, shown);

    t.restart();
    w.jumpToNode(NodeKind::SentItems);
    const qint64 switched = t.elapsed();
    QCoreApplication::processEvents();
    std::printf("Sent Items: %6d rows filled in %4lld ms, painted after %4lld ms\n", w.messageModel()->rowCount(),
                switched, t.elapsed());

    t.restart();
    w.columnClick(MessageListModel::DateColumn);
    QCoreApplication::processEvents();
    std::printf("Date sort of Sent Items (newest first): %lld ms\n", t.elapsed());

    t.restart();
    w.jumpToNode(NodeKind::Inbox);
    QCoreApplication::processEvents();
    std::printf("Back to the Inbox: %lld ms\n", t.elapsed());
    return 0;
}
