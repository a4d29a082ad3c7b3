#pragma once
// Rows for the remote services' tests, written and read with the reference
// codec (support/Tpdu.h), never with the program's own packing.
#include <QString>
#include <QStringList>
#include <QVariant>

#include "base/Database.h"
#include "support/Tpdu.h"

namespace seed {

// A text as stored: GSM septets packed into octets, hex.
inline QString packed(const QString& text)
{
    const auto septets = tpdu::gsmEncode(text);
    return septets ? tpdu::toHex(tpdu::packSeptets(*septets)) : QString();
}

// The text of stored packed user data whose septet count was not kept:
// every whole septet that fits, a final zero septet in a full group of
// seven octets being the fill, and a carriage return after it the pad.
inline QString unpacked(const QString& hex)
{
    const auto octets = tpdu::fromHex(hex);
    if (!octets)
        return QStringLiteral("<bad hex>");
    int count = int(octets->size()) * 8 / 7;
    QByteArray septets = tpdu::unpackSeptets(*octets, count);
    if (octets->size() % 7 == 0 && septets.endsWith('\0'))
        septets.chop(1);
    return tpdu::gsmDecode(septets);
}

// A received message as reception stores it.
inline qint64 store(Database& db, const QString& from, const QString& text, int requestType = 0,
                    const QString& status = QStringLiteral("N"), int type = 1, int responded = 0)
{
    const qint64 code = db.query(QStringLiteral("SELECT COALESCE(MAX(msgcode),0)+1 FROM tbinqueue")).value(0, 0).toLongLong();
    db.exec(QStringLiteral("INSERT INTO tbinqueue(msgcode,msgfrom,msgcontent,msgtype,msgreqtype,msgstatus,msgresponded) "
                           "VALUES(?,?,?,?,?,?,?)"),
            {code, from, type == 1 ? packed(text) : text, type, requestType, status, responded});
    return code;
}

inline void group(Database& db, const QString& name, const QStringList& numbers)
{
    db.exec(QStringLiteral("INSERT OR IGNORE INTO tbgrps(grpnam) VALUES(?)"), {name});
    for (const QString& n : numbers)
        db.exec(QStringLiteral("INSERT INTO tbaddrgrps(grpnam,addrno) VALUES(?,?)"), {name, n});
}

inline void address(Database& db, const QString& number, const QString& first, const QString& last)
{
    db.exec(QStringLiteral("INSERT INTO tbaddrs(addrno,addrnam1,addrnam2) VALUES(?,?,?)"), {number, first, last});
}

// The Outbox queue as "number|text|priority", in code order.
inline QStringList queued(Database& db, const QString& table = QStringLiteral("tboutqueue"))
{
    const Recordset rs = db.query(QStringLiteral("SELECT msgno, msgcontent, msgoutpri FROM %1 ORDER BY msgcode").arg(table));
    QStringList out;
    for (int i = 0; i < rs.size(); ++i)
        out << QStringLiteral("%1|%2|%3").arg(rs.value(i, 0).toString(), unpacked(rs.value(i, 1).toString()),
                                              rs.value(i, 2).toString());
    return out;
}

inline int count(Database& db, const QString& where)
{
    return db.query(QStringLiteral("SELECT COUNT(*) FROM tbinqueue WHERE ") + where).value(0, 0).toInt();
}

} // namespace seed
