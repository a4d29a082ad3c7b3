#pragma once
// Hand-in by another program. The other program writes rows into tbouttemp
// (msgcode INTEGER PRIMARY KEY, msgno, msgcontent, msgout) and then sets the
// shared-memory flag "Outbox" to 1.0. The activity cycle reads the flag on
// every tick; on 1.0 the import below moves the rows into the Outbox queue.
//
// The import lowers the flag to 0.0 before it reads the table, so a row and
// flag written meanwhile are picked up by the next tick. Each row is queued
// and deleted from tbouttemp in one transaction: it is never queued twice
// and never lost. A row that cannot be queued (among others a number that is
// not an optional "+" and 1 to 20 digits, the rule of the send page) stays
// in tbouttemp, is reported once per session and is tried again at the next
// signal.
//
// While another program holds the database's write lock the pass stops at
// the first row that finds it taken and goes on from there after
// kBusyRetryMs; each statement waits for the lock only briefly (see
// Database::kBusyTimeoutMs, and only Database::kBusyRecheckMs when the pass
// goes on after meeting the lock), so the window keeps serving events. A
// busy database is never reported as a row's fault.
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class Database;
class OutboxQueue;
class SharedFlagBlock;
class UserPrompt;

class HandIn : public QObject {
    Q_OBJECT
public:
    // Rows taken in one pass of the event loop.
    static constexpr int kRowsPerPass = 10;
    // The pause before a pass that met a locked database goes on.
    static constexpr int kBusyRetryMs = 250;

    HandIn(Database& db, OutboxQueue& queue, SharedFlagBlock& outboxFlag,
           UserPrompt& prompt, QObject* parent = nullptr);

    // The cycle's hand-in step, called when the flag reads 1.0.
    void importOutTemp();

    // How long to wait before trying again while another part of the
    // program holds a transaction open on the shared connection.
    void setRetryInterval(int ms) { retryMs_ = ms; }
    void setBusyRetryInterval(int ms) { busyRetryMs_ = ms; }
    // True while a retry or the next slice of a large hand-in is due.
    bool retryPending() const { return retry_.isActive(); }

    // Rows queued by the last pass.
    int lastQueued() const { return lastQueued_; }

signals:
    // After every pass that ran (also when nothing was waiting).
    void imported(int queued, int leftInTable);

private:
    void runImport();
    enum class RowResult { Queued, Gone, Refused, Busy };
    RowResult importRow(qint64 code, QString* reason);

    Database& db_;
    OutboxQueue& queue_;
    SharedFlagBlock& flag_;
    UserPrompt& prompt_;
    QTimer retry_;
    QSet<qint64> reported_;
    qint64 resumeAfter_ = 0;
    int lastQueued_ = 0;
    int retryMs_ = 50;
    int busyRetryMs_ = kBusyRetryMs;
    bool afterBusy_ = false; // the pass goes on after meeting the lock
    bool tableErrorShown_ = false;
};

