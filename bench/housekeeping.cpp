// How long the tidy at start takes on a large database: 100,000 received
// and 100,000 sent messages, all kept (no retention: the most to renumber),
// renumbered, backed up and compacted. Fails when it takes 2 s or more.
//   bench_housekeeping [ROWS [DAYS]]   DAYS: retention of both, default 0
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

#include "base/AppPaths.h"
#include "base/Clock.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"
#include "housekeeping/Housekeeping.h"

namespace {

class FixedClock : public Clock {
public:
    QDateTime now() const override { return QDateTime(QDate(2024, 6, 1), QTime(8, 0)); }
};

class PrintingPrompt : public UserPrompt {
public:
    Answer show(Icon, const QString& title, const QString& text, Buttons) override
    {
        std::fprintf(stderr, "box: %s: %s\n", qPrintable(title), qPrintable(text));
        return Answer::Ok;
    }
};

bool seed(Database& db, int rows)
{
    sqlite3* h = db.handle();
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* in = nullptr;
    sqlite3_prepare_v2(h,
                       "insert into tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype, msgcreated, "
                       "msgstatus) values (?1, '+447700900123', 'C8329BFD06', 1, 0, ?2, 'O')",
                       -1, &in, nullptr);
    sqlite3_stmt* out = nullptr;
    sqlite3_prepare_v2(h,
                       "insert into tboutlog (msgcode, msgno, msgtype, msgcontent, msgout, msgcreated, msgstatus, "
                       "logcreated) values (?1, '+447700900124', 1, 'C8329BFD06', ?2, ?2, 'C', ?2)",
                       -1, &out, nullptr);
    // Codes with gaps, as years of receiving and deleting leave them.
    const QDateTime base(QDate(2024, 1, 1), QTime(0, 0));
    for (int i = 0; i < rows; ++i) {
        const QByteArray when = dbtime::toDb(base.addSecs(qint64(i) * 130)).toUtf8();
        for (sqlite3_stmt* s : {in, out}) {
            sqlite3_bind_int64(s, 1, qint64(i) * 3 + 7);
            sqlite3_bind_text(s, 2, when.constData(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(s) != SQLITE_DONE)
                return false;
            sqlite3_reset(s);
        }
    }
    sqlite3_finalize(in);
    sqlite3_finalize(out);
    return sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", QDir(dir.path()).filePath("config").toLocal8Bit());
    QCoreApplication::setOrganizationName("Velquarin");
    QCoreApplication::setApplicationName("Velquarin");
    AppPaths::setAppDir(dir.path());
    Database db;
    if (!db.open(AppPaths::databasePath()) || !seed(db, rows)) {
        std::fprintf(stderr, "seeding failed: %s\n", qPrintable(db.lastError()));
        return 2;
    }
    // Rows are spread over 150 days from New Year; 75 days back from 1 June
    // purges about half of them.
    const int days = argc > 2 ? std::atoi(argv[2]) : 0;
    Settings::save("SettingInbox", days);
    Settings::save("SettingSentItems", days);

    // The steps of MaintainDatabase one by one, each timed.
    PrintingPrompt prompt;
    FixedClock clock;
    QElapsedTimer t, step;
    t.start();
    step.start();
    db.exec("PRAGMA cache_size = -65536");
    housekeeping::purge(db, clock.now().date(), Settings::inboxDays(), Settings::sentItemsDays());
    const qint64 purgeMs = step.restart();
    bool ok = true;
    for (const housekeeping::CodeTable& table : housekeeping::kCodeTables)
        ok = ok && housekeeping::renumber(db, table) >= 0;
    const qint64 renumberMs = step.restart();
    QString error;
    ok = ok && housekeeping::backup(db, AppPaths::backupPath(), &error);
    const qint64 backupMs = step.restart();
    ok = ok && housekeeping::compact(db, &error);
    const qint64 compactMs = step.restart();
    const qint64 ms = t.elapsed();
    if (!ok)
        prompt.error(error.isEmpty() ? db.lastError() : error);
    std::printf("purge %lld ms, renumber %lld ms, backup %lld ms, compact %lld ms\n", purgeMs, renumberMs, backupMs,
                compactMs);
    const qint64 left = db.query("select count(*) from tbinqueue").value(0, 0).toLongLong() +
                        db.query("select count(*) from tboutlog").value(0, 0).toLongLong();
    std::printf("housekeeping of %d + %d rows: %lld ms, %lld rows left, %s\n", rows, rows, ms, left,
                ok ? "ok" : "FAILED");
    return ok && ms < 2000 ? 0 : 1;
}
