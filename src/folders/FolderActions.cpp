#include "folders/FolderActions.h"

#include "base/Database.h"
#include "sms/Gsm7.h"

#include <QRegularExpression>
#include <QSaveFile>

QString messageTable(MessageFolder folder)
{
    switch (folder) {
    case MessageFolder::Inbox: return QStringLiteral("tbinqueue");
    case MessageFolder::Outbox: return QStringLiteral("tboutqueue");
    case MessageFolder::SentItems: return QStringLiteral("tboutlog");
    }
    return QStringLiteral("tbinqueue");
}

bool folderOfNode(NodeKind kind, MessageFolder* folder)
{
    switch (kind) {
    case NodeKind::Inbox:
    case NodeKind::InboxFolder: *folder = MessageFolder::Inbox; return true;
    case NodeKind::Outbox: *folder = MessageFolder::Outbox; return true;
    case NodeKind::SentItems:
    case NodeKind::SentFolder: *folder = MessageFolder::SentItems; return true;
    default: return false;
    }
}

DeleteOutcome deleteMessages(Database& db, MessageFolder folder, const QList<qint64>& codes)
{
    DeleteOutcome out;
    const QString sql = QStringLiteral("delete from %1 where msgcode=?").arg(messageTable(folder));
    for (auto it = codes.crbegin(); it != codes.crend(); ++it) {
        if (db.exec(sql, {*it})) {
            out.deleted << *it;
        } else {
            out.failed = true;
            if (out.error.isEmpty())
                out.error = db.lastError();
        }
    }
    return out;
}

namespace {

QString logMessageText(int type, const QString& content)
{
    switch (type) {
    case 1: return gsm7::textFromPacked(content);
    case 2: return QStringLiteral("<Ring Tone>");
    case 3: return QStringLiteral("<Operator Logo>");
    case 4: return QStringLiteral("<Picture Message>");
    case 5: return QStringLiteral("<Unicode Message>");
    default: return QString();
    }
}

QString logTime(const QDateTime& t) { return t.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")); }

} // namespace

bool buildMessageLog(Database& db, MessageFolder folder, const QList<qint64>& codes, const QDateTime& now,
                     QByteArray* out, QString* error)
{
    const bool inbox = folder == MessageFolder::Inbox;
    const QString stamp = now.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss AP"));
    QStringList lines;
    if (inbox) {
        lines << QStringLiteral("Inbox Log created on ") + stamp << QStringLiteral("Date/Time\tFrom\tMessage");
    } else {
        lines << QStringLiteral("Sent Item Log created on ") + stamp
              << QStringLiteral("Status\tDate/Time\tSent To\tMessage");
    }
    const QString sql = inbox ? QStringLiteral("select msgcreated, msgstatus, msgfrom as msgno, msgcontent, msgtype "
                                               "from tbinqueue where msgcode=?")
                              : QStringLiteral("select msgcreated, msgstatus, msgno, msgcontent, msgtype "
                                               "from tboutlog where msgcode=?");
    for (qint64 code : codes) {
        const Recordset rs = db.query(sql, {code});
        if (!rs.ok()) {
            *error = rs.error();
            return false;
        }
        if (rs.isEmpty())
            continue;
        const QString when = logTime(dbtime::fromDb(rs.value(0, "msgcreated")));
        const QString text = logMessageText(rs.value(0, "msgtype").toInt(), rs.value(0, "msgcontent").toString());
        const QString number = rs.value(0, "msgno").toString();
        if (inbox) {
            lines << when + QLatin1Char('\t') + number + QLatin1Char('\t') + text;
        } else {
            const QString status =
                rs.value(0, "msgstatus").toString() == QLatin1String("C") ? QStringLiteral("OK") : QStringLiteral("ERR");
            lines << status + QLatin1Char('\t') + when + QLatin1Char('\t') + number + QLatin1Char('\t') + text;
        }
    }
    out->clear();
    for (const QString& line : lines)
        *out += line.toLatin1() + "\r\n";
    return true;
}

bool writeFileWhole(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.write(bytes) != bytes.size()) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

namespace {

// A text that reads as a number: a sign, digits with decimal point or
// thousands separators, an exponent, or hex and octal literals (&H, &O).
bool readsAsNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral(
        "^\\s*([+-]?\\s*([0-9][0-9,]*(\\.[0-9]*)?|\\.[0-9]+)([eEdD][+-]?[0-9]+)?|&[hH][0-9a-fA-F]+|&[oO][0-7]+)\\s*$"));
    return number.match(text).hasMatch();
}

QString folderTable(NodeKind kind)
{
    return (kind == NodeKind::Inbox || kind == NodeKind::InboxFolder) ? QStringLiteral("tbinbox")
                                                                      : QStringLiteral("tbsentitems");
}

} // namespace

FolderAddResult addUserFolder(Database& db, NodeKind family, const QString& typed)
{
    FolderAddResult r;
    const QString name = typed.trimmed().left(kMaxFolderNameLength);
    if (name.isEmpty()) {
        r.outcome = FolderAddOutcome::Blank;
        return r;
    }
    if (readsAsNumber(name)) {
        r.outcome = FolderAddOutcome::Numeric;
        return r;
    }
    const QString table = folderTable(family);
    const QString key = folderPrefix(family) + name;
    const Recordset rs = db.query(QStringLiteral("select key from %1 where key=?").arg(table), {key});
    if (!rs.ok()) {
        r.error = rs.error();
        return r;
    }
    if (!rs.isEmpty()) {
        r.outcome = FolderAddOutcome::Exists;
        return r;
    }
    if (!db.exec(QStringLiteral("insert into %1 (key) values (?)").arg(table), {key})) {
        r.error = db.lastError();
        return r;
    }
    r.outcome = FolderAddOutcome::Added;
    r.key = key;
    return r;
}

QString folderAddMessage(FolderAddOutcome outcome)
{
    switch (outcome) {
    case FolderAddOutcome::Blank: return QStringLiteral("Folder Name cannot be blank");
    case FolderAddOutcome::Numeric: return QStringLiteral("Folder Name cannot be numeric.");
    case FolderAddOutcome::Exists:
        return QStringLiteral("This Folder already exists.\nPlease use another Folder Name.");
    case FolderAddOutcome::Failed: return QStringLiteral("Unable to add folder.");
    case FolderAddOutcome::Added: return QString();
    }
    return QString();
}

bool deleteUserFolder(Database& db, NodeKind kind, const QString& key, QString* error)
{
    if (kind != NodeKind::InboxFolder && kind != NodeKind::SentFolder) {
        *error = QStringLiteral("Not a user folder");
        return false;
    }
    const QString messages = kind == NodeKind::InboxFolder ? QStringLiteral("tbinqueue") : QStringLiteral("tboutlog");
    Transaction tx(db);
    if (!tx.ok() ||
        !db.exec(QStringLiteral("delete from %1 where key=?").arg(folderTable(kind)), {key}) ||
        !db.exec(QStringLiteral("delete from %1 where msgfolder=?").arg(messages), {key}) || !tx.commit()) {
        *error = db.lastError();
        return false;
    }
    return true;
}

int nodeAfterDelete(int childCount, int index)
{
    if (childCount <= 1)
        return -1;
    return index < childCount - 1 ? index + 1 : index - 1;
}

bool moveMessages(Database& db, MessageFolder folder, const QString& targetKey, const QList<qint64>& codes,
                  QString* error)
{
    if (folder == MessageFolder::Outbox) {
        *error = QStringLiteral("The Outbox has no folders");
        return false;
    }
    const QString sql = QStringLiteral("update %1 set msgfolder=? where msgcode=?").arg(messageTable(folder));
    Transaction tx(db);
    bool ok = tx.ok();
    for (qint64 code : codes) {
        if (!ok)
            break;
        ok = db.exec(sql, {targetKey, code});
    }
    if (ok)
        ok = tx.commit();
    if (!ok)
        *error = db.lastError();
    return ok;
}

DropKind dropKindFor(NodeKind target, const QString& source, const QString& table)
{
    if (source == QLatin1String("lsvMessage")) {
        MessageFolder folder;
        if (target == NodeKind::Outbox || !folderOfNode(target, &folder))
            return DropKind::None;
        return table == messageTable(folder) ? DropKind::MoveMessages : DropKind::None;
    }
    if (source == QLatin1String("lsvSIM"))
        return target == NodeKind::AddressBook || target == NodeKind::Group ? DropKind::ImportSim : DropKind::None;
    if (source == QLatin1String("lsvAddress")) {
        if (target == NodeKind::Group)
            return DropKind::JoinGroup;
        if (target == NodeKind::SimCard)
            return DropKind::ExportToSim;
    }
    return DropKind::None;
}

bool importSimEntries(Database& db, const QList<std::pair<QString, QString>>& entries, const QString& group,
                      QString* error, QStringList* skipped)
{
    Transaction tx(db);
    bool ok = tx.ok();
    QStringList known;
    for (const auto& [name, number] : entries) {
        if (!ok)
            break;
        ok = db.exec(QStringLiteral("insert or ignore into tbaddrs (addrnam1, addrno) values (?, ?)"),
                     {name, number});
        if (ok && db.changes() == 0)
            known << number;
        if (ok && !group.isEmpty())
            ok = db.exec(QStringLiteral("insert or ignore into tbaddrgrps (grpnam, addrno) values (?, ?)"),
                         {group, number});
    }
    if (ok)
        ok = tx.commit();
    if (!ok)
        *error = db.lastError();
    else if (skipped)
        *skipped = known;
    return ok;
}
