#include "modem/Reception.h"

#include "sms/DeliverPdu.h"
#include "modem/EngineState.h"
#include "base/Database.h"
#include "base/SharedFlagBlock.h"

#include <QDebug>

Reception::Reception(Database& db, EngineState& state, SharedFlagBlock* inboxFlag, QObject* parent)
    : QObject(parent), db_(db), st_(state), inboxFlag_(inboxFlag)
{
}

QString Reception::removeAreaCode(const QString& sender, const QString& areaCode)
{
    if (areaCode.isEmpty())
        return sender;
    QString code = areaCode;
    if (!code.startsWith(QLatin1Char('+')))
        code.prepend(QLatin1Char('+'));
    QString out = sender;
    out.remove(code);
    return out;
}

void Reception::DecodeIncomingPDU(const QString& header, const QString& pdu)
{
    Q_UNUSED(header);
    // The indication is acknowledged whatever happens here: the link has
    // already set bGotCMT.
    const std::optional<pdu::Deliver> d = pdu::decodeDeliverPdu(pdu);
    if (!d || d->messageType == pdu::MessageDropped)
        return;
    const QString sender = removeAreaCode(d->sender, st_.sAreaCode);
    const bool firstPart = d->partSequence == 1;
    const bool lastPart = d->partSequence == d->partTotal;

    // The part and, with the last part, the move to tbinqueue are written in
    // one transaction; the move sits in a savepoint of its own, so a failed
    // move keeps the assembled parts as they would be without it.
    qint64 code = -1;
    {
        Transaction tx(db_);
        if (!tx.ok()) {
            qWarning("Reception: cannot begin a transaction: %s", qPrintable(db_.lastError()));
            return;
        }
        if (!assemblePart(sender, d->userData, d->messageType, d->requestType, firstPart))
            return;
        if (lastPart)
            code = storeAssembled(sender);
        if (!tx.commit()) {
            qWarning("Reception: commit failed: %s", qPrintable(db_.lastError()));
            return;
        }
    }
    if (code > 0)
        announce(code, sender, d->messageType, d->requestType);
}

bool Reception::assemblePart(const QString& sender, const QString& userData, int type, int requestType,
                             bool firstPart)
{
    bool ok;
    if (firstPart) {
        ok = db_.exec(QStringLiteral("DELETE FROM tbintemp WHERE msgfrom=?"), {sender}) &&
             db_.exec(QStringLiteral("INSERT INTO tbintemp(msgfrom,msgcontent,msgtype,msgreqtype) "
                                     "VALUES(?,?,?,?)"),
                      {sender, userData, type, requestType});
    } else {
        // A part whose first part never came finds no row and changes
        // nothing; its last part then finds nothing to store.
        ok = db_.exec(QStringLiteral("UPDATE tbintemp SET msgcontent = COALESCE(msgcontent,'') || ? "
                                     "WHERE msgfrom=?"),
                      {userData, sender});
    }
    if (!ok)
        qWarning("Reception: cannot keep a received part: %s", qPrintable(db_.lastError()));
    return ok;
}

qint64 Reception::storeAssembled(const QString& sender)
{
    Transaction move(db_);
    if (!move.ok())
        return -1;
    const qint64 code = GetNextCode(db_, CodeInbox);
    if (code <= 0) {
        qWarning("Reception: no message code for a received message");
        return -1;
    }
    if (!db_.exec(QStringLiteral("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype) "
                                 "SELECT ?,msgfrom,msgcontent,msgtype,msgreqtype FROM tbintemp "
                                 "WHERE msgfrom=?"),
                  {code, sender}))
        return -1;
    // Exactly one assembled row is a message; none means its first part
    // never came.
    if (db_.changes() != 1)
        return -1;
    if (!db_.exec(QStringLiteral("DELETE FROM tbintemp WHERE msgfrom=?"), {sender}))
        return -1;
    if (!move.commit())
        return -1;
    return code;
}

void Reception::announce(qint64 code, const QString& sender, int type, int requestType)
{
    ++st_.iNewSMS;
    st_.bInboxProcessRequest = true;
    if (requestType == pdu::RequestNone)
        st_.bNewMsgAlert = true;
    st_.sngInboxFlag = 1.0f;
    if (inboxFlag_)
        inboxFlag_->writeFloat(st_.sngInboxFlag);

    QDateTime created =
        dbtime::fromDb(db_.query(QStringLiteral("SELECT msgcreated FROM tbinqueue WHERE msgcode=?"), {code})
                           .value(0, 0));
    if (!created.isValid())
        created = QDateTime::currentDateTime();
    QString name;
    const Recordset rs =
        db_.query(QStringLiteral("SELECT addrnam1, addrnam2 FROM tbaddrs WHERE addrno=?"), {sender});
    if (!rs.isEmpty())
        name = NullToEmpty(rs.value(0, 0)) + QLatin1Char(' ') + NullToEmpty(rs.value(0, 1));
    emit messageStored(code, created, name, sender, type, requestType);
}
