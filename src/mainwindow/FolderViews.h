#pragma once
// What each view of the main window shows: its list, toolbar and headings.
// The rows come from the message folders.
#include <QString>
#include <vector>

#include "folders/FolderNodes.h"
#include "folders/MessageFolders.h"

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
