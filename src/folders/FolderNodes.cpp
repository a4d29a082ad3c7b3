#include "folders/FolderNodes.h"

#include "base/Database.h"

NodeKind parentKind(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Group: return NodeKind::AddressBook;
    case NodeKind::InboxFolder: return NodeKind::Inbox;
    case NodeKind::SentFolder: return NodeKind::SentItems;
    default: return NodeKind::Root;
    }
}

bool isFixedKind(NodeKind kind)
{
    return kind != NodeKind::Group && kind != NodeKind::InboxFolder && kind != NodeKind::SentFolder;
}

QString kindTag(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Root: return QStringLiteral("root");
    case NodeKind::SimCard: return QStringLiteral("simcard");
    case NodeKind::AddressBook:
    case NodeKind::Group: return QStringLiteral("addressbook");
    case NodeKind::Inbox:
    case NodeKind::InboxFolder: return QStringLiteral("inbox");
    case NodeKind::Outbox: return QStringLiteral("outbox");
    case NodeKind::SentItems:
    case NodeKind::SentFolder: return QStringLiteral("sentitems");
    }
    return {};
}

QString folderPrefix(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Inbox:
    case NodeKind::InboxFolder: return QStringLiteral("Inbox");
    case NodeKind::SentItems:
    case NodeKind::SentFolder: return QStringLiteral("SentItems");
    default: return {};
    }
}

QString folderName(NodeKind kind, const QString& key) { return key.mid(folderPrefix(kind).size()); }

FolderNodeList buildFolderNodes(Database& db)
{
    FolderNodeList out;
    auto& n = out.nodes;
    n.push_back({NodeKind::Root, "Root", "Folders", "folderopeny", "folderopeny"});
    n.push_back({NodeKind::SimCard, "SIMCard", "SIM Card", "simclose", "simopen"});
    n.push_back({NodeKind::AddressBook, "AddressBook", "Address Book", "group", "group"});
    n.push_back({NodeKind::Inbox, "Inbox", "Inbox", "foldercloseg", "folderopeng"});
    n.push_back({NodeKind::Outbox, "Outbox", "Outbox", "folderclosep", "folderopenp"});
    n.push_back({NodeKind::SentItems, "SentItems", "Sent Items", "folderclosey", "folderopeny"});

    const Recordset groups = db.query(QStringLiteral("select grpnam from tbgrps order by grpnam"));
    if (!groups.ok()) {
        out.ok = false;
        out.error = groups.error();
        return out;
    }
    for (const auto& row : groups.rows()) {
        const QString name = row.value(0).toString();
        n.push_back({NodeKind::Group, name, name, "bookclose", "bookopen"});
    }

    struct FolderTable {
        const char* sql;
        NodeKind kind;
        const char* icon;
        const char* selectedIcon;
    };
    const FolderTable tables[] = {
        {"select key from tbinbox order by rowid", NodeKind::InboxFolder, "foldercloseg", "folderopeng"},
        {"select key from tbsentitems order by rowid", NodeKind::SentFolder, "folderclosey", "folderopeny"},
    };
    for (const FolderTable& t : tables) {
        const Recordset rs = db.query(QString::fromLatin1(t.sql));
        if (!rs.ok()) {
            out.ok = false;
            out.error = rs.error();
            return out;
        }
        for (const auto& row : rs.rows()) {
            const QString key = row.value(0).toString();
            n.push_back({t.kind, key, folderName(t.kind, key), t.icon, t.selectedIcon});
        }
    }
    return out;
}
