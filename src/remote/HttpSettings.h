#pragma once
// The engine half of the HTTP service's setting forms: the port rule, this
// computer's name and address, and the changes to the allow list
// (tbipallowed; how a row allows a caller is in AllowList.h).
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// One row of the allow list: a.b.c.d, and e > 0 for the range d..e of the
// last octet.
struct IpRange {
    int a = 0, b = 0, c = 0, d = 0, e = 0;

    // The list's five columns: " a", ".b", ".c", ".d", and "-e" or "".
    QStringList columns() const;
    // The columns joined: " a.b.c.d" or " a.b.c.d-e".
    QString display() const;
    // The row of the list's columns; false when they are not such a row.
    static bool fromColumns(const QStringList& columns, IpRange* range);
    bool operator==(const IpRange&) const = default;
};

namespace HttpSettings {

constexpr int kDefaultPort = 8010;

enum class PortCheck { Ok, Invalid };
// The port as typed: empty, or digits giving 1 to 65535. An empty port is
// refused while the service is enabled and stored as 8010 otherwise.
PortCheck checkPort(const QString& typed, bool enabled, int* port);

// The local host name, and the first IPv4 address of this computer that is
// not a loopback address (empty when there is none).
QString hostName();
QString hostAddress();

// The rows in the list's order. *ok is false after a database error.
QList<IpRange> load(Database& db, bool* ok);

// What a new or changed row is checked against. The box to blame comes back
// in *box (0..4).
enum class RangeCheck { Ok, InvalidAddress, InvalidRange, Duplicate, DatabaseError };
// Octets 0..255. A range end e > 0 needs d > 0 and d <= e.
RangeCheck checkRange(const IpRange& r, int* box);
// Whether the table already holds the row.
RangeCheck checkDuplicate(Database& db, const IpRange& r);

bool add(Database& db, const IpRange& r);
// Changes exactly the row old; false when it is gone or the change failed.
bool change(Database& db, const IpRange& old, const IpRange& now);
// Deletes the rows in one transaction; nothing is deleted on a failure.
bool remove(Database& db, const QList<IpRange>& rows);

} // namespace HttpSettings
