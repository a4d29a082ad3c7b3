#include "housekeeping/Housekeeping.h"

#include "base/Clock.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace housekeeping {

QDateTime purgeCutoff(const QDate& today, int days)
{
    if (days < 1 || !today.isValid())
        return {};
    const QDate day = today.addDays(-qint64(days));
    if (!day.isValid() || day.year() < 1)
        return {};
    return QDateTime(day, QTime(0, 0));
}

void purge(Database& db, const QDate& today, int inboxDays, int sentItemsDays)
{
    // Times are stored as "yyyy-MM-dd HH:mm:ss", so text order is time order.
    const QDateTime inboxCut = purgeCutoff(today, inboxDays);
    if (inboxCut.isValid())
        db.exec(QStringLiteral("DELETE FROM tbinqueue WHERE msgcreated <= ?"), {dbtime::toDb(inboxCut)});
    const QDateTime sentCut = purgeCutoff(today, sentItemsDays);
    if (sentCut.isValid())
        db.exec(QStringLiteral("DELETE FROM tboutlog WHERE logcreated <= ?"), {dbtime::toDb(sentCut)});
    // Waiting parts were acknowledged to the network when they were kept, so
    // a restart must not lose them; only sets that stayed incomplete for a
    // week go (and parts kept before their arrival time was recorded).
    const QDateTime partsCut = purgeCutoff(today, kWaitingPartDays);
    db.exec(QStringLiteral("DELETE FROM tbintemp WHERE msgreceived IS NULL OR msgreceived <= ?"),
            {partsCut.isValid() ? dbtime::toDb(partsCut) : QString()});
}

qint64 renumber(Database& db, const CodeTable& table, QString* error)
{
    const QString t = QLatin1String(table.table);
    auto fail = [&] {
        if (error)
            *error = db.lastError();
        return qint64(-1);
    };
    Transaction tx(db);
    if (!tx.ok())
        return fail();
    // The new code of every row, by rowid, in ascending order of the old
    // codes (rows without a code first, in the order they were stored);
    // only the rows whose code changes are kept. Those take their codes
    // negated first and then positive, so no moment has two rows with the
    // same code: a row keeping its code holds its own new one.
    if (!db.exec(QStringLiteral("CREATE TEMP TABLE IF NOT EXISTS renumbering (rid INTEGER PRIMARY KEY, code INTEGER)")) ||
        !db.exec(QStringLiteral("DELETE FROM temp.renumbering")) ||
        !db.exec(QStringLiteral("INSERT INTO temp.renumbering (rid, code) SELECT rid, code FROM "
                                "(SELECT rowid AS rid, msgcode AS old, "
                                "row_number() OVER (ORDER BY msgcode, rowid) AS code FROM %1) "
                                "WHERE old IS NOT code")
                     .arg(t)))
        return fail();
    const Recordset count = db.query(QStringLiteral("SELECT COUNT(*) FROM %1").arg(t));
    if (!count.ok())
        return fail();
    const qint64 rows = count.value(0, 0).toLongLong();
    if (!db.exec(QStringLiteral("UPDATE %1 SET msgcode = -r.code FROM temp.renumbering AS r WHERE r.rid = %1.rowid")
                     .arg(t)) ||
        !db.exec(QStringLiteral("UPDATE %1 SET msgcode = -msgcode WHERE msgcode < 0").arg(t)) ||
        !db.exec(QStringLiteral("UPDATE tbnumbers SET %1 = ?").arg(QLatin1String(table.counter)), {rows}) ||
        !db.exec(QStringLiteral("DELETE FROM temp.renumbering")))
        return fail();
    if (!tx.commit())
        return fail();
    return rows;
}

namespace {

bool syncPath(const QString& path, bool directory)
{
    const int fd = ::open(QFile::encodeName(path).constData(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

QString systemError(const QString& what, const QString& path)
{
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

bool backup(Database& db, const QString& backupPath, QString* error)
{
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString tmp = backupPath + QStringLiteral(".tmp");
    const QByteArray tmpName = QFile::encodeName(tmp);
    // A copy left by an interrupted start is incomplete: start afresh. The
    // empty file is created first so that it gets the database's mode.
    ::unlink(tmpName.constData());
    const int fd = ::open(tmpName.constData(), O_CREAT | O_EXCL | O_WRONLY, 0600);
    if (fd < 0)
        return fail(systemError(QStringLiteral("Unable to create"), tmp));
    ::close(fd);

    if (!db.exec(QStringLiteral("VACUUM INTO ?"), {tmp})) {
        const QString why = db.lastError();
        ::unlink(tmpName.constData());
        return fail(why);
    }
    if (!syncPath(tmp, false)) {
        const QString why = systemError(QStringLiteral("Unable to write"), tmp);
        ::unlink(tmpName.constData());
        return fail(why);
    }
    if (::rename(tmpName.constData(), QFile::encodeName(backupPath).constData()) != 0) {
        const QString why = systemError(QStringLiteral("Unable to replace"), backupPath);
        ::unlink(tmpName.constData());
        return fail(why);
    }
    syncPath(QFileInfo(backupPath).absolutePath(), true);
    return true;
}

bool compact(Database& db, QString* error)
{
    if (!db.exec(QStringLiteral("VACUUM"))) {
        if (error)
            *error = db.lastError();
        return false;
    }
    // Fold the write-ahead log back into the file, so the file is the
    // compacted database and the log starts empty.
    db.query(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return true;
}

} // namespace housekeeping

bool MaintainDatabase(Database& db, UserPrompt& prompt, const Clock& clock, const QString& backupPath)
{
    if (!db.isOpen()) {
        prompt.error(QStringLiteral("database not open"));
        return false;
    }
    // The tidy touches every page: a cache that holds them all for its
    // duration, given back afterwards.
    const QVariant cache = db.query(QStringLiteral("PRAGMA cache_size")).value(0, 0);
    db.exec(QStringLiteral("PRAGMA cache_size = -65536"));
    struct RestoreCache {
        Database& db;
        QVariant size;
        ~RestoreCache()
        {
            if (size.isValid())
                db.exec(QStringLiteral("PRAGMA cache_size = %1").arg(size.toLongLong()));
        }
    } restoreCache{db, cache};

    housekeeping::purge(db, clock.now().date(), Settings::inboxDays(), Settings::sentItemsDays());

    for (const housekeeping::CodeTable& t : housekeeping::kCodeTables) {
        if (housekeeping::renumber(db, t) < 0) {
            prompt.error(QStringLiteral("Database Error"));
            return false;
        }
    }

    QString error;
    if (!housekeeping::backup(db, backupPath, &error) || !housekeeping::compact(db, &error)) {
        prompt.error(error);
        return false;
    }
    return true;
}
