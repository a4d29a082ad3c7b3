#include "folders/MessageFolders.h"

#include "base/Database.h"

#include <QHash>
#include <limits>
#include <sqlite3.h>

QString inboxIconKey(const QString& status)
{
    return status == QLatin1String("N") ? QStringLiteral("mailnew") : QStringLiteral("mailold");
}

QString outboxIconKey(const QString& status)
{
    return status == QLatin1String("A") ? QStringLiteral("mailsend") : QStringLiteral("mailwait");
}

QString sentIconKey(const QString& status)
{
    return status == QLatin1String("C") ? QStringLiteral("mailold") : QStringLiteral("mailfailed");
}

namespace {

// The fillers read the database directly through its handle: the lists may
// hold a hundred thousand rows, and going through a materialised recordset
// of variants would double the work.
class Statement {
public:
    Statement(Database& db, const char* sql) : db_(db)
    {
        if (!db.handle()) {
            error_ = QStringLiteral("The database is not open.");
            return;
        }
        if (sqlite3_prepare_v2(db.handle(), sql, -1, &stmt_, nullptr) != SQLITE_OK)
            setError();
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    bool ok() const { return stmt_ && error_.isEmpty(); }
    void bind(int i, const QString& text)
    {
        const QByteArray u = text.toUtf8();
        if (stmt_)
            sqlite3_bind_text(stmt_, i, u.constData(), int(u.size()), SQLITE_TRANSIENT);
    }
    void bind(int i, qint64 v)
    {
        if (stmt_)
            sqlite3_bind_int64(stmt_, i, v);
    }
    // True while there is a row; false at the end or on an error (see ok()).
    bool step()
    {
        if (!ok())
            return false;
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            setError();
        return false;
    }
    QString text(int c) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
        return p ? QString::fromUtf8(p, sqlite3_column_bytes(stmt_, c)) : QString();
    }
    qint64 integer(int c) const { return sqlite3_column_int64(stmt_, c); }
    // A stored time "yyyy-MM-dd HH:mm:ss", parsed by hand for speed; other
    // forms go through the general parser.
    QDateTime time(int c) const
    {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, c));
        const int n = sqlite3_column_bytes(stmt_, c);
        if (!p)
            return {};
        auto digits = [p](int at, int len) {
            int v = 0;
            for (int i = 0; i < len; ++i) {
                const char ch = p[at + i];
                if (ch < '0' || ch > '9')
                    return -1;
                v = v * 10 + (ch - '0');
            }
            return v;
        };
        if (n == 19 && p[4] == '-' && p[7] == '-' && p[10] == ' ' && p[13] == ':' && p[16] == ':') {
            const QDate d(digits(0, 4), digits(5, 2), digits(8, 2));
            const QTime t(digits(11, 2), digits(14, 2), digits(17, 2));
            if (d.isValid() && t.isValid())
                return localTime(d, t);
        }
        return dbtime::fromDb(QString::fromUtf8(p, n));
    }
    const QString& error() const { return error_; }

private:
    // A local time built with the UTC offset of its hour, looked up once
    // per hour: asking the time-zone rules for every row of a long list
    // would cost more than reading the rows. The result is the same moment
    // and the same wall-clock fields as the local time.
    QDateTime localTime(const QDate& d, const QTime& t) const
    {
        const qint64 hour = d.toJulianDay() * 24 + t.hour();
        auto it = offsets_.find(hour);
        if (it == offsets_.end()) {
            // An hour in which the offset changes (a daylight-saving switch)
            // is marked, and its times are built one by one.
            const int first = QDateTime(d, QTime(t.hour(), 0)).offsetFromUtc();
            const int last = QDateTime(d, QTime(t.hour(), 59, 59)).offsetFromUtc();
            it = offsets_.insert(hour, first == last ? first : kMixedHour);
        }
        if (it.value() == kMixedHour)
            return QDateTime(d, t);
        return QDateTime(d, t, Qt::OffsetFromUTC, it.value());
    }
    static constexpr int kMixedHour = std::numeric_limits<int>::min();
    mutable QHash<qint64, int> offsets_;

    void setError() { error_ = QString::fromUtf8(sqlite3_errmsg(db_.handle())); }
    Database& db_;
    sqlite3_stmt* stmt_ = nullptr;
    QString error_;
};

QString fullName(const Statement& s, int first, int last)
{
    return s.text(first) + QLatin1Char(' ') + s.text(last);
}

const char* const kInboxSql =
    "select tbinqueue.msgcreated, tbinqueue.msgstatus, tbinqueue.msgfrom, tbinqueue.msgtype, "
    "tbinqueue.msgcode, tbaddrs.addrnam1, tbaddrs.addrnam2, tbinqueue.msgfolder from tbinqueue "
    "left outer join tbaddrs on tbaddrs.addrno = tbinqueue.msgfrom ";
const char* const kOutboxSql =
    "select tboutqueue.msgout, tboutqueue.msgno, tboutqueue.msgtype, tboutqueue.msgcode, "
    "tboutqueue.msgstatus, tbaddrs.addrnam1, tbaddrs.addrnam2 from tboutqueue "
    "left outer join tbaddrs on tbaddrs.addrno = tboutqueue.msgno ";
const char* const kSentSql =
    "select tboutlog.logcreated, tboutlog.msgno, tboutlog.msgcode, tboutlog.msgstatus, "
    "tboutlog.msgtype, tbaddrs.addrnam1, tbaddrs.addrnam2, tboutlog.msgfolder from tboutlog "
    "left outer join tbaddrs on tbaddrs.addrno = tboutlog.msgno ";

MessageRow inboxRow(const Statement& s)
{
    MessageRow r;
    const QString status = s.text(1);
    r.when = s.time(0);
    r.number = s.text(2);
    r.type = int(s.integer(3));
    r.code = s.integer(4);
    r.name = fullName(s, 5, 6);
    r.iconKey = inboxIconKey(status);
    r.bold = status == QLatin1String("N");
    return r;
}

MessageRow outboxRow(const Statement& s)
{
    MessageRow r;
    r.when = s.time(0);
    r.number = s.text(1);
    r.type = int(s.integer(2));
    r.code = s.integer(3);
    r.iconKey = outboxIconKey(s.text(4));
    r.name = fullName(s, 5, 6);
    return r;
}

MessageRow sentRow(const Statement& s)
{
    MessageRow r;
    r.when = s.time(0);
    r.number = s.text(1);
    r.code = s.integer(2);
    r.iconKey = sentIconKey(s.text(3));
    r.type = int(s.integer(4));
    r.name = fullName(s, 5, 6);
    return r;
}

template <typename MakeRow>
MessageFill fill(Statement& s, MakeRow make, bool countUnread)
{
    MessageFill out;
    while (s.step()) {
        out.rows.push_back(make(s));
        if (countUnread && out.rows.back().bold)
            ++out.unread;
    }
    if (!s.ok()) {
        out.ok = false;
        out.error = s.error();
    }
    return out;
}

} // namespace

MessageFill loadInboxRows(Database& db, const QString& folderKey)
{
    const QByteArray sql = QByteArray(kInboxSql)
                           + "where tbinqueue.msgreqtype = 0 and tbinqueue.msgfolder = ?1 "
                             "order by tbinqueue.msgcreated, tbinqueue.rowid";
    Statement s(db, sql.constData());
    s.bind(1, folderKey);
    return fill(s, inboxRow, true);
}

MessageFill loadOutboxRows(Database& db)
{
    const QByteArray sql = QByteArray(kOutboxSql) + "order by tboutqueue.msgout, tboutqueue.rowid";
    Statement s(db, sql.constData());
    return fill(s, outboxRow, false);
}

MessageFill loadSentRows(Database& db, const QString& folderKey)
{
    const QByteArray sql = QByteArray(kSentSql)
                           + "where tboutlog.msgfolder = ?1 order by tboutlog.msgout, tboutlog.rowid";
    Statement s(db, sql.constData());
    s.bind(1, folderKey);
    return fill(s, sentRow, false);
}

bool readInboxRow(Database& db, qint64 code, MessageRow* row, QString* folder)
{
    const QByteArray sql = QByteArray(kInboxSql) + "where tbinqueue.msgcode = ?1 and tbinqueue.msgreqtype = 0";
    Statement s(db, sql.constData());
    s.bind(1, code);
    if (!s.step())
        return false;
    *row = inboxRow(s);
    if (folder)
        *folder = s.text(7);
    return true;
}

bool readOutboxRow(Database& db, qint64 code, MessageRow* row)
{
    const QByteArray sql = QByteArray(kOutboxSql) + "where tboutqueue.msgcode = ?1";
    Statement s(db, sql.constData());
    s.bind(1, code);
    if (!s.step())
        return false;
    *row = outboxRow(s);
    return true;
}

bool readSentRow(Database& db, qint64 code, MessageRow* row, QString* folder)
{
    const QByteArray sql = QByteArray(kSentSql) + "where tboutlog.msgcode = ?1";
    Statement s(db, sql.constData());
    s.bind(1, code);
    if (!s.step())
        return false;
    *row = sentRow(s);
    if (folder)
        *folder = s.text(7);
    return true;
}

int unreadInboxCount(Database& db)
{
    const Recordset rs = db.query(QStringLiteral("select count(*) from tbinqueue where msgreqtype = 0 "
                                                 "and msgstatus = 'N' and msgfolder = 'Inbox'"));
    if (!rs.ok() || rs.isEmpty())
        return -1;
    return rs.value(0, 0).toInt();
}

bool readMessageDetail(Database& db, MessageFolder folder, qint64 code, MessageDetail* detail, QString* error)
{
    QString sql;
    switch (folder) {
    case MessageFolder::Inbox:
        sql = QStringLiteral("select msgfrom as msgno, msgstatus, msgcontent, msgtype, msgcreated "
                             "from tbinqueue where msgcode=?");
        break;
    case MessageFolder::SentItems:
        sql = QStringLiteral("select msgno, msgstatus, msgcontent, msgtype, logcreated as msgcreated "
                             "from tboutlog where msgcode=?");
        break;
    case MessageFolder::Outbox:
        sql = QStringLiteral("select msgno, msgstatus, msgcontent, msgtype, msgcreated "
                             "from tboutqueue where msgcode=?");
        break;
    }
    error->clear();
    const Recordset rs = db.query(sql, {code});
    if (!rs.ok()) {
        *error = rs.error();
        return false;
    }
    if (rs.isEmpty())
        return false;
    detail->type = rs.value(0, "msgtype").toInt();
    detail->status = rs.value(0, "msgstatus").toString();
    detail->content = rs.value(0, "msgcontent").toString();
    detail->number = rs.value(0, "msgno").toString();
    detail->when = dbtime::fromDb(rs.value(0, "msgcreated"));
    return true;
}

bool markInboxRead(Database& db, qint64 code)
{
    return db.exec(QStringLiteral("update tbinqueue set msgstatus='O' where msgcode=?"), {code});
}
