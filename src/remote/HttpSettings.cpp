#include "remote/HttpSettings.h"

#include "base/Database.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QNetworkInterface>
#include <QRegularExpression>

QStringList IpRange::columns() const
{
    return {QStringLiteral(" %1").arg(a), QStringLiteral(".%1").arg(b), QStringLiteral(".%1").arg(c),
            QStringLiteral(".%1").arg(d), e > 0 ? QStringLiteral("-%1").arg(e) : QString()};
}

QString IpRange::display() const { return columns().join(QString()); }

bool IpRange::fromColumns(const QStringList& columns, IpRange* range)
{
    if (columns.size() != 5)
        return false;
    int values[5] = {};
    static const char leads[] = {' ', '.', '.', '.', '-'};
    for (int i = 0; i < 5; ++i) {
        const QString& col = columns.at(i);
        if (i == 4 && col.isEmpty())
            break;
        if (col.isEmpty() || col.at(0) != QLatin1Char(leads[i]))
            return false;
        bool ok = false;
        values[i] = col.mid(1).toInt(&ok);
        if (!ok)
            return false;
    }
    *range = {values[0], values[1], values[2], values[3], values[4]};
    return true;
}

namespace HttpSettings {

PortCheck checkPort(const QString& typed, bool enabled, int* port)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,5}$"));
    const QString t = typed.trimmed();
    if (t.isEmpty()) {
        if (enabled)
            return PortCheck::Invalid;
        *port = kDefaultPort;
        return PortCheck::Ok;
    }
    if (!digits.match(t).hasMatch())
        return PortCheck::Invalid;
    const int n = t.toInt();
    if (n < 1 || n > 65535)
        return PortCheck::Invalid;
    *port = n;
    return PortCheck::Ok;
}

QString hostName() { return QHostInfo::localHostName(); }

QString hostAddress()
{
    // The listening socket's own address is 0.0.0.0: name an address others
    // can reach instead.
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback())
            return a.toString();
    return QString();
}

QList<IpRange> load(Database& db, bool* ok)
{
    QList<IpRange> rows;
    const Recordset rs = db.query(QStringLiteral("SELECT IP11, IP21, IP31, IP41, IP42 FROM tbipallowed "
                                                 "ORDER BY IP11, IP21, IP31, IP41, IP42"));
    *ok = rs.ok();
    for (int i = 0; i < rs.size(); ++i)
        rows.append({rs.value(i, 0).toInt(), rs.value(i, 1).toInt(), rs.value(i, 2).toInt(),
                     rs.value(i, 3).toInt(), rs.value(i, 4).toInt()});
    return rows;
}

RangeCheck checkRange(const IpRange& r, int* box)
{
    const int values[5] = {r.a, r.b, r.c, r.d, r.e};
    for (int i = 0; i < 5; ++i) {
        if (values[i] < 0 || values[i] > 255) {
            *box = i;
            return RangeCheck::InvalidAddress;
        }
    }
    *box = 4;
    if (r.e > 0 && (r.d == 0 || r.d > r.e))
        return RangeCheck::InvalidRange;
    return RangeCheck::Ok;
}

namespace {
QVariantList binds(const IpRange& r) { return {r.a, r.b, r.c, r.d, r.e}; }
const QString kMatch = QStringLiteral("IP11=? AND IP21=? AND IP31=? AND IP41=? AND IP42=?");
} // namespace

RangeCheck checkDuplicate(Database& db, const IpRange& r)
{
    const Recordset rs = db.query(QStringLiteral("SELECT 1 FROM tbipallowed WHERE ") + kMatch, binds(r));
    if (!rs.ok())
        return RangeCheck::DatabaseError;
    return rs.isEmpty() ? RangeCheck::Ok : RangeCheck::Duplicate;
}

bool add(Database& db, const IpRange& r)
{
    return db.exec(QStringLiteral("INSERT INTO tbipallowed (IP11, IP21, IP31, IP41, IP42) VALUES (?,?,?,?,?)"),
                   binds(r));
}

bool change(Database& db, const IpRange& old, const IpRange& now)
{
    return db.exec(QStringLiteral("UPDATE tbipallowed SET IP11=?, IP21=?, IP31=?, IP41=?, IP42=? WHERE ") + kMatch,
                   binds(now) + binds(old)) &&
           db.changes() == 1;
}

bool remove(Database& db, const QList<IpRange>& rows)
{
    Transaction tx(db);
    if (!tx.ok())
        return false;
    for (const IpRange& r : rows)
        if (!db.exec(QStringLiteral("DELETE FROM tbipallowed WHERE ") + kMatch, binds(r)))
            return false;
    return tx.commit();
}

} // namespace HttpSettings
