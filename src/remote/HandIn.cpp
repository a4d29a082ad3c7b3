#include "remote/HandIn.h"

#include "engine/OutboxQueue.h"
#include "remote/RemoteInput.h"
#include "base/Database.h"
#include "base/SharedFlagBlock.h"
#include "base/UserPrompt.h"

#include <limits>

HandIn::HandIn(Database& db, OutboxQueue& queue, SharedFlagBlock& outboxFlag,
               UserPrompt& prompt, QObject* parent)
    : QObject(parent), db_(db), queue_(queue), flag_(outboxFlag), prompt_(prompt)
{
    retry_.setSingleShot(true);
    connect(&retry_, &QTimer::timeout, this, &HandIn::runImport);
}

void HandIn::importOutTemp()
{
    // Lower the flag before the table is read: a row handed in while this
    // import runs raises it again and is taken by the next tick.
    flag_.writeFloat(0.0f);
    // Each signal goes through the whole table again, so rows left behind
    // by an earlier import are tried again.
    resumeAfter_ = std::numeric_limits<qint64>::min();
    afterBusy_ = false;
    runImport();
}

void HandIn::runImport()
{
    // The connection is shared with the rest of the program. Rows queued
    // inside another part's open transaction would vanish with its rollback
    // after they were deleted here, so wait until it is closed.
    if (db_.inTransaction()) {
        retry_.start(retryMs_);
        return;
    }

    // All codes first, then one transaction per row. A large hand-in is
    // taken in slices in the order of msgcode, so that the window and the
    // server stay responsive; the next slice follows from the event loop.
    // Going on after the lock was met: a quick look is enough, the next
    // try follows anyway.
    const Database::ShortWait quickLook(db_, afterBusy_ ? Database::kBusyRecheckMs : Database::kBusyTimeoutMs);
    const Recordset rs =
        db_.query(QStringLiteral("SELECT msgcode FROM tbouttemp WHERE msgcode > ? ORDER BY msgcode LIMIT ?"),
                  {resumeAfter_, kRowsPerPass + 1});
    if (!rs.ok() && db_.lastWasBusy()) {
        afterBusy_ = true;
        retry_.start(busyRetryMs_);
        return;
    }
    QList<qint64> codes;
    if (rs.ok()) {
        for (int i = 0; i < rs.size(); ++i)
            codes.append(rs.value(i, 0).toLongLong());
    }
    bool more = codes.size() > kRowsPerPass;
    if (more)
        codes.resize(kRowsPerPass);

    int queued = 0, left = 0;
    bool busy = false;
    QStringList report;
    for (qint64 code : codes) {
        QString reason;
        const RowResult result = importRow(code, &reason);
        if (result == RowResult::Busy) {
            // The rest of the pass waits until the lock is free again.
            busy = true;
            break;
        }
        resumeAfter_ = code;
        switch (result) {
        case RowResult::Queued: ++queued; break;
        case RowResult::Gone:
        case RowResult::Busy: break;
        case RowResult::Refused:
            ++left;
            if (!reported_.contains(code)) {
                reported_.insert(code);
                report.append(QStringLiteral("Row %1: %2").arg(code).arg(reason));
            }
            break;
        }
    }
    lastQueued_ = queued;
    afterBusy_ = busy;
    if (busy)
        retry_.start(busyRetryMs_);
    else if (more)
        retry_.start(retryMs_);

    emit imported(queued, left);

    // Shown after every transaction is closed, once per row and session,
    // without waiting for an answer: the import runs inside the activity
    // cycle, which goes on (acknowledgements, sending) while nobody reads it.
    // The refused rows of every pass join one box while it is open.
    const QString title = QStringLiteral("Warning");
    if (!rs.ok()) {
        if (!tableErrorShown_) {
            tableErrorShown_ = true;
            prompt_.notify(UserPrompt::Icon::Warning, title,
                           QStringLiteral("Unable to read messages handed in by another program.\n") + rs.error(),
                           QStringLiteral("hand-in unreadable"));
        }
    }
    if (!report.isEmpty())
        prompt_.notify(UserPrompt::Icon::Warning, title,
                       QStringLiteral("Unable to queue messages handed in by another program. "
                                      "They stay in tbouttemp.\n") +
                           report.join(QLatin1Char('\n')),
                       QStringLiteral("hand-in refused"));
}

HandIn::RowResult HandIn::importRow(qint64 code, QString* reason)
{
    // A lock held by another program is no fault of the row.
    auto failed = [this, reason](const QString& why) {
        if (db_.lastWasBusy())
            return RowResult::Busy;
        *reason = why;
        return RowResult::Refused;
    };
    Transaction t(db_);
    if (!t.ok())
        return failed(db_.lastError());
    // Read the row again inside the transaction: the other program may have
    // changed or withdrawn it since the codes were read.
    const Recordset rs =
        db_.query(QStringLiteral("SELECT msgno, msgcontent, msgout FROM tbouttemp WHERE msgcode = ?"), {code});
    if (!rs.ok())
        return failed(rs.error());
    if (rs.isEmpty())
        return RowResult::Gone;

    const QString number = NullToEmpty(rs.value(0, 0)).trimmed();
    const QString content = NullToEmpty(rs.value(0, 1));
    const QString out = NullToEmpty(rs.value(0, 2)).trimmed();
    if (number.isEmpty()) {
        *reason = QStringLiteral("the number is empty.");
        return RowResult::Refused;
    }
    // The rule of the send page: a number the modem cannot send to would
    // only be logged as failed.
    if (!RemoteInput::isValidPhone(number)) {
        *reason = QStringLiteral("the number \"%1\" is not a \"+\" and 1 to 20 digits.").arg(number);
        return RowResult::Refused;
    }
    if (content.trimmed().isEmpty()) {
        *reason = QStringLiteral("the message is empty.");
        return RowResult::Refused;
    }
    // No send time means now.
    const QDateTime due = out.isEmpty() ? queue_.clock().now() : RemoteInput::parseSendTime(out);
    if (!due.isValid()) {
        *reason = QStringLiteral("the send time \"%1\" is not a date.").arg(out);
        return RowResult::Refused;
    }

    // Delete first: the queue's insert is then the last step before the
    // commit, and a failed insert rolls the delete back with it.
    if (!db_.exec(QStringLiteral("DELETE FROM tbouttemp WHERE msgcode = ?"), {code}))
        return failed(db_.lastError());
    if (db_.changes() != 1)
        return RowResult::Gone;
    QString why;
    if (!queue_.AddToOutboxQuiet(number, 1, content, due, 9, &why))
        return failed(why.isEmpty() ? QStringLiteral("the message cannot be queued.") : why);
    if (!t.commit())
        return failed(db_.lastError());
    return RowResult::Queued;
}
