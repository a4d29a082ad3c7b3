#pragma once
// The address book: the address list, single entries with their group
// memberships, and the deletion of entries. Every change that touches
// several rows is one transaction; every value is bound.
#include <QString>
#include <QStringList>
#include <vector>

#include "addressbook/AddressEntry.h"

class Database;

// One row of the address list: the shown name and the number (the key).
struct AddressListRow {
    QString name;
    QString number;
};

struct AddressList {
    std::vector<AddressListRow> rows;
    bool ok = true;
    QString error;  // the database's description when !ok
};

class AddressBook {
public:
    explicit AddressBook(Database& db) : db_(db) {}

    // The whole book (group empty) or the members of one group, in table
    // order.
    AddressList listAddresses(const QString& group) const;

    // 1 when the book holds the number, 0 when not, -1 on a database error
    // (error set). The number is trimmed of blanks in place first.
    int numberExists(QString& number, QString* error = nullptr) const;

    enum class LoadResult { Loaded, NotFound, Failed };
    // Reads one entry for the edit form.
    LoadResult load(const QString& number, AddressEntry* entry, QString* error = nullptr) const;
    // The groups the number belongs to; false with error on a database error.
    bool loadGroups(const QString& number, QStringList* groups, QString* error = nullptr) const;

    enum class SaveOutcome { Saved, FirstNameBlank, NumberBlank, DuplicateNumber, Failed };
    struct SaveResult {
        SaveOutcome outcome = SaveOutcome::Failed;
        AddressEntry saved;   // the values as written (trimmed and cut)
        QStringList groups;   // the memberships as written
        QString error;        // the database's description after Failed
        // Waiting Outbox rows left on the old number because the new one is
        // no number a message can be sent to.
        int waitingKept = 0;
    };

    // A new entry with its groups. Blank checks, then the duplicate check,
    // then one transaction: the row and its memberships.
    SaveResult addAddress(const AddressEntry& entry, const QStringList& groups);
    // A changed entry. oldNumber is the number the entry had when the form
    // loaded it. The duplicate check runs only when the number changes. One
    // transaction: the row (exactly that one), its memberships, and the
    // waiting Outbox rows of the old number, which follow the new number
    // when the queue would take it (otherwise they stay, see waitingKept).
    SaveResult updateAddress(const QString& oldNumber, const AddressEntry& entry, const QStringList& groups);

    // The text of the message box for a refused or failed save ("" for
    // Saved); update selects the edit form's wording.
    // What the form says when waiting rows stayed on the old number.
    static QString waitingKeptText(const QString& oldNumber, const QString& newNumber);
    static QString messageFor(SaveOutcome outcome, bool update);

    // Deletes each entry with its memberships, each in its own transaction;
    // one that fails is rolled back and the others go on. Returns the
    // numbers deleted.
    QStringList deleteAddresses(const QStringList& numbers);

private:
    SaveOutcome checkEntry(const AddressEntry& entry) const;
    bool duplicate(const QString& number, bool* found, QString* error) const;
    bool writeMemberships(const QString& number, const QStringList& groups, QStringList* written);

    Database& db_;
};

// The groups of a form's list once: blanks trimmed, empty names dropped, a
// name that differs from an earlier one only in letter case dropped.
QStringList uniqueGroupNames(const QStringList& groups);
