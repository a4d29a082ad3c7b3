#include "addressbook/AddressBook.h"

#include "base/Database.h"
#include "base/TextUtil.h"
#include "sms/SubmitPdu.h"

namespace {

QString columnList()
{
    QStringList cols;
    for (const AddressFieldInfo& info : addressFields())
        cols << QLatin1String(info.column);
    return cols.join(QLatin1Char(','));
}

QVariantList boundValues(const AddressEntry& e)
{
    QVariantList binds;
    for (const AddressFieldInfo& info : addressFields()) {
        // The number is the key and is always given; an empty box is NULL.
        if (info.field == AddressField::PhoneNo)
            binds << e[info.field];
        else
            binds << NullIfEmpty(e[info.field]);
    }
    return binds;
}

} // namespace

QStringList uniqueGroupNames(const QStringList& groups)
{
    QStringList out;
    for (const QString& g : groups) {
        const QString name = trimBlanks(g);
        if (name.isEmpty() || out.contains(name, Qt::CaseInsensitive))
            continue;
        out << name;
    }
    return out;
}

AddressList AddressBook::listAddresses(const QString& group) const
{
    AddressList out;
    const Recordset rs =
        group.isEmpty()
            ? db_.query(QStringLiteral("select addrnam1, addrnam2, addrno from tbaddrs"))
            : db_.query(QStringLiteral("select b.addrnam1, b.addrnam2, b.addrno from tbaddrgrps a, tbaddrs b "
                                       "where a.grpnam=? and b.addrno=a.addrno"),
                        {group});
    if (!rs.ok()) {
        out.ok = false;
        out.error = rs.error();
        return out;
    }
    out.rows.reserve(size_t(rs.size()));
    for (const QVariantList& row : rs.rows())
        out.rows.push_back({addressDisplayName(NullToEmpty(row[0]), NullToEmpty(row[1])), NullToEmpty(row[2])});
    return out;
}

int AddressBook::numberExists(QString& number, QString* error) const
{
    number = trimBlanks(number);
    const Recordset rs = db_.query(QStringLiteral("select addrno from tbaddrs where addrno=?"), {number});
    if (!rs.ok()) {
        if (error)
            *error = rs.error();
        return -1;
    }
    return rs.isEmpty() ? 0 : 1;
}

AddressBook::LoadResult AddressBook::load(const QString& number, AddressEntry* entry, QString* error) const
{
    const Recordset rs = db_.query(QStringLiteral("select %1 from tbaddrs where addrno=?").arg(columnList()), {number});
    if (!rs.ok()) {
        if (error)
            *error = rs.error();
        return LoadResult::Failed;
    }
    if (rs.isEmpty())
        return LoadResult::NotFound;
    const auto& fields = addressFields();
    for (int i = 0; i < kAddressFieldCount; ++i)
        (*entry)[fields[size_t(i)].field] = NullToEmpty(rs.value(0, i));
    return LoadResult::Loaded;
}

bool AddressBook::loadGroups(const QString& number, QStringList* groups, QString* error) const
{
    const Recordset rs = db_.query(QStringLiteral("select grpnam from tbaddrgrps where addrno=?"), {number});
    if (!rs.ok()) {
        if (error)
            *error = rs.error();
        return false;
    }
    groups->clear();
    for (const QVariantList& row : rs.rows())
        groups->append(NullToEmpty(row[0]));
    return true;
}

AddressBook::SaveOutcome AddressBook::checkEntry(const AddressEntry& entry) const
{
    if (entry[AddressField::FirstName].isEmpty())
        return SaveOutcome::FirstNameBlank;
    if (entry[AddressField::PhoneNo].isEmpty())
        return SaveOutcome::NumberBlank;
    return SaveOutcome::Saved;
}

bool AddressBook::duplicate(const QString& number, bool* found, QString* error) const
{
    const Recordset rs = db_.query(QStringLiteral("select addrno from tbaddrs where addrno=?"), {number});
    if (!rs.ok()) {
        *error = rs.error();
        return false;
    }
    *found = !rs.isEmpty();
    return true;
}

bool AddressBook::writeMemberships(const QString& number, const QStringList& groups, QStringList* written)
{
    // A group deleted while the form was open gets no membership row, and
    // the row carries the group's name as the group table spells it.
    for (const QString& g : uniqueGroupNames(groups)) {
        if (!db_.exec(QStringLiteral("insert into tbaddrgrps (grpnam,addrno) "
                                     "select grpnam, ? from tbgrps where grpnam=?"),
                      {number, g}))
            return false;
        if (db_.changes() > 0)
            written->append(g);
    }
    return true;
}

AddressBook::SaveResult AddressBook::addAddress(const AddressEntry& input, const QStringList& groups)
{
    SaveResult r;
    const AddressEntry e = input.cleaned();
    r.outcome = checkEntry(e);
    if (r.outcome != SaveOutcome::Saved)
        return r;
    bool found = false;
    if (!duplicate(e.number(), &found, &r.error)) {
        r.outcome = SaveOutcome::Failed;
        return r;
    }
    if (found) {
        r.outcome = SaveOutcome::DuplicateNumber;
        return r;
    }

    r.outcome = SaveOutcome::Failed;
    Transaction tx(db_);
    if (!tx.ok()) {
        r.error = db_.lastError();
        return r;
    }
    QStringList placeholders;
    for (int i = 0; i < kAddressFieldCount; ++i)
        placeholders << QStringLiteral("?");
    if (!db_.exec(QStringLiteral("insert into tbaddrs (%1) values (%2)")
                      .arg(columnList(), placeholders.join(QLatin1Char(','))),
                  boundValues(e)) ||
        !writeMemberships(e.number(), groups, &r.groups) || !tx.commit()) {
        r.error = db_.lastError();
        r.groups.clear();
        return r;
    }
    r.outcome = SaveOutcome::Saved;
    r.saved = e;
    return r;
}

AddressBook::SaveResult AddressBook::updateAddress(const QString& oldNumber, const AddressEntry& input,
                                                   const QStringList& groups)
{
    SaveResult r;
    const AddressEntry e = input.cleaned();
    r.outcome = checkEntry(e);
    if (r.outcome != SaveOutcome::Saved)
        return r;
    const QString newNumber = e.number();
    const bool renumbered = newNumber != oldNumber;
    if (renumbered) {
        bool found = false;
        if (!duplicate(newNumber, &found, &r.error)) {
            r.outcome = SaveOutcome::Failed;
            return r;
        }
        if (found) {
            r.outcome = SaveOutcome::DuplicateNumber;
            return r;
        }
    }

    r.outcome = SaveOutcome::Failed;
    Transaction tx(db_);
    if (!tx.ok()) {
        r.error = db_.lastError();
        return r;
    }
    QStringList sets;
    for (const AddressFieldInfo& info : addressFields())
        sets << QLatin1String(info.column) + QStringLiteral("=?");
    QVariantList binds = boundValues(e);
    binds << oldNumber;
    if (!db_.exec(QStringLiteral("update tbaddrs set %1 where addrno=?").arg(sets.join(QLatin1Char(','))), binds)) {
        r.error = db_.lastError();
        return r;
    }
    // The entry must still be there: an update that changed no row would
    // leave the memberships below pointing at nothing.
    if (db_.changes() != 1) {
        r.error = QStringLiteral("The entry %1 is no longer in the address book.").arg(oldNumber);
        return r;
    }
    if (!db_.exec(QStringLiteral("delete from tbaddrgrps where addrno=?"), {oldNumber}) ||
        !writeMemberships(newNumber, groups, &r.groups)) {
        r.error = db_.lastError();
        r.groups.clear();
        return r;
    }
    // Waiting messages follow the corrected number; the one being sent
    // right now ('A') has already gone out to the old one. The queue takes
    // no row for a number the modem cannot send to: then they stay queued
    // to the old number, and the caller says so.
    if (renumbered && pdu::isSendableNumber(newNumber) &&
        !db_.exec(QStringLiteral("update tboutqueue set msgno=? where msgno=? "
                                 "and (msgstatus is null or msgstatus<>'A')"),
                  {newNumber, oldNumber})) {
        r.error = db_.lastError();
        r.groups.clear();
        return r;
    }
    if (renumbered && !pdu::isSendableNumber(newNumber)) {
        const Recordset waiting = db_.query(QStringLiteral("select count(*) from tboutqueue where msgno=? "
                                                           "and (msgstatus is null or msgstatus<>'A')"),
                                            {oldNumber});
        if (!waiting.ok()) {
            r.error = db_.lastError();
            r.groups.clear();
            return r;
        }
        r.waitingKept = waiting.value(0, 0).toInt();
    }
    if (!tx.commit()) {
        r.error = db_.lastError();
        r.groups.clear();
        return r;
    }
    r.outcome = SaveOutcome::Saved;
    r.saved = e;
    return r;
}

QString AddressBook::waitingKeptText(const QString& oldNumber, const QString& newNumber)
{
    return QStringLiteral("The messages waiting in the Outbox for %1 stay queued to that number: "
                          "a message cannot be sent to \"%2\".")
        .arg(oldNumber, newNumber);
}

QString AddressBook::messageFor(SaveOutcome outcome, bool update)
{
    switch (outcome) {
    case SaveOutcome::Saved: return QString();
    case SaveOutcome::FirstNameBlank: return QStringLiteral("First Name cannot be blank");
    case SaveOutcome::NumberBlank: return QStringLiteral("Mobile Phone Number cannot be blank");
    case SaveOutcome::DuplicateNumber:
        return QStringLiteral("This Mobile Phone Number already exists.\nPlease check and try again.");
    case SaveOutcome::Failed:
        return update ? QStringLiteral("Unable to Update Record.") : QStringLiteral("Unable to save record.");
    }
    return QString();
}

QStringList AddressBook::deleteAddresses(const QStringList& numbers)
{
    QStringList removed;
    for (const QString& number : numbers) {
        Transaction tx(db_);
        if (!tx.ok())
            continue;
        if (db_.exec(QStringLiteral("delete from tbaddrs where addrno=?"), {number}) &&
            db_.exec(QStringLiteral("delete from tbaddrgrps where addrno=?"), {number}) && tx.commit())
            removed << number;
    }
    return removed;
}
