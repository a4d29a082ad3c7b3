#pragma once
// The address-book side of the SIM phonebook, straight on the tables: the
// groups an import may add to, the import of SIM entries, and the names
// that address-book entries are written to the SIM under.
#include <QList>
#include <QString>
#include <QStringList>

#include "sim/SimText.h"

class Database;

namespace simaddress {

// "select grpnam from tbgrps order by grpnam"; false with the error text
// on a database error.
bool groupNames(Database& db, QStringList* names, QString* error);

// Copies the entries into tbaddrs (first name = SIM name, number = SIM
// number; an empty value is stored as NULL) and, when group is not empty,
// makes each a member of it. One transaction: on any failure (a number
// already in the book, say) nothing is kept and false is returned.
bool importEntries(Database& db, const QList<SimEntry>& entries, const QString& group, QString* error = nullptr);

// The entries to write for the chosen address-book rows (name as shown,
// number): each number found in tbaddrs gets its first and last name from
// there, joined by a blank; a number not in the book keeps the name shown.
QList<SimEntry> exportEntries(Database& db, const QList<SimEntry>& chosen);

} // namespace simaddress
