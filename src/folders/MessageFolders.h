#pragma once
// The message folders as the lists show them: the three fillers as plain
// functions from the database to rows, single rows for lists that grow while
// shown, the unread count, and the detail of one message.
#include <QDateTime>
#include <QString>
#include <vector>

class Database;

// One message as a list shows it.
struct MessageRow {
    qint64 code = 0;
    QDateTime when;     // the stored time of the date column
    QString name;       // first and last name of the address, " " when unknown
    QString number;
    int type = 1;
    QString iconKey;    // "mailnew", "mailold", "mailsend", "mailwait", "mailfailed"
    bool bold = false;
};

// Icons by status.
QString inboxIconKey(const QString& status);   // "mailnew" when "N", else "mailold"
QString outboxIconKey(const QString& status);  // "mailsend" when "A", else "mailwait"
QString sentIconKey(const QString& status);    // "mailold" when "C", else "mailfailed"

struct MessageFill {
    std::vector<MessageRow> rows;
    int unread = 0;      // unread rows among them (Inbox only)
    bool ok = true;
    QString error;       // the database's description when !ok
};

// Ordinary messages (no pending remote request) of one Inbox folder, oldest
// first; unread rows are bold.
MessageFill loadInboxRows(Database& db, const QString& folderKey);
// The Outbox queue in send-time order.
MessageFill loadOutboxRows(Database& db);
// One Sent Items folder, showing the log time, ordered by the send time.
MessageFill loadSentRows(Database& db, const QString& folderKey);

// One row read by code, for lists that grow while shown; false when the
// message is not there (or, for the Inbox, is a pending remote request).
bool readInboxRow(Database& db, qint64 code, MessageRow* row, QString* folder = nullptr);
bool readOutboxRow(Database& db, qint64 code, MessageRow* row);
bool readSentRow(Database& db, qint64 code, MessageRow* row, QString* folder = nullptr);

// Unread ordinary messages in the Inbox itself (the only place a message is
// marked read); -1 on a database error.
int unreadInboxCount(Database& db);

enum class MessageFolder { Inbox, Outbox, SentItems };

// One message with its content, for the detail pane.
struct MessageDetail {
    QString number;
    QString status;
    QString content;
    int type = 1;
    QDateTime when;   // received, queued or logged
};

// Reads one message of a folder by code. False with error set on a database
// failure; false with error empty when the message is not there.
bool readMessageDetail(Database& db, MessageFolder folder, qint64 code, MessageDetail* detail, QString* error);
// Marks an Inbox message read ('O').
bool markInboxRead(Database& db, qint64 code);
