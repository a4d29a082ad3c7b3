#include "addressbook/AddressGroups.h"

#include "base/Database.h"
#include "base/Settings.h"
#include "base/TextUtil.h"
#include "base/EngineState.h"

#include <QRegularExpression>

namespace {

QStringList firstColumn(const Recordset& rs)
{
    QStringList out;
    for (const QVariantList& row : rs.rows())
        out << NullToEmpty(row[0]);
    return out;
}

// A setting that names the deleted group is switched off.
void dropGroup(const QString& key, QString* global, const QString& name)
{
    if (Settings::text(key).compare(name, Qt::CaseInsensitive) == 0)
        Settings::save(key, QStringLiteral("None"));
    if (global && global->compare(name, Qt::CaseInsensitive) == 0)
        *global = QStringLiteral("None");
}

} // namespace

bool AddressGroups::readsAsNumber(const QString& text)
{
    // A sign, digits with an optional decimal point, an optional exponent;
    // words such as "Nan" or "Infinity" are names, not numbers.
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    return number.match(text.trimmed()).hasMatch();
}

AddressGroups::AddResult AddressGroups::addGroup(const QString& typed)
{
    AddResult r;
    r.name = trimBlanks(typed).left(kMaxNameLength);
    if (r.name.isEmpty()) {
        r.outcome = AddOutcome::Blank;
        return r;
    }
    if (readsAsNumber(r.name)) {
        r.outcome = AddOutcome::Numeric;
        return r;
    }
    const Recordset rs = db_.query(QStringLiteral("select grpnam from tbgrps where grpnam=?"), {r.name});
    if (!rs.ok()) {
        r.outcome = AddOutcome::Failed;
        r.error = rs.error();
        return r;
    }
    if (!rs.isEmpty()) {
        r.outcome = AddOutcome::Exists;
        return r;
    }
    if (!db_.exec(QStringLiteral("insert into tbgrps (grpnam) values (?)"), {r.name})) {
        r.outcome = AddOutcome::Failed;
        r.error = db_.lastError();
        return r;
    }
    r.outcome = AddOutcome::Added;
    return r;
}

QString AddressGroups::messageFor(AddOutcome outcome)
{
    switch (outcome) {
    case AddOutcome::Added: return QString();
    case AddOutcome::Blank: return QStringLiteral("Group Name cannot be blank");
    case AddOutcome::Numeric: return QStringLiteral("Group Name cannot be numeric.");
    case AddOutcome::Exists: return QStringLiteral("This Group already exists.\nPlease use another Group Name.");
    case AddOutcome::Failed: return QStringLiteral("Unable to add group.");
    }
    return QString();
}

bool AddressGroups::deleteGroup(const QString& name, QString* error)
{
    Transaction tx(db_);
    if (!tx.ok() || !db_.exec(QStringLiteral("delete from tbgrps where grpnam=?"), {name}) ||
        !db_.exec(QStringLiteral("delete from tbaddrgrps where grpnam=?"), {name}) || !tx.commit()) {
        if (error)
            *error = db_.lastError();
        return false;
    }
    dropGroup(QStringLiteral("SettingAutFwd"), settings_ ? &settings_->sAutoFwdGroup : nullptr, name);
    dropGroup(QStringLiteral("SettingGrpSnd"), settings_ ? &settings_->sGroupSendGroup : nullptr, name);
    return true;
}

QStringList AddressGroups::allGroups(bool* ok, QString* error) const
{
    const Recordset rs = db_.query(QStringLiteral("select grpnam from tbgrps order by grpnam"));
    if (ok)
        *ok = rs.ok();
    if (!rs.ok() && error)
        *error = rs.error();
    return firstColumn(rs);
}

QStringList AddressGroups::groupsWithout(const QString& number, bool* ok, QString* error) const
{
    const Recordset rs = db_.query(QStringLiteral("select grpnam from tbgrps where grpnam not in "
                                                  "(select grpnam from tbaddrgrps "
                                                  "where addrno=? and grpnam is not null) order by grpnam"),
                                   {NullIfEmpty(number)});
    if (ok)
        *ok = rs.ok();
    if (!rs.ok() && error)
        *error = rs.error();
    return firstColumn(rs);
}

AddressList AddressGroups::memberCandidates(const QString& group) const
{
    AddressList out;
    const Recordset rs = db_.query(
        QStringLiteral("select addrnam1, addrnam2, addrno from tbaddrs where addrno not in "
                       "(select addrno from tbaddrgrps where grpnam=? and addrno is not null) "
                       "order by addrnam1 collate nocase, addrnam2 collate nocase, addrno"),
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

AddressGroups::MemberResult AddressGroups::addMembers(const QString& group, const QStringList& numbers)
{
    MemberResult r;
    for (const QString& number : numbers) {
        if (!db_.exec(QStringLiteral("insert or ignore into tbaddrgrps (grpnam,addrno) values (?,?)"),
                      {group, number})) {
            r.failed = true;
            r.error = db_.lastError();
            return r;
        }
        if (db_.changes() > 0)
            r.done << number;
    }
    return r;
}

AddressGroups::MemberResult AddressGroups::removeMembers(const QString& group, const QStringList& numbers,
                                                         bool alsoDeleteAddresses)
{
    MemberResult r;
    for (const QString& number : numbers) {
        Transaction tx(db_);
        bool ok = tx.ok() &&
                  db_.exec(QStringLiteral("delete from tbaddrgrps where addrno=? and grpnam=?"), {number, group});
        // An entry that leaves the book leaves every group with it: a
        // membership without its entry would go on receiving group messages
        // and could not be seen or removed in any list.
        if (ok && alsoDeleteAddresses)
            ok = db_.exec(QStringLiteral("delete from tbaddrs where addrno=?"), {number}) &&
                 db_.exec(QStringLiteral("delete from tbaddrgrps where addrno=?"), {number});
        if (!ok || !tx.commit()) {
            r.failed = true;
            r.error = db_.lastError();
            return r;
        }
        r.done << number;
    }
    return r;
}
