#pragma once
// The recipients a message is sent to when they are picked from the address
// book: entries (key and number, both the entry's addrno) and groups. The
// send form holds one RecipientPicks, empties it when it opens, and hands it
// to the two pickers, which rewrite it on OK and leave it alone on Cancel.
#include <QList>
#include <QString>
#include <QStringList>

#include "addressbook/AddressBook.h"

class Database;

struct PickedRecipient {
    QString key;     // the entry's addrno
    QString number;  // the number that is queued (also its addrno)
    bool operator==(const PickedRecipient&) const = default;
};

struct RecipientPicks {
    QList<PickedRecipient> asRecipients;
    QStringList asPickedGroups;

    int iRecipientCount() const { return int(asRecipients.size()); }
    int iPickedGroupCount() const { return int(asPickedGroups.size()); }
    void clear()
    {
        asRecipients.clear();
        asPickedGroups.clear();
    }
};

// The rows of the address picker: every entry, ordered by first and last
// name (without regard to letter case).
AddressList recipientChoices(Database& db);
// The rows of the group picker: every group, ordered by name.
QStringList groupChoices(Database& db, bool* ok = nullptr, QString* error = nullptr);

