#include "remote/AllowList.h"

#include "base/Database.h"

#include <QHostAddress>

namespace AllowList {

bool isAllowed(Database& db, quint32 ipv4)
{
    const qint64 a = (ipv4 >> 24) & 0xFF, b = (ipv4 >> 16) & 0xFF, c = (ipv4 >> 8) & 0xFF, d = ipv4 & 0xFF;
    const Recordset rs = db.query(
        QStringLiteral("SELECT 1 FROM tbipallowed WHERE "
                       "(IP11=0 AND IP21=0 AND IP31=0 AND IP41=0) OR "
                       "(IP11=?1 AND IP21=0 AND IP31=0 AND IP41=0) OR "
                       "(IP11=?1 AND IP21=?2 AND IP31=0 AND IP41=0) OR "
                       "(IP11=?1 AND IP21=?2 AND IP31=?3 AND IP41=0) OR "
                       "(IP11=?1 AND IP21=?2 AND IP31=?3 AND IP41=?4) OR "
                       "(IP11=?1 AND IP21=?2 AND IP31=?3 AND IP41<=?4 AND IP42>=?4) "
                       "LIMIT 1"),
        {a, b, c, d});
    return rs.ok() && !rs.isEmpty();
}

bool isAllowed(Database& db, const QHostAddress& peer)
{
    bool ok = false;
    const quint32 v4 = peer.toIPv4Address(&ok);
    return ok && isAllowed(db, v4);
}

} // namespace AllowList
