#include "base/Database.h"

#include "base/AppPaths.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <fcntl.h>
#include <iterator>
#include <sqlite3.h>
#include <unistd.h>

QVariant Recordset::value(int row, int col) const
{
    if (row < 0 || row >= rows_.size() || col < 0 || col >= rows_[row].size())
        return {};
    return rows_[row][col];
}

QVariant Recordset::value(int row, const QString& column) const
{
    for (int c = 0; c < columns_.size(); ++c)
        if (columns_[c].compare(column, Qt::CaseInsensitive) == 0)
            return value(row, c);
    return {};
}

Database::Database() = default;

Database::~Database() { close(); }

bool Database::open(const QString& path)
{
    close();
    lastError_.clear();
    created_ = false;
    const QFileInfo info(path);
    const bool fresh = !info.exists() || info.size() == 0;
    if (fresh) {
        // Create the file ourselves so that it is readable by its owner only.
        const QByteArray native = QFile::encodeName(path);
        const int fd = ::open(native.constData(), O_CREAT | O_WRONLY, 0600);
        if (fd < 0) {
            lastError_ = QStringLiteral("Unable to create %1").arg(path);
            return false;
        }
        ::close(fd);
    }
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        lastError_ = handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QStringLiteral("out of memory");
        sqlite3_close(handle);
        return false;
    }
    db_ = handle;
    path_ = path;
    // Another program writes tbouttemp. Its locks are waited for briefly
    // only: a longer wait would freeze the window. A statement that still
    // finds the lock taken fails with lastWasBusy(), and its caller tries
    // again later.
    sqlite3_busy_handler(db_, &Database::onBusy, this);
    exec(QStringLiteral("PRAGMA foreign_keys = OFF"));
    // Write-ahead logging: a commit costs one append instead of a journal
    // dance, and the hand-in program can read while we write. Every commit
    // is still synced, so nothing committed is lost.
    query(QStringLiteral("PRAGMA journal_mode = WAL"));
    exec(QStringLiteral("PRAGMA synchronous = FULL"));
    if (fresh) {
        QFile schema(QStringLiteral(":/sql/schema.sql"));
        if (!schema.open(QIODevice::ReadOnly) || !execScript(QString::fromUtf8(schema.readAll()))) {
            const QString err = lastError_.isEmpty() ? QStringLiteral("schema not found") : lastError_;
            close();
            QFile::remove(path);
            lastError_ = err;
            return false;
        }
        QFile ops(QStringLiteral(":/sql/operators.sql"));
        if (ops.open(QIODevice::ReadOnly))
            execScript(QString::fromUtf8(ops.readAll()));
        created_ = true;
    }
    schemaVersion_ = int(query(QStringLiteral("PRAGMA user_version")).value(0, 0).toLongLong());
    if (!upgrade())
        qWarning("Database: cannot bring %s up to schema version %d yet: %s", qPrintable(path), kSchemaVersion,
                 qPrintable(lastError_));
    return true;
}

bool Database::upgrade()
{
    if (!db_)
        return false;
    while (schemaVersion_ < kSchemaVersion) {
        const int next = schemaVersion_ + 1;
        QFile script(QStringLiteral(":/sql/upgrade-%1.sql").arg(next));
        if (!script.open(QIODevice::ReadOnly)) {
            lastError_ = QStringLiteral("upgrade script %1 not found").arg(next);
            return false;
        }
        Transaction tx(*this);
        if (!tx.ok())
            return false;
        // Another copy of the program may have upgraded the file meanwhile.
        const Recordset now = query(QStringLiteral("PRAGMA user_version"));
        if (!now.ok())
            return false;
        if (now.value(0, 0).toInt() >= next) {
            tx.rollback();
            schemaVersion_ = now.value(0, 0).toInt();
            continue;
        }
        if (!execScript(QString::fromUtf8(script.readAll())) ||
            !exec(QStringLiteral("PRAGMA user_version = %1").arg(next)) || !tx.commit())
            return false;
        schemaVersion_ = next;
    }
    return true;
}

int Database::onBusy(void* self, int attempt)
{
    auto* db = static_cast<Database*>(self);
    const qint64 now = QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
    if (attempt == 0) {
        db->busySinceNs_ = now;
        const bool coolingDown = db->gaveUpAtNs_ >= 0 && now - db->gaveUpAtNs_ < kBusyCoolDownMs * 1000000LL;
        db->busyBudgetMs_ = qMin<qint64>(coolingDown ? kBusyRecheckMs : kBusyTimeoutMs, db->busyCapMs_);
    }
    const qint64 waitedMs = (now - db->busySinceNs_) / 1000000;
    if (waitedMs >= db->busyBudgetMs_) {
        db->gaveUpAtNs_ = now;
        return 0;
    }
    // Short naps first: most locks of the hand-in program last a moment.
    static constexpr int kNapsMs[] = {1, 2, 5, 10, 15, 20, 25};
    const int nap = attempt < int(std::size(kNapsMs)) ? kNapsMs[attempt] : 25;
    QThread::msleep(qMax<qint64>(1, qMin<qint64>(nap, db->busyBudgetMs_ - waitedMs)));
    const qint64 after =
        (QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs() - db->busySinceNs_) / 1000000;
    db->longestBusyWaitMs_ = qMax(db->longestBusyWaitMs_, after);
    return 1;
}

void Database::close()
{
    if (!db_)
        return;
    if (depth_ > 0)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    depth_ = 0;
    schemaVersion_ = 0;
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Database::setError(const QString& where)
{
    if (db_) {
        const int primary = sqlite3_extended_errcode(db_) & 0xff;
        lastWasBusy_ = primary == SQLITE_BUSY || primary == SQLITE_LOCKED;
    }
    lastError_ = db_ ? QString::fromUtf8(sqlite3_errmsg(db_)) : QStringLiteral("database not open");
    if (!where.isEmpty())
        lastError_ += QStringLiteral(" (") + where + QLatin1Char(')');
}

bool Database::prepareAndBind(const QString& sql, const QVariantList& binds, sqlite3_stmt** stmt)
{
    *stmt = nullptr;
    lastWasBusy_ = false;
    if (!db_) {
        lastError_ = QStringLiteral("database not open");
        return false;
    }
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, text.constData(), int(text.size()), stmt, nullptr) != SQLITE_OK) {
        setError(QString());
        sqlite3_finalize(*stmt);
        *stmt = nullptr;
        return false;
    }
    for (int i = 0; i < binds.size(); ++i) {
        const QVariant& v = binds[i];
        int rc = SQLITE_OK;
        if (v.isNull() || !v.isValid()) {
            rc = sqlite3_bind_null(*stmt, i + 1);
        } else {
            switch (v.typeId()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::Long:
            case QMetaType::LongLong:
            case QMetaType::Short:
            case QMetaType::ULongLong:
                rc = sqlite3_bind_int64(*stmt, i + 1, v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(*stmt, i + 1, v.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = v.toByteArray();
                rc = sqlite3_bind_blob(*stmt, i + 1, b.constData(), int(b.size()), SQLITE_TRANSIENT);
                break;
            }
            case QMetaType::QDateTime: {
                const QByteArray s = dbtime::toDb(v.toDateTime()).toUtf8();
                rc = sqlite3_bind_text(*stmt, i + 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray s = v.toString().toUtf8();
                rc = sqlite3_bind_text(*stmt, i + 1, s.constData(), int(s.size()), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (rc != SQLITE_OK) {
            setError(QStringLiteral("bind"));
            sqlite3_finalize(*stmt);
            *stmt = nullptr;
            return false;
        }
    }
    return true;
}

static QVariant columnValue(sqlite3_stmt* stmt, int col)
{
    switch (sqlite3_column_type(stmt, col)) {
    case SQLITE_INTEGER: return QVariant(qint64(sqlite3_column_int64(stmt, col)));
    case SQLITE_FLOAT: return QVariant(sqlite3_column_double(stmt, col));
    case SQLITE_BLOB: {
        const void* p = sqlite3_column_blob(stmt, col);
        return QVariant(QByteArray(static_cast<const char*>(p), sqlite3_column_bytes(stmt, col)));
    }
    case SQLITE_NULL: return QVariant();
    default: {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt, col));
        return QVariant(QString::fromUtf8(p, sqlite3_column_bytes(stmt, col)));
    }
    }
}

bool Database::exec(const QString& sql, const QVariantList& binds)
{
    sqlite3_stmt* stmt = nullptr;
    if (!prepareAndBind(sql, binds, &stmt))
        return false;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    const bool ok = rc == SQLITE_DONE;
    if (!ok)
        setError(QString());
    sqlite3_finalize(stmt);
    return ok;
}

Recordset Database::query(const QString& sql, const QVariantList& binds)
{
    Recordset rs;
    sqlite3_stmt* stmt = nullptr;
    if (!prepareAndBind(sql, binds, &stmt)) {
        rs.error_ = lastError_;
        return rs;
    }
    const int n = sqlite3_column_count(stmt);
    for (int c = 0; c < n; ++c)
        rs.columns_.append(QString::fromUtf8(sqlite3_column_name(stmt, c)));
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(n);
        for (int c = 0; c < n; ++c)
            row.append(columnValue(stmt, c));
        rs.rows_.append(std::move(row));
    }
    if (rc != SQLITE_DONE) {
        setError(QString());
        rs.error_ = lastError_;
        rs.rows_.clear();
    } else {
        rs.ok_ = true;
    }
    sqlite3_finalize(stmt);
    return rs;
}

bool Database::execScript(const QString& sql)
{
    if (!db_)
        return false;
    lastWasBusy_ = false;
    char* err = nullptr;
    if (const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err); rc != SQLITE_OK) {
        lastWasBusy_ = (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED;
        lastError_ = QString::fromUtf8(err ? err : "error");
        sqlite3_free(err);
        return false;
    }
    return true;
}

qint64 Database::changes() const { return db_ ? sqlite3_changes(db_) : 0; }

qint64 Database::lastInsertRowId() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

bool Database::begin()
{
    const bool ok = depth_ == 0 ? exec(QStringLiteral("BEGIN IMMEDIATE"))
                                : exec(QStringLiteral("SAVEPOINT sp%1").arg(depth_));
    if (ok)
        ++depth_;
    return ok;
}

bool Database::commit()
{
    if (depth_ <= 0)
        return false;
    if (depth_ == 1) {
        if (!exec(QStringLiteral("COMMIT")))
            return false;
    } else if (!exec(QStringLiteral("RELEASE sp%1").arg(depth_ - 1))) {
        return false;
    }
    --depth_;
    return true;
}

bool Database::rollback()
{
    if (depth_ <= 0)
        return false;
    bool ok;
    if (depth_ == 1) {
        ok = exec(QStringLiteral("ROLLBACK"));
        // Even when SQLite already rolled back by itself the transaction is over.
        if (!ok && sqlite3_get_autocommit(db_))
            ok = true;
    } else {
        ok = exec(QStringLiteral("ROLLBACK TO sp%1").arg(depth_ - 1)) &&
             exec(QStringLiteral("RELEASE sp%1").arg(depth_ - 1));
    }
    --depth_;
    return ok;
}

Transaction::Transaction(Database& db) : db_(db) { ok_ = db_.begin(); }

Transaction::~Transaction()
{
    if (ok_ && !done_)
        db_.rollback();
}

bool Transaction::commit()
{
    if (!ok_ || done_)
        return false;
    done_ = true;
    if (db_.commit())
        return true;
    db_.rollback();
    return false;
}

void Transaction::rollback()
{
    if (ok_ && !done_) {
        done_ = true;
        db_.rollback();
    }
}

namespace dbtime {
QString toDb(const QDateTime& t) { return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")); }

QDateTime fromDb(const QVariant& v)
{
    const QString s = v.toString().trimmed();
    QDateTime t = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!t.isValid())
        t = QDateTime::fromString(s, Qt::ISODate);
    return t;
}

QString display(const QDateTime& t) { return t.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")); }

} // namespace dbtime

qint64 GetNextCode(Database& db, int kind)
{
    const char* column = nullptr;
    switch (kind) {
    case CodeOutbox: column = "msgcode"; break;
    case CodeInbox: column = "incode"; break;
    case CodeSentItems: column = "outcode"; break;
    default: return 0;
    }
    // One atomic statement: the increment and its wrap, valid inside or
    // outside a transaction. A NULL counter stays NULL and reports failure.
    const QString sql = QStringLiteral("UPDATE tbnumbers SET %1 = CASE WHEN %1 >= 999999999 THEN 1 "
                                       "ELSE %1 + 1 END RETURNING %1")
                            .arg(QLatin1String(column));
    const Recordset rs = db.query(sql);
    if (!rs.ok() || rs.size() != 1 || rs.value(0, 0).isNull())
        return -1;
    return rs.value(0, 0).toLongLong();
}

QString NullToEmpty(const QVariant& v)
{
    if (v.isNull() || !v.isValid())
        return QString();
    return v.toString();
}

QVariant NullIfEmpty(const QString& text)
{
    return text.isEmpty() ? QVariant() : QVariant(text);
}
