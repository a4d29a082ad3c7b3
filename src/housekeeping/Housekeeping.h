#pragma once
// The tidying of the message database at every start: old messages purged
// by the retention settings, multi-part messages left incomplete for a week
// dropped, the message codes of the three message tables renumbered from 1,
// a backup copy written, and the file compacted.
#include <QDate>
#include <QDateTime>
#include <QString>

class Clock;
class Database;
class UserPrompt;

namespace housekeeping {

// The three renumbered tables and the tbnumbers column that holds the last
// code given out for each.
struct CodeTable {
    const char* table;
    const char* counter;
};
inline constexpr CodeTable kCodeTables[] = {
    {"tbinqueue", "incode"},
    {"tboutqueue", "msgcode"},
    {"tboutlog", "outcode"},
};

// The moment before which messages are purged: midnight at the start of
// the day that lies days before today. Invalid when days is below 1 (keep
// everything) or the day cannot be represented.
QDateTime purgeCutoff(const QDate& today, int days);

// Deletes received messages created at or before the Inbox cut-off and Sent
// Items logged at or before theirs, then the waiting parts that arrived
// kWaitingPartDays before today or earlier. Failures are left to the next
// start, as nothing depends on them.
inline constexpr int kWaitingPartDays = 7;
void purge(Database& db, const QDate& today, int inboxDays, int sentItemsDays);

// Gives the rows of one table the codes 1, 2, 3, ... in ascending order of
// their old codes, and stores the last code given in the counter. One
// transaction: on failure nothing changes. Returns the number of rows, or
// -1 on failure (with the database's error in *error).
qint64 renumber(Database& db, const CodeTable& table, QString* error = nullptr);

// Writes a consistent copy of the open database to backupPath: first into
// backupPath + ".tmp", synced, then renamed over backupPath, so that an
// older backup is replaced only by a complete one. The copy is readable by
// its owner only.
bool backup(Database& db, const QString& backupPath, QString* error = nullptr);

// Rebuilds the open database file in place (no other file is touched).
bool compact(Database& db, QString* error = nullptr);

} // namespace housekeeping

// The whole tidy, in order, on the open database, with the retention days
// of the settings and today's date from clock. Reports a failure to the user
// ("Database Error" for a renumbering, the error's description for the rest)
// and returns false; the live database is never missing afterwards.
bool MaintainDatabase(Database& db, UserPrompt& prompt, const Clock& clock, const QString& backupPath);
