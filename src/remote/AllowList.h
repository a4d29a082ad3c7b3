#pragma once
// The HTTP allow list, table tbipallowed: rows of four octets IP11.IP21.
// IP31.IP41 and IP42, the end of a range of the last octet. For a caller
// a.b.c.d a row allows it when it is one of
//   0.0.0.0   a.0.0.0   a.b.0.0   a.b.c.0   a.b.c.d   a.b.c.(IP41..IP42)
// so a 0 means "any" only when every later octet is 0 as well. An empty
// table allows no one. The table is read for every connection, so a change
// applies to the next one.
#include <QtGlobal>

class Database;
class QHostAddress;

namespace AllowList {

// `ipv4` in host order (a is the most significant byte). A database error
// refuses.
bool isAllowed(Database& db, quint32 ipv4);
// An IPv4 caller, also one seen through an IPv4-mapped IPv6 address; any
// other address is refused.
bool isAllowed(Database& db, const QHostAddress& peer);

} // namespace AllowList
