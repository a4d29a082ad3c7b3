#include "modem/Reception.h"

#include "sms/DeliverPdu.h"
#include "modem/EngineState.h"
#include "base/Database.h"
#include "base/SharedFlagBlock.h"

#include <QDebug>

Reception::Reception(Database& db, EngineState& state, SharedFlagBlock* inboxFlag, QObject* parent)
    : QObject(parent), db_(db), st_(state), inboxFlag_(inboxFlag), assembler_(db)
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

    // The part and, with the last part, the whole message are written in one
    // transaction; a refused step keeps nothing of this part.
    qint64 code = -1;
    {
        Transaction tx(db_);
        if (!tx.ok()) {
            qWarning("Reception: cannot begin a transaction: %s", qPrintable(db_.lastError()));
            return;
        }
        const PartAssembler::Outcome kept = assembler_.add(sender, *d);
        if (!kept.ok)
            return;
        code = kept.code;
        if (!tx.commit()) {
            qWarning("Reception: commit failed: %s", qPrintable(db_.lastError()));
            return;
        }
    }
    if (code > 0)
        announce(code, sender, d->messageType, d->requestType);
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
