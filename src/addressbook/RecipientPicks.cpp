#include "addressbook/RecipientPicks.h"

#include "addressbook/AddressGroups.h"
#include "base/Database.h"

AddressList recipientChoices(Database& db)
{
    AddressList out;
    const Recordset rs = db.query(QStringLiteral("select addrnam1, addrnam2, addrno from tbaddrs "
                                                 "order by addrnam1 collate nocase, addrnam2 collate nocase"));
    if (!rs.ok()) {
        out.ok = false;
        out.error = rs.error();
        return out;
    }
    out.rows.reserve(size_t(rs.size()));
    for (const QVariantList& row : rs.rows())
        out.rows.push_back({addressDisplayName(NullToEmpty(row[0]), NullToEmpty(row[1])), NullToEmpty(row[2])});
    return out;
}

QStringList groupChoices(Database& db, bool* ok, QString* error)
{
    return AddressGroups(db).allGroups(ok, error);
}
