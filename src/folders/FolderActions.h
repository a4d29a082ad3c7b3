#pragma once
// The work behind the message toolbars and the folder menus, without any
// widget: deleting messages, the message logs, user folders (add, delete),
// and the moves of dropped rows.
#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "folders/FolderNodes.h"
#include "folders/MessageFolders.h"

class Database;

// The table a folder's messages are kept in.
QString messageTable(MessageFolder folder);
// The folder whose table holds the messages shown for a node; false for
// nodes that show no messages.
bool folderOfNode(NodeKind kind, MessageFolder* folder);

struct DeleteOutcome {
    QList<qint64> deleted;   // the codes whose rows are gone
    bool failed = false;     // at least one statement failed (its row stays)
    QString error;
};
// Deletes the messages by code, each on its own, from the last to the
// first; a failure does not stop the walk.
DeleteOutcome deleteMessages(Database& db, MessageFolder folder, const QList<qint64>& codes);

// The text log of Inbox or Sent Items messages, in the order of the codes:
// a title line with the time of the export, the column line, one line per
// message. Latin-1, CR LF line ends, TAB between fields. False with the
// database's error when a row cannot be read; a code that is gone is left
// out.
bool buildMessageLog(Database& db, MessageFolder folder, const QList<qint64>& codes, const QDateTime& now,
                     QByteArray* out, QString* error);
// Writes the whole file or nothing (the old file stays on failure).
bool writeFileWhole(const QString& path, const QByteArray& bytes, QString* error);

// User folders of the Inbox or Sent Items (family Inbox or SentItems).
enum class FolderAddOutcome { Added, Blank, Numeric, Exists, Failed };
struct FolderAddResult {
    FolderAddOutcome outcome = FolderAddOutcome::Failed;
    QString key;     // the new folder's key after Added
    QString error;   // the database's description after Failed
};
constexpr int kMaxFolderNameLength = 40;
FolderAddResult addUserFolder(Database& db, NodeKind family, const QString& typed);
QString folderAddMessage(FolderAddOutcome outcome);
// Deletes the folder and its messages in one transaction.
bool deleteUserFolder(Database& db, NodeKind kind, const QString& key, QString* error);
// The node shown after deleting the child at index of a parent with
// childCount children: the next one, else the one before, else the parent
// (-1).
int nodeAfterDelete(int childCount, int index);

// Moves messages of a table into a folder of the same family in one
// transaction; false (nothing moved) on failure.
bool moveMessages(Database& db, MessageFolder folder, const QString& targetKey, const QList<qint64>& codes,
                  QString* error);
// What a drop of list rows on a tree node does. Message rows move only
// within their own table: Inbox rows (tbinqueue) onto the Inbox and its
// folders, Sent Items rows (tboutlog) onto Sent Items and its folders; codes
// of different tables are unrelated. SIM rows go to the address book or a
// group, address rows into a group or onto the SIM card. Every other pair
// does nothing.
enum class DropKind { None, MoveMessages, ImportSim, JoinGroup, ExportToSim };
DropKind dropKindFor(NodeKind target, const QString& source, const QString& table);

// Adds SIM entries (name, number) to the address book, and to the group when
// one is given, in one transaction. An entry whose number is in the book
// already keeps its entry (and only joins the group); its number is added
// to skipped when that is given.
bool importSimEntries(Database& db, const QList<std::pair<QString, QString>>& entries, const QString& group,
                      QString* error, QStringList* skipped = nullptr);
