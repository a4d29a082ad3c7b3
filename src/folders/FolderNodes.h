#pragma once
// The nodes of the folder tree, built from the database without any widget.
// A node is identified by its kind and key together: fixed nodes, groups and
// user folders each have a key space of their own, so a group called "Inbox"
// or a folder named like a group cannot collide with another node.
#include <QString>
#include <vector>

class Database;

enum class NodeKind {
    Root,          // "Folders"
    SimCard,
    AddressBook,
    Group,         // a group of the address book; key = group name
    Inbox,
    InboxFolder,   // a user folder of the Inbox; key = "Inbox" + name
    Outbox,
    SentItems,
    SentFolder,    // a user folder of Sent Items; key = "SentItems" + name
};

// The kind of the node a child of this kind hangs under (Root for the fixed
// nodes; Root for Root itself).
NodeKind parentKind(NodeKind kind);
// True for the six nodes that always exist.
bool isFixedKind(NodeKind kind);
// The kind tag a node carries: "root", "simcard", "addressbook", "inbox",
// "outbox" or "sentitems" (groups carry "addressbook", user folders the tag
// of their top folder).
QString kindTag(NodeKind kind);

struct FolderNode {
    NodeKind kind;
    QString key;
    QString text;
    QString icon;          // image key, shown normally
    QString selectedIcon;  // image key, shown while selected
};

// The key prefix of the user folders of a top folder ("Inbox", "SentItems").
QString folderPrefix(NodeKind kind);
// The folder name of a user-folder key (the key less its prefix).
QString folderName(NodeKind kind, const QString& key);

struct FolderNodeList {
    std::vector<FolderNode> nodes;
    bool ok = true;
    QString error;
};

// The six fixed nodes, then the groups ordered by name, the Inbox folders and
// the Sent Items folders in table order. On a database failure the nodes read
// so far are returned with ok false and the error.
FolderNodeList buildFolderNodes(Database& db);
