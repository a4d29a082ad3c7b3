#include "folders/RenameService.h"

#include "base/EngineState.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"

namespace {

QString trimBlanks(const QString& s)
{
    int from = 0, to = int(s.size());
    while (from < to && s.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && s.at(to - 1) == QLatin1Char(' '))
        --to;
    return s.mid(from, to - from);
}

// A setting that names a group follows the group's new name. Group names
// compare without regard to case, as the database does.
void followGroup(const QString& key, QString* global, const QString& oldName, const QString& newName)
{
    if (Settings::text(key).compare(oldName, Qt::CaseInsensitive) == 0)
        Settings::save(key, newName);
    if (global && global->compare(oldName, Qt::CaseInsensitive) == 0)
        *global = newName;
}

} // namespace

QString RenameService::cleanName(const QString& typed) { return trimBlanks(typed).left(kMaxNameLength); }

RenameService::Result RenameService::rename(NodeKind kind, const QString& oldName, const QString& typed)
{
    Result r;
    const QString name = cleanName(typed);
    if (name.compare(oldName, Qt::CaseInsensitive) == 0) {
        r.outcome = Outcome::Ignored;
        return r;
    }
    if (name.isEmpty())
        return r;
    if (kind != NodeKind::Group && kind != NodeKind::InboxFolder && kind != NodeKind::SentFolder) {
        // Other nodes are not renamed; nothing in the database refers to them.
        return r;
    }

    bool duplicate = false;
    const bool ok = kind == NodeKind::Group ? renameGroup(oldName, name, duplicate)
                                            : renameFolder(kind, oldName, name, duplicate);
    // The transaction is closed before any message is shown.
    if (duplicate) {
        prompt_.warning(kind == NodeKind::Group
                                ? QStringLiteral("This Group already exists.\nPlease use another Group Name.")
                                : QStringLiteral("This Folder already exists.\nPlease use another Folder Name."));
        return r;
    }
    if (!ok) {
        prompt_.databaseError(QStringLiteral("Unable to rename group."));
        return r;
    }

    if (kind == NodeKind::Group) {
        // Saved only once the new name is committed, so a setting never names
        // a group that does not exist.
        followGroup(QStringLiteral("SettingAutFwd"), state_ ? &state_->sAutoFwdGroup : nullptr, oldName, name);
        followGroup(QStringLiteral("SettingGrpSnd"), state_ ? &state_->sGroupSendGroup : nullptr, oldName, name);
        r.newKey = name;
    } else {
        r.newKey = folderPrefix(kind) + name;
    }
    r.outcome = Outcome::Renamed;
    r.newName = name;
    return r;
}

bool RenameService::renameGroup(const QString& oldName, const QString& newName, bool& duplicate)
{
    Transaction tx(db_);
    if (!tx.ok())
        return false;
    const Recordset rs = db_.query(QStringLiteral("select grpnam from tbgrps where grpnam=?"), {newName});
    if (!rs.ok())
        return false;
    if (!rs.isEmpty()) {
        duplicate = true;
        return false;
    }
    if (!db_.exec(QStringLiteral("update tbgrps set grpnam=? where grpnam=?"), {newName, oldName}))
        return false;
    if (!db_.exec(QStringLiteral("update tbaddrgrps set grpnam=? where grpnam=?"), {newName, oldName}))
        return false;
    return tx.commit();
}

bool RenameService::renameFolder(NodeKind kind, const QString& oldName, const QString& newName, bool& duplicate)
{
    const bool inbox = kind == NodeKind::InboxFolder;
    const QString folderTable = inbox ? QStringLiteral("tbinbox") : QStringLiteral("tbsentitems");
    const QString messageTable = inbox ? QStringLiteral("tbinqueue") : QStringLiteral("tboutlog");
    const QString oldKey = folderPrefix(kind) + oldName;
    const QString newKey = folderPrefix(kind) + newName;

    Transaction tx(db_);
    if (!tx.ok())
        return false;
    const Recordset rs = db_.query(QStringLiteral("select key from %1 where key=?").arg(folderTable), {newKey});
    if (!rs.ok())
        return false;
    if (!rs.isEmpty()) {
        duplicate = true;
        return false;
    }
    if (!db_.exec(QStringLiteral("update %1 set key=? where key=?").arg(folderTable), {newKey, oldKey}))
        return false;
    if (!db_.exec(QStringLiteral("update %1 set msgfolder=? where msgfolder=?").arg(messageTable), {newKey, oldKey}))
        return false;
    return tx.commit();
}
