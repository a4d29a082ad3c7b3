#include "engine/OutboxSender.h"

#include "modem/AtChannel.h"
#include "base/EngineState.h"
#include "sms/Gsm7.h"
#include "sms/Pdu.h"
#include "sms/SubmitPdu.h"
#include "base/AppPaths.h"
#include "base/Database.h"

#include <QRegularExpression>
#include <QStringList>

namespace {
constexpr int kLastMessageReference = 250;

// The reference the modem gave a part ("+CMGS: <mr>"), -1 when none reads.
int modemReferenceOf(const QString& reply)
{
    static const QRegularExpression re(QStringLiteral("\\+CMGS:\\s*(\\d+)"));
    const QRegularExpressionMatch m = re.match(reply);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QByteArray idOfRecord(const Recordset& rs, int i)
{
    return SendJournal::rowId(NullToEmpty(rs.value(i, "msgno")), NullToEmpty(rs.value(i, "msgtype")),
                              NullToEmpty(rs.value(i, "msgcontent")), NullToEmpty(rs.value(i, "msgcreated")),
                              NullToEmpty(rs.value(i, "msgout")), NullToEmpty(rs.value(i, "msgoutpri")));
}
} // namespace

OutboxSender::OutboxSender(EngineState& state, Database& db, const Clock& clock, QObject* parent)
    : QObject(parent), st_(state), db_(db), clock_(clock), journal_(AppPaths::filePath(SendJournal::fileName()))
{
}

bool OutboxSender::pickDueRow(Row* row)
{
    // A row marked "A" is being sent, or was when the program stopped: the
    // journal decides about it, never a new send. A stored time is the start
    // of its second (whole seconds): a row whose second has begun is due.
    const Recordset rs = db_.query(
        QStringLiteral("SELECT q.msgcode,q.msgtype,q.msgno,q.msgcontent,q.msgcreated,q.msgout,q.msgoutpri,"
                       "a.addrnam1,a.addrnam2 "
                       "FROM tboutqueue q LEFT JOIN tbaddrs a ON a.addrno=q.msgno "
                       "WHERE q.msgout <= ? AND q.msgstatus IS NOT 'A' "
                       "ORDER BY q.msgoutpri, q.msgout, q.msgcode LIMIT 1"),
        {dbtime::toDb(clock_.now())});
    if (!rs.ok() || rs.isEmpty())
        return false;
    row->code = rs.value(0, 0).toLongLong();
    row->type = rs.value(0, 1).toInt();
    row->number = NullToEmpty(rs.value(0, 2));
    row->content = NullToEmpty(rs.value(0, 3));
    row->name = NullToEmpty(rs.value(0, "addrnam1")) + QLatin1Char(' ') + NullToEmpty(rs.value(0, "addrnam2"));
    row->id = idOfRecord(rs, 0);
    return true;
}

bool OutboxSender::markSending(qint64 code)
{
    return db_.exec(QStringLiteral("UPDATE tboutqueue SET msgstatus='A' WHERE msgcode=? AND msgstatus IS NOT 'A'"),
                    {code}) &&
           db_.changes() == 1;
}

bool OutboxSender::releaseRow(qint64 code)
{
    // No row left: deleted meanwhile, nothing to wait.
    return db_.exec(QStringLiteral("UPDATE tboutqueue SET msgstatus=NULL WHERE msgcode=? AND msgstatus='A'"),
                    {code});
}

bool OutboxSender::recoverInterruptedSends()
{
    if (recovered_)
        return true;
    if (!db_.isOpen())
        return false;
    if (!journal_.load()) {
        qWarning("OutboxSender: cannot read %s; nothing is sent", qPrintable(journal_.path()));
        return false;
    }
    const Recordset rs = db_.query(QStringLiteral(
        "SELECT msgcode,msgno,msgtype,msgcontent,msgcreated,msgout,msgoutpri,msgstatus FROM tboutqueue "
        "ORDER BY msgcode"));
    if (!rs.ok())
        return false;

    // Each held message is found again by its code, or, when the start-up's
    // tidy renumbered the Outbox, by its identity: rows keep their order, so
    // identical rows are taken lowest code first. A message done with waits
    // "A"; a row that is not "A" cannot be it.
    QHash<qint64, QByteArray> idByCode;
    QHash<qint64, bool> markedByCode;
    QList<qint64> rowCodes;
    for (int i = 0; i < rs.size(); ++i) {
        const qint64 code = rs.value(i, "msgcode").toLongLong();
        rowCodes << code;
        idByCode.insert(code, idOfRecord(rs, i));
        markedByCode.insert(code, NullToEmpty(rs.value(i, "msgstatus")) == QLatin1String("A"));
    }
    QHash<qint64, qint64> found;
    QSet<qint64> taken;
    const QList<qint64> held = journal_.codes();
    for (qint64 code : held) {
        if (idByCode.value(code) == journal_.idOf(code)) {
            found.insert(code, code);
            taken.insert(code);
        }
    }
    for (qint64 code : held) {
        if (found.contains(code))
            continue;
        const bool settled = !journal_.status(code).isEmpty();
        for (qint64 rowCode : rowCodes) {
            if (!taken.contains(rowCode) && idByCode.value(rowCode) == journal_.idOf(code) &&
                (!settled || markedByCode.value(rowCode))) {
                found.insert(code, rowCode);
                taken.insert(rowCode);
                break;
            }
        }
    }
    journal_.remap(found);
    // On the disk under the codes found, without the messages gone.
    journal_.compact();

    for (qint64 code : journal_.codes()) {
        if (!journal_.status(code).isEmpty())
            continue;
        if (journal_.allConfirmed(code))
            journal_.settle(code, journal_.idOf(code), QStringLiteral("C"));
        else if (journal_.anyPartExhausted(code))
            journal_.settle(code, journal_.idOf(code), QStringLiteral("E"));
    }
    // The rest waits again: confirmed parts stay confirmed, and a body that
    // went out unanswered counts when the row is sent.
    const QList<qint64> settled = journal_.settledCodes();
    for (qint64 code : rowCodes) {
        if (markedByCode.value(code) && !settled.contains(code) && !releaseRow(code))
            unreleased_.insert(code);
    }
    recovered_ = true;
    moveSettledRows();
    return true;
}

void OutboxSender::SendNextOutbox()
{
    st_.bCancelled = false;
    recoverInterruptedSends();
    moveSettledRows();
    for (auto it = unreleased_.begin(); it != unreleased_.end();) {
        if (!releaseRow(*it)) {
            ++it;
            continue;
        }
        emit rowWaiting(*it);
        it = unreleased_.erase(it);
    }

    // Without an open port every try would fail at once and the whole queue
    // would be logged as failed; the messages wait for the modem instead.
    Row row;
    if (recovered_ && channel_ && channel_->isOpen() && pickDueRow(&row) && markSending(row.code)) {
        emit rowSending(row.code);
        emit statusText(QStringLiteral("Message ID: %1 - Sending...").arg(row.code));

        // What the journal holds under this code from another row is stale.
        journal_.claim(row.code, row.id);
        // One reference serves every part and every try of the message,
        // also of one taken up again.
        int mr = journal_.reference(row.code);
        if (mr == 0) {
            if (++st_.sngMsgReference > kLastMessageReference)
                st_.sngMsgReference = 1;
            mr = st_.sngMsgReference;
        }

        const QString status = send(row, mr);
        if (!status.isEmpty())
            finish(row, status);
        else if (!releaseRow(row.code))
            unreleased_.insert(row.code);
        else
            emit rowWaiting(row.code);
    }

    if (!st_.bOutboxPaused && !st_.bClosePending)
        st_.sngSendCount += 1;
    emit statusText(QString());
    // A pending close is carried out by the next tick of the cycle, which
    // sees bClosePending before it starts another cycle.
}

QString OutboxSender::send(const Row& row, int mr)
{
    const QString failed = QStringLiteral("E");
    QList<pdu::SubmitPdu> parts;
    double pduTimeout = kPartPduTimeout;
    if (row.type == 1) {
        // More than 140 octets, a malformed content or number: no try can
        // succeed, so the message is logged as failed at once.
        parts << pdu::buildSubmitPdu(row.number, mr, 1, row.content);
        pduTimeout = kTextPduTimeout;
    } else if (row.type >= 2 && row.type <= 4) {
        // Every 280 hex digits are one part as sent, its header included.
        // All parts are built first, so a malformed content sends nothing.
        for (qsizetype at = 0; at < row.content.size(); at += kPartHexLength)
            parts << pdu::buildSubmitPdu(row.number, mr, row.type, row.content.mid(at, kPartHexLength));
    }
    // Any other type (a received Unicode text, for instance) is not sent.
    if (parts.isEmpty())
        return failed;
    for (const pdu::SubmitPdu& part : parts)
        if (!part.isValid())
            return failed;

    bool tried = false;
    for (int i = 0; i < parts.size(); ++i) {
        if (journal_.partConfirmed(row.code, i + 1))
            continue; // confirmed before: never sent again
        switch (sendPart(row, i + 1, int(parts.size()), mr, parts[i], pduTimeout, &tried)) {
        case TryResult::Sent: break;
        case TryResult::Failed: return failed; // the remaining parts are not sent
        case TryResult::Waiting: return QString();
        }
    }
    return QStringLiteral("C");
}

OutboxSender::TryResult OutboxSender::sendPart(const Row& row, int part, int total, int mr,
                                               const pdu::SubmitPdu& submit, double pduTimeout, bool* tried)
{
    const QString command = QStringLiteral("AT+CMGS=%1\r").arg(submit.cmgsLength);
    const QString body = QString::fromLatin1(submit.pdu) + QChar(0x1A);
    for (int attempt = 0; attempt < kTries; ++attempt) {
        // A close or a pause asked for meanwhile: the row waits.
        if (*tried && (st_.bClosePending || st_.bOutboxPaused))
            return TryResult::Waiting;
        // A body that went out unanswered is written once more at most.
        if (journal_.unansweredBodies(row.code, part) >= SendJournal::kUnansweredLimit)
            return TryResult::Failed;
        // Unless the journal takes it, nothing is sent.
        if (!journal_.writable()) {
            qWarning("OutboxSender: cannot write %s; message %lld waits", qPrintable(journal_.path()),
                     row.code);
            return TryResult::Waiting;
        }
        *tried = true;
        const AtResult prompt = channel_->exchange(command, kCmgsTimeout);
        if (!prompt.success) {
            if (!channel_->isOpen())
                return TryResult::Waiting;
            continue;
        }
        // The body is recorded once the modem waits for it, not before: a
        // program that dies while waiting for the prompt has written no body
        // and must not count one as gone out without an answer. Unless the
        // journal holds it, the body is not written: ESC leaves the prompt.
        if (!journal_.beginPart(row.code, row.id, part, total, mr)) {
            qWarning("OutboxSender: cannot write %s; message %lld waits", qPrintable(journal_.path()),
                     row.code);
            channel_->exchange(QString(QChar(0x1B)), kCmgsTimeout);
            return TryResult::Waiting;
        }
        // Recorded as gone out before the system gets the body: a program
        // killed at any moment after the write began counts the body as
        // unanswered, so kills add no copy beyond the limit.
        if (!journal_.partWritten(row.code, part)) {
            qWarning("OutboxSender: cannot write %s; message %lld waits", qPrintable(journal_.path()),
                     row.code);
            channel_->exchange(QString(QChar(0x1B)), kCmgsTimeout);
            return TryResult::Waiting;
        }
        const AtResult answer = channel_->exchange(body, pduTimeout);
        if (answer.success) {
            // On the disk before anything else happens.
            journal_.confirmPart(row.code, part, modemReferenceOf(answer.reply));
            return TryResult::Sent;
        }
        if (answer.kind == AtResult::Kind::Error || !answer.written)
            journal_.refusePart(row.code, part);
        else
            journal_.noteUnanswered(row.code, part); // timed out, port lost, cancelled
        if (!channel_->isOpen())
            return TryResult::Waiting;
    }
    return TryResult::Failed;
}

void OutboxSender::finish(const Row& row, const QString& status)
{
    journal_.settle(row.code, row.id, status);
    if (MoveOutboxToLog(row.code, row.name, row.number, status, row.type))
        journal_.forget(row.code);
}

bool OutboxSender::MoveOutboxToLog(qint64 code, const QString& name, const QString& number,
                                   const QString& status, int type)
{
    qint64 newCode = -1;
    {
        Transaction tx(db_);
        if (!tx.ok())
            return false;
        newCode = GetNextCode(db_, CodeSentItems);
        if (newCode < 0)
            return false; // rolled back: no row may carry the code -1
        if (!db_.exec(QStringLiteral("INSERT INTO tboutlog(msgcode,msgno,msgtype,msgcontent,msgout,msgstatus,"
                                     "msgoutpri,msgcreated) SELECT ?,msgno,msgtype,msgcontent,msgout,?,"
                                     "msgoutpri,msgcreated FROM tboutqueue WHERE msgcode=?"),
                      {newCode, status, code}) ||
            db_.changes() != 1)
            return false;
        if (!db_.exec(QStringLiteral("DELETE FROM tboutqueue WHERE msgcode=?"), {code}) || db_.changes() != 1)
            return false;
        if (!tx.commit())
            return false;
    }
    emit rowLogged(code, newCode, status, name, number, type);
    return true;
}

void OutboxSender::moveSettledRows()
{
    for (qint64 code : journal_.settledCodes()) {
        const Recordset rs = db_.query(
            QStringLiteral("SELECT q.msgno,q.msgtype,a.addrnam1,a.addrnam2 FROM tboutqueue q "
                           "LEFT JOIN tbaddrs a ON a.addrno=q.msgno WHERE q.msgcode=?"),
            {code});
        if (!rs.ok())
            continue;
        if (rs.isEmpty()) {
            // Deleted from the Outbox meanwhile: nothing left to move.
            journal_.forget(code);
            continue;
        }
        const QString name = NullToEmpty(rs.value(0, "addrnam1")) + QLatin1Char(' ') + NullToEmpty(rs.value(0, "addrnam2"));
        if (MoveOutboxToLog(code, name, NullToEmpty(rs.value(0, "msgno")), journal_.status(code),
                            rs.value(0, "msgtype").toInt()))
            journal_.forget(code);
    }
}
