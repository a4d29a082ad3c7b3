#pragma once
// The message database: a small RAII wrapper over one SQLite connection.
// Every value that comes from outside the code is bound as a parameter.
#include <utility>

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

struct sqlite3;

// A materialised result: column names and rows of values (NULL is a null
// QVariant, integers are qint64, text is QString).
class Recordset {
public:
    bool ok() const { return ok_; }
    const QString& error() const { return error_; }
    int size() const { return int(rows_.size()); }
    bool isEmpty() const { return rows_.isEmpty(); }
    const QStringList& columns() const { return columns_; }
    const QList<QVariantList>& rows() const& { return rows_; }
    // Of a temporary (db.query(...).rows()) the rows are moved out, so that a
    // loop over them never reads a result that is already gone.
    QList<QVariantList> rows() && { return std::move(rows_); }
    QVariant value(int row, int col) const;
    QVariant value(int row, const QString& column) const;

private:
    friend class Database;
    bool ok_ = false;
    QString error_;
    QStringList columns_;
    QList<QVariantList> rows_;
};

class Database {
public:
    Database();
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // The longest a statement waits for another connection's lock before it
    // fails with lastWasBusy(). Every statement runs on the window's thread,
    // so this bounds how long the window can stand still.
    static constexpr int kBusyTimeoutMs = 100;
    // Within kBusyCoolDownMs after a statement gave up on a lock, the lock
    // is most likely still taken: statements then look again for at most
    // kBusyRecheckMs, so that several steps in a row that meet it do not
    // add up to a long stand-still.
    static constexpr int kBusyCoolDownMs = 200;
    static constexpr int kBusyRecheckMs = 20;

    // Within its scope statements wait for a lock at most ms (and never
    // longer than kBusyTimeoutMs): for work that has somewhere else to go
    // when the database is locked.
    class ShortWait {
    public:
        ShortWait(Database& db, int ms) : db_(db), saved_(db.busyCapMs_) { db_.busyCapMs_ = qMin(saved_, ms); }
        ~ShortWait() { db_.busyCapMs_ = saved_; }
        ShortWait(const ShortWait&) = delete;
        ShortWait& operator=(const ShortWait&) = delete;

    private:
        Database& db_;
        int saved_;
    };
    // The schema version the upgrade scripts lead to (PRAGMA user_version).
    static constexpr int kSchemaVersion = 4;

    // Opens the file; a file that does not exist yet is created with mode
    // 0600 and given the shipped schema. An older file is brought up to
    // kSchemaVersion (see upgrade()). Returns false with lastError() set.
    bool open(const QString& path);
    void close();
    bool isOpen() const { return db_ != nullptr; }
    QString path() const { return path_; }
    // True when the last open() created the file.
    bool created() const { return created_; }

    bool exec(const QString& sql, const QVariantList& binds = {});
    Recordset query(const QString& sql, const QVariantList& binds = {});
    // Runs several statements without parameters (schema scripts).
    bool execScript(const QString& sql);

    // True when the last statement failed only because another connection
    // held a lock (SQLITE_BUSY, SQLITE_LOCKED): worth trying again later, and
    // never a verdict on the data.
    bool lastWasBusy() const { return lastWasBusy_; }
    // How long the longest statement so far waited for a lock, in ms.
    qint64 longestBusyWaitMs() const { return longestBusyWaitMs_; }
    void resetBusyWaitStatistics() { longestBusyWaitMs_ = 0; }

    // Applies the upgrade scripts (":/sql/upgrade-N.sql") the file has not
    // had yet, each in its own transaction together with the new
    // user_version. open() calls it; when another program held the lock at
    // that moment, callers that need the newer tables call it again. True
    // when the file is at kSchemaVersion.
    bool upgrade();
    int schemaVersion() const { return schemaVersion_; }

    qint64 changes() const;
    qint64 lastInsertRowId() const;
    QString lastError() const { return lastError_; }

    // Transactions nest: the outermost is BEGIN IMMEDIATE, inner ones are
    // savepoints.
    bool begin();
    bool commit();
    bool rollback();
    bool inTransaction() const { return depth_ > 0; }

    sqlite3* handle() const { return db_; }

private:
    bool prepareAndBind(const QString& sql, const QVariantList& binds, struct sqlite3_stmt** stmt);
    void setError(const QString& where);
    static int onBusy(void* self, int attempt);

    sqlite3* db_ = nullptr;
    QString path_;
    QString lastError_;
    int depth_ = 0;
    bool created_ = false;
    bool lastWasBusy_ = false;
    int schemaVersion_ = 0;
    qint64 busySinceNs_ = 0;
    qint64 busyBudgetMs_ = kBusyTimeoutMs;
    int busyCapMs_ = kBusyTimeoutMs;
    qint64 gaveUpAtNs_ = -1; // when a statement last gave up on a lock
    qint64 longestBusyWaitMs_ = 0;
};

// Commits on commit(), rolls back when it goes out of scope otherwise.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    bool ok() const { return ok_; }
    bool commit();
    void rollback();

private:
    Database& db_;
    bool ok_ = false;
    bool done_ = false;
};

// Date and time as stored ("yyyy-MM-dd HH:mm:ss", local time) and as shown.
namespace dbtime {
QString toDb(const QDateTime& t);
QDateTime fromDb(const QVariant& v);
QString display(const QDateTime& t); // dd/MM/yyyy HH:mm:ss
} // namespace dbtime

// Code kinds of GetNextCode.
enum CodeKind { CodeOutbox = 1, CodeInbox = 2, CodeSentItems = 3 };
// Next running number (1..999999999, then 1 again); 0 for an unknown kind,
// -1 on failure (no row, NULL value, database error).
qint64 GetNextCode(Database& db, int kind);

QString NullToEmpty(const QVariant& v);
// An empty text is stored as NULL.
QVariant NullIfEmpty(const QString& text);
