#include "compose/OperatorList.h"

#include "base/Database.h"

namespace compose {

namespace {

QStringList column(const Recordset& rs)
{
    QStringList out;
    if (!rs.ok())
        return out;
    for (int i = 0; i < rs.size(); ++i)
        out << NullToEmpty(rs.value(i, 0));
    return out;
}

} // namespace

QStringList OperatorList::countries() const
{
    return column(db_.query(QStringLiteral("SELECT opctry FROM tboperators WHERE opctry IS NOT NULL "
                                           "GROUP BY opctry COLLATE NOCASE ORDER BY opctry COLLATE NOCASE")));
}

QStringList OperatorList::operators(const QString& country) const
{
    return column(db_.query(QStringLiteral("SELECT opco FROM tboperators "
                                           "WHERE opctry = ? COLLATE NOCASE AND opco IS NOT NULL "
                                           "GROUP BY opco COLLATE NOCASE ORDER BY opco COLLATE NOCASE"),
                            {country}));
}

QString OperatorList::code(const QString& country, const QString& operatorName) const
{
    const Recordset rs = db_.query(QStringLiteral("SELECT opcode FROM tboperators "
                                                  "WHERE opctry = ? COLLATE NOCASE AND opco = ? COLLATE NOCASE "
                                                  "ORDER BY rowid LIMIT 1"),
                                   {country, operatorName});
    return rs.ok() && !rs.isEmpty() ? NullToEmpty(rs.value(0, 0)) : QString();
}

bool OperatorList::find(const QString& code, QString* country, QString* operatorName) const
{
    if (code.isEmpty())
        return false;
    const Recordset rs = db_.query(
        QStringLiteral("SELECT opctry, opco FROM tboperators WHERE opcode = ? ORDER BY rowid LIMIT 1"), {code});
    if (!rs.ok() || rs.isEmpty())
        return false;
    *country = NullToEmpty(rs.value(0, 0));
    *operatorName = NullToEmpty(rs.value(0, 1));
    return true;
}

} // namespace compose
