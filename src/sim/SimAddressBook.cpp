#include "sim/SimAddressBook.h"

#include "base/Database.h"

namespace simaddress {

bool groupNames(Database& db, QStringList* names, QString* error)
{
    const Recordset rs = db.query(QStringLiteral("select grpnam from tbgrps order by grpnam"));
    if (!rs.ok()) {
        if (error)
            *error = rs.error();
        return false;
    }
    names->clear();
    for (int r = 0; r < rs.size(); ++r)
        names->append(NullToEmpty(rs.value(r, 0)));
    return true;
}

bool importEntries(Database& db, const QList<SimEntry>& entries, const QString& group, QString* error)
{
    Transaction tx(db);
    auto fail = [&] {
        if (error)
            *error = db.lastError();
        return false;   // the transaction rolls back as it goes
    };
    if (!tx.ok())
        return fail();
    for (const SimEntry& e : entries) {
        if (!db.exec(QStringLiteral("insert into tbaddrs (addrnam1, addrno) values (?, ?)"),
                     {NullIfEmpty(e.name), NullIfEmpty(e.number)}))
            return fail();
        if (!group.isEmpty() &&
            !db.exec(QStringLiteral("insert into tbaddrgrps (grpnam, addrno) values (?, ?)"),
                     {group, NullIfEmpty(e.number)}))
            return fail();
    }
    if (!tx.commit())
        return fail();
    return true;
}

QList<SimEntry> exportEntries(Database& db, const QList<SimEntry>& chosen)
{
    QList<SimEntry> out;
    for (SimEntry e : chosen) {
        const Recordset rs = db.query(QStringLiteral("select addrnam1, addrnam2 from tbaddrs where addrno = ?"),
                                      {e.number});
        if (rs.ok() && !rs.isEmpty())
            e.name = (NullToEmpty(rs.value(0, 0)) + QLatin1Char(' ') + NullToEmpty(rs.value(0, 1))).trimmed();
        e.index = 0;
        out.append(e);
    }
    return out;
}

} // namespace simaddress
