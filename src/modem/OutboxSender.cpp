#include "modem/OutboxSender.h"

#include "modem/AtChannel.h"
#include "modem/EngineState.h"
#include "sms/Gsm7.h"
#include "sms/Pdu.h"
#include "sms/SubmitPdu.h"
#include "base/Database.h"

#include <QStringList>

namespace {
constexpr int kLastMessageReference = 250;
} // namespace

OutboxSender::OutboxSender(EngineState& state, Database& db, QObject* parent)
    : QObject(parent), st_(state), db_(db)
{
}

bool OutboxSender::pickDueRow(Row* row)
{
    QString sql = QStringLiteral(
        "SELECT q.msgcode,q.msgtype,q.msgno,q.msgcontent,a.addrnam1,a.addrnam2 "
        "FROM tboutqueue q LEFT JOIN tbaddrs a ON a.addrno=q.msgno WHERE q.msgout < ?");
    QVariantList binds{dbtime::nowDb()};
    // Messages already sent whose move is still pending are not sent again.
    if (!pendingMoves_.isEmpty()) {
        QStringList marks;
        for (auto it = pendingMoves_.cbegin(); it != pendingMoves_.cend(); ++it) {
            marks << QStringLiteral("?");
            binds << it.key();
        }
        sql += QStringLiteral(" AND q.msgcode NOT IN (") + marks.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    sql += QStringLiteral(" ORDER BY q.msgoutpri, q.msgout, q.msgcode LIMIT 1");
    const Recordset rs = db_.query(sql, binds);
    if (!rs.ok() || rs.isEmpty())
        return false;
    row->code = rs.value(0, 0).toLongLong();
    row->type = rs.value(0, 1).toInt();
    row->number = NullToEmpty(rs.value(0, 2));
    row->content = NullToEmpty(rs.value(0, 3));
    row->name = NullToEmpty(rs.value(0, 4)) + QLatin1Char(' ') + NullToEmpty(rs.value(0, 5));
    return true;
}

void OutboxSender::SendNextOutbox()
{
    st_.bCancelled = false;
    retryPendingMoves();

    // Without an open port every try would fail at once and the whole queue
    // would be logged as failed; the messages wait for the modem instead.
    Row row;
    if (channel_ && channel_->isOpen() && pickDueRow(&row)) {
        db_.exec(QStringLiteral("UPDATE tboutqueue SET msgstatus='A' WHERE msgcode=?"), {row.code});
        emit rowSending(row.code);
        emit statusText(QStringLiteral("Message ID: %1 - Sending...").arg(row.code));

        // One reference serves every part and every try of the message.
        if (++st_.sngMsgReference > kLastMessageReference)
            st_.sngMsgReference = 1;

        const QString status = send(row, st_.sngMsgReference);
        // An empty status: the modem went away; the row stays in the queue.
        if (!status.isEmpty() && !MoveOutboxToLog(row.code, row.name, row.number, status, row.type))
            pendingMoves_.insert(row.code, PendingMove{status, row.name, row.number, row.type});
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
    if (row.type == 1) {
        // More than 140 octets, a malformed content or number: no try can
        // succeed, so the message is logged as failed at once.
        const pdu::SubmitPdu submit = pdu::buildSubmitPdu(row.number, mr, 1, row.content);
        if (!submit.isValid())
            return failed;
        switch (sendPart(submit, kTextPduTimeout)) {
        case TryResult::Sent: return QStringLiteral("C");
        case TryResult::Failed: return failed;
        case TryResult::NoModem: return QString();
        }
    }
    if (row.type >= 2 && row.type <= 4) {
        // Every 280 hex digits are one part as sent, its header included.
        // All parts are built first, so a malformed content sends nothing.
        QList<pdu::SubmitPdu> parts;
        for (qsizetype at = 0; at < row.content.size(); at += kPartHexLength) {
            parts << pdu::buildSubmitPdu(row.number, mr, row.type, row.content.mid(at, kPartHexLength));
            if (!parts.back().isValid())
                return failed;
        }
        if (parts.isEmpty())
            return failed;
        for (const pdu::SubmitPdu& part : parts) {
            switch (sendPart(part, kPartPduTimeout)) {
            case TryResult::Sent: break;
            case TryResult::Failed: return failed; // the remaining parts are not sent
            case TryResult::NoModem: return QString();
            }
        }
        return QStringLiteral("C");
    }
    // Any other type (a received Unicode text, for instance) is not sent.
    return failed;
}

OutboxSender::TryResult OutboxSender::sendPart(const pdu::SubmitPdu& submit, double pduTimeout)
{
    const QString command = QStringLiteral("AT+CMGS=%1\r").arg(submit.cmgsLength);
    const QString body = QString::fromLatin1(submit.pdu) + QChar(0x1A);
    for (int attempt = 0; attempt < kTries; ++attempt) {
        // A message received meanwhile is acknowledged before each try.
        acknowledgePendingCMT(st_, *channel_);
        if (channel_->sendATCommand(command, kCmgsTimeout) && channel_->sendATCommand(body, pduTimeout))
            return TryResult::Sent;
        if (!channel_->isOpen())
            return TryResult::NoModem;
    }
    return TryResult::Failed;
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

void OutboxSender::retryPendingMoves()
{
    for (auto it = pendingMoves_.begin(); it != pendingMoves_.end();) {
        const Recordset rs =
            db_.query(QStringLiteral("SELECT 1 FROM tboutqueue WHERE msgcode=?"), {it.key()});
        if (rs.ok() && rs.isEmpty()) {
            // Deleted from the Outbox meanwhile: nothing left to move.
            it = pendingMoves_.erase(it);
            continue;
        }
        const PendingMove& m = it.value();
        if (rs.ok() && MoveOutboxToLog(it.key(), m.name, m.number, m.status, m.type))
            it = pendingMoves_.erase(it);
        else
            ++it;
    }
}

qint64 OutboxSender::ResendFromLog(qint64 logCode)
{
    Transaction tx(db_);
    if (!tx.ok())
        return -1;
    const qint64 newCode = GetNextCode(db_, CodeOutbox);
    if (newCode < 0)
        return -1;
    if (!db_.exec(QStringLiteral("INSERT INTO tboutqueue(msgcode,msgno,msgtype,msgcontent,msgcreated) "
                                 "SELECT ?,msgno,msgtype,msgcontent,msgcreated FROM tboutlog WHERE msgcode=?"),
                  {newCode, logCode}) ||
        db_.changes() != 1)
        return -1;
    return tx.commit() ? newCode : -1;
}
