#pragma once
// What each view of the main window shows, and the three message-list
// fillers as plain functions from the database to rows.
#include <QString>
#include <vector>

#include "mainwindow/FolderNodes.h"
#include "mainwindow/MessageListModel.h"

class Database;

// The six views; a node's view follows from its kind.
enum class ViewKind { SimCard, AddressBook, Group, Inbox, Outbox, SentItems };
// The six toolbars, one shown per view.
enum class ToolbarId { Inbox, Outbox, SentItems, Address, Group, SIM };
// The pages of the list stack below the heading.
enum class ListPage { Sim = 0, Address = 1, Message = 2 };

struct ViewLayout {
    ListPage page;
    ToolbarId toolbar;
};

// The visibility table: which list and which toolbar a view shows.
ViewLayout viewLayout(ViewKind view);
// The view of a node; false for the root, which has none.
bool viewForNode(NodeKind kind, ViewKind* view);

struct ColumnHeadings {
    QString date;
    QString name;
};
// Headings of the date and name columns of a message view.
ColumnHeadings columnHeadings(ViewKind view);

// The heading above the list: two blanks, the node text, " (", the count, ")".
QString headingText(const QString& nodeText, int count);

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
