#pragma once
// Rows for the main window's tests, written straight into a fresh database.
#include <QString>
#include <gtest/gtest.h>

#include "base/Database.h"

namespace seed {

inline void exec(Database& db, const QString& sql, const QVariantList& binds = {})
{
    ASSERT_TRUE(db.exec(sql, binds)) << sql.toStdString() << ": " << db.lastError().toStdString();
}

inline void address(Database& db, const QString& number, const QString& first, const QString& last)
{
    exec(db, "insert into tbaddrs (addrno, addrnam1, addrnam2) values (?,?,?)",
         {number, NullIfEmpty(first), NullIfEmpty(last)});
}

inline void group(Database& db, const QString& name) { exec(db, "insert into tbgrps (grpnam) values (?)", {name}); }

inline void member(Database& db, const QString& group, const QString& number)
{
    exec(db, "insert into tbaddrgrps (grpnam, addrno) values (?,?)", {group, number});
}

inline void inboxFolder(Database& db, const QString& key) { exec(db, "insert into tbinbox (key) values (?)", {key}); }
inline void sentFolder(Database& db, const QString& key)
{
    exec(db, "insert into tbsentitems (key) values (?)", {key});
}

inline void inbox(Database& db, qint64 code, const QString& from, const QString& created,
                  const QString& status = "O", const QString& folder = "Inbox", int reqtype = 0, int type = 1,
                  const QString& content = "C8329BFD06")
{
    exec(db,
         "insert into tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype, msgcreated, msgstatus, msgfolder) "
         "values (?,?,?,?,?,?,?,?)",
         {code, from, content, type, reqtype, created, status, folder});
}

inline void outbox(Database& db, qint64 code, const QString& number, const QString& out, const QVariant& status = {},
                   int type = 1)
{
    exec(db,
         "insert into tboutqueue (msgcode, msgno, msgtype, msgcontent, msgout, msgcreated, msgstatus) "
         "values (?,?,?,'C8329BFD06',?,?,?)",
         {code, number, type, out, out, status});
}

inline void sent(Database& db, qint64 code, const QString& number, const QString& out, const QString& logged,
                 const QString& status = "C", const QString& folder = "SentItems")
{
    exec(db,
         "insert into tboutlog (msgcode, msgno, msgtype, msgcontent, msgout, msgcreated, msgstatus, logcreated, "
         "msgfolder) values (?,?,1,'C8329BFD06',?,?,?,?,?)",
         {code, number, out, out, status, logged, folder});
}

} // namespace seed
