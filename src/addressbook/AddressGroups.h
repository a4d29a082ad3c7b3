#pragma once
// Address groups and their members: creating and deleting groups, the
// candidates of the pickers, and adding and removing members. Group names
// compare without regard to letter case, as the tables do.
#include <QString>
#include <QStringList>

#include "addressbook/AddressBook.h"

class Database;
struct EngineSettings;

class AddressGroups {
public:
    static constexpr int kMaxNameLength = 40;

    // settings is optional: when given, its auto-forward and group-sending
    // groups follow a deleted group as the saved settings do.
    explicit AddressGroups(Database& db, EngineSettings* settings = nullptr) : db_(db), settings_(settings) {}

    // True for a text that reads as a number ("123", "-5", "1.5", "1e3"),
    // which cannot be a group name.
    static bool readsAsNumber(const QString& text);

    enum class AddOutcome { Added, Blank, Numeric, Exists, Failed };
    struct AddResult {
        AddOutcome outcome = AddOutcome::Failed;
        QString name;   // the name as checked and stored: trimmed, cut to 40
        QString error;  // the database's description after Failed
    };
    // A new group from the typed name.
    AddResult addGroup(const QString& typed);
    static QString messageFor(AddOutcome outcome);

    // Deletes the group and its memberships in one transaction. Once that is
    // committed, the auto-forward and group-sending settings that named the
    // group become "None". The addresses stay.
    bool deleteGroup(const QString& name, QString* error = nullptr);

    // Every group, ordered by name.
    QStringList allGroups(bool* ok = nullptr, QString* error = nullptr) const;
    // The groups that do not hold the number (every group for an empty
    // number), ordered by name.
    QStringList groupsWithout(const QString& number, bool* ok = nullptr, QString* error = nullptr) const;
    // The addresses that are not members of the group, ordered by name.
    AddressList memberCandidates(const QString& group) const;

    struct MemberResult {
        QStringList done;   // the numbers added or removed, in the order given
        bool failed = false;
        QString error;
    };
    // Makes each number a member, each on its own; an address that already
    // is one stays a member once and is not reported as added. The first
    // failure stops the walk; rows added before it stay.
    MemberResult addMembers(const QString& group, const QStringList& numbers);
    // Removes each number from the group, each in its own transaction; with
    // alsoDeleteAddresses the entry leaves the book too, together with its
    // memberships of every group. The first failure stops the walk.
    MemberResult removeMembers(const QString& group, const QStringList& numbers, bool alsoDeleteAddresses);

private:
    Database& db_;
    EngineSettings* settings_;
};
