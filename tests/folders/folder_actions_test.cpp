// The folder actions' engine: message deletion that keeps failed rows, the
// text logs read back with a reader of their own, user folders, and moves
// that never cross tables.
#include <gtest/gtest.h>

#include "base/Database.h"
#include "folders/FolderActions.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>

namespace {

int count(Database& db, const QString& sql, const QVariantList& binds = {})
{
    const Recordset rs = db.query(sql, binds);
    EXPECT_TRUE(rs.ok()) << rs.error().toStdString();
    return rs.value(0, 0).toInt();
}

// Packs plain ASCII letters, digits and blanks (the same codes in the GSM
// alphabet) seven bits each, as upper-case hex.
QString packAscii(const QByteArray& text)
{
    QByteArray octets;
    quint32 acc = 0;
    int bits = 0;
    for (char c : text) {
        acc |= quint32(c & 0x7f) << bits;
        bits += 7;
        while (bits >= 8) {
            octets.append(char(acc & 0xff));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits > 0)
        octets.append(char(acc & 0xff));
    return QString::fromLatin1(octets.toHex().toUpper());
}

void addInbox(Database& db, qint64 code, const QString& from, const QString& content, int type,
              const QString& created, const QString& status = "N", const QString& folder = "Inbox")
{
    ASSERT_TRUE(db.exec("insert into tbinqueue (msgcode,msgfrom,msgcontent,msgtype,msgreqtype,msgcreated,msgstatus,"
                        "msgfolder) values (?,?,?,?,0,?,?,?)",
                        {code, from, content, type, created, status, folder}))
        << db.lastError().toStdString();
}

void addSent(Database& db, qint64 code, const QString& no, const QString& content, int type,
             const QString& created, const QString& status, const QString& folder = "SentItems")
{
    ASSERT_TRUE(db.exec("insert into tboutlog (msgcode,msgno,msgcontent,msgtype,msgcreated,msgstatus,msgfolder) "
                        "values (?,?,?,?,?,?,?)",
                        {code, no, content, type, created, status, folder}))
        << db.lastError().toStdString();
}

// The log as lines of fields, split as a reader of the file would.
QList<QStringList> readLog(const QByteArray& bytes)
{
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    QList<QStringList> out;
    const QList<QByteArray> lines = bytes.split('\n');
    for (int i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_TRUE(lines[i].endsWith('\r')) << "line " << i;
        out << QString::fromLatin1(lines[i].chopped(1)).split(QLatin1Char('\t'));
    }
    return out;
}

} // namespace

TEST(FolderActions, DeleteKeepsFailedRowsAndGoesOn)
{
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    for (qint64 c : {1, 2, 3})
        addInbox(db, c, "+100", "", 1, "2026-01-01 10:00:00");
    // The Outbox table has a code 2 of its own that must stay.
    ASSERT_TRUE(db.exec("insert into tboutqueue (msgcode,msgno,msgtype,msgcontent) values (2,'+1',1,'')"));
    ASSERT_TRUE(db.exec("create trigger keep2 before delete on tbinqueue when old.msgcode=2 "
                        "begin select raise(abort,'row is locked'); end"));
    const DeleteOutcome out = deleteMessages(db, MessageFolder::Inbox, {1, 2, 3});
    EXPECT_TRUE(out.failed);
    EXPECT_TRUE(out.error.contains("locked"));
    EXPECT_EQ(out.deleted, (QList<qint64>{3, 1}));   // last to first
    EXPECT_EQ(count(db, "select count(*) from tbinqueue"), 1);
    EXPECT_EQ(count(db, "select count(*) from tboutqueue where msgcode=2"), 1);
}

TEST(FolderActions, LogsReadBackLineByLine)
{
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    addInbox(db, 5, "+4471", packAscii("Hello there"), 1, "2026-03-04 15:06:07");
    addInbox(db, 6, "+4472", "0011", 2, "2026-03-05 01:02:03");
    addInbox(db, 7, "+4473", packAscii("not asked"), 1, "2026-03-05 01:02:03");
    const QDateTime now(QDate(2026, 12, 9), QTime(13, 5, 9));
    QByteArray bytes;
    QString error;
    // List order, not code order; a code that is gone is left out.
    ASSERT_TRUE(buildMessageLog(db, MessageFolder::Inbox, {6, 99, 5}, now, &bytes, &error));
    const QList<QStringList> inbox = readLog(bytes);
    ASSERT_EQ(inbox.size(), 4);
    EXPECT_EQ(inbox[0], QStringList{"Inbox Log created on 09/12/2026 01:05:09 PM"});
    EXPECT_EQ(inbox[1], (QStringList{"Date/Time", "From", "Message"}));
    EXPECT_EQ(inbox[2], (QStringList{"05/03/2026 01:02:03", "+4472", "<Ring Tone>"}));
    EXPECT_EQ(inbox[3], (QStringList{"04/03/2026 15:06:07", "+4471", "Hello there"}));

    addSent(db, 5, "+4481", packAscii("Sent fine"), 1, "2026-02-01 08:00:00", "C");
    addSent(db, 8, "+4482", "00410042", 5, "2026-02-02 09:00:00", "E");
    ASSERT_TRUE(buildMessageLog(db, MessageFolder::SentItems, {5, 8}, now, &bytes, &error));
    const QList<QStringList> sent = readLog(bytes);
    ASSERT_EQ(sent.size(), 4);
    EXPECT_EQ(sent[0], QStringList{"Sent Item Log created on 09/12/2026 01:05:09 PM"});
    EXPECT_EQ(sent[1], (QStringList{"Status", "Date/Time", "Sent To", "Message"}));
    EXPECT_EQ(sent[2], (QStringList{"OK", "01/02/2026 08:00:00", "+4481", "Sent fine"}));
    EXPECT_EQ(sent[3], (QStringList{"ERR", "02/02/2026 09:00:00", "+4482", "<Unicode Message>"}));
}

TEST(FolderActions, FileIsWrittenWholeOrNotAtAll)
{
    const QString dir = testenv::newDir("export");
    const QString path = dir + "/log.txt";
    QString error;
    ASSERT_TRUE(writeFileWhole(path, "first\r\n", &error)) << error.toStdString();
    ASSERT_TRUE(writeFileWhole(path, "second\r\n", &error));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("second\r\n"));
    // A folder that does not exist: the failure is reported.
    EXPECT_FALSE(writeFileWhole(dir + "/missing/log.txt", "x", &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(FolderActions, UserFoldersAddAndDeleteWithTheirMessages)
{
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    EXPECT_EQ(addUserFolder(db, NodeKind::Inbox, "   ").outcome, FolderAddOutcome::Blank);
    for (const char* n : {"12", "-3.5", "1,000", "1e3", "&H1F", "&o17"})
        EXPECT_EQ(addUserFolder(db, NodeKind::Inbox, n).outcome, FolderAddOutcome::Numeric) << n;
    const FolderAddResult work = addUserFolder(db, NodeKind::Inbox, "  Work ");
    ASSERT_EQ(work.outcome, FolderAddOutcome::Added);
    EXPECT_EQ(work.key, "InboxWork");
    EXPECT_EQ(addUserFolder(db, NodeKind::Inbox, "WORK").outcome, FolderAddOutcome::Exists);
    // The same name under Sent Items is a folder of its own.
    EXPECT_EQ(addUserFolder(db, NodeKind::SentItems, "Work").key, "SentItemsWork");
    EXPECT_EQ(addUserFolder(db, NodeKind::Inbox, QString(60, 'x')).key, "Inbox" + QString(40, 'x'));

    addInbox(db, 1, "+1", "", 1, "2026-01-01 00:00:00", "N", "InboxWork");
    addInbox(db, 2, "+1", "", 1, "2026-01-01 00:00:00", "N", "Inbox");
    addSent(db, 3, "+1", "", 1, "2026-01-01 00:00:00", "C", "SentItemsWork");
    QString error;
    ASSERT_TRUE(deleteUserFolder(db, NodeKind::InboxFolder, "InboxWork", &error)) << error.toStdString();
    EXPECT_EQ(count(db, "select count(*) from tbinbox"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue"), 1);
    EXPECT_EQ(count(db, "select count(*) from tboutlog"), 1);
    // A failed step leaves both tables as they were.
    ASSERT_TRUE(db.exec("create trigger stop before delete on tboutlog begin select raise(abort,'no'); end"));
    EXPECT_FALSE(deleteUserFolder(db, NodeKind::SentFolder, "SentItemsWork", &error));
    EXPECT_EQ(count(db, "select count(*) from tbsentitems"), 1);
    EXPECT_EQ(count(db, "select count(*) from tboutlog"), 1);
    EXPECT_FALSE(deleteUserFolder(db, NodeKind::Inbox, "Inbox", &error));
}

TEST(FolderActions, NodeShownAfterDelete)
{
    EXPECT_EQ(nodeAfterDelete(1, 0), -1);
    EXPECT_EQ(nodeAfterDelete(3, 2), 1);
    EXPECT_EQ(nodeAfterDelete(3, 0), 1);
    EXPECT_EQ(nodeAfterDelete(3, 1), 2);
}

TEST(FolderActions, MovesStayInTheirTableAndAreAllOrNothing)
{
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    addInbox(db, 4, "+1", "", 1, "2026-01-01 00:00:00");
    addSent(db, 4, "+2", "", 1, "2026-01-01 00:00:00", "C");
    addSent(db, 5, "+2", "", 1, "2026-01-01 00:00:00", "C");
    QString error;
    ASSERT_TRUE(moveMessages(db, MessageFolder::SentItems, "SentItemsOld", {4, 5}, &error));
    EXPECT_EQ(count(db, "select count(*) from tboutlog where msgfolder='SentItemsOld'"), 2);
    EXPECT_EQ(count(db, "select count(*) from tbinqueue where msgfolder='Inbox'"), 1);
    EXPECT_FALSE(moveMessages(db, MessageFolder::Outbox, "Inbox", {4}, &error));
    ASSERT_TRUE(db.exec("create trigger stop before update on tboutlog when old.msgcode=5 "
                        "begin select raise(abort,'no'); end"));
    EXPECT_FALSE(moveMessages(db, MessageFolder::SentItems, "SentItems", {4, 5}, &error));
    EXPECT_EQ(count(db, "select count(*) from tboutlog where msgfolder='SentItemsOld'"), 2);
}

TEST(FolderActions, SimImportAddsEntriesAndMemberships)
{
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    ASSERT_TRUE(db.exec("insert into tbaddrs (addrnam1, addrno) values ('Kept', '+2')"));
    ASSERT_TRUE(db.exec("insert into tbgrps (grpnam) values ('Team')"));
    QString error;
    QStringList skipped;
    ASSERT_TRUE(importSimEntries(db, {{"Ann", "+1"}, {"Bob", "+2"}}, "Team", &error, &skipped))
        << error.toStdString();
    EXPECT_EQ(skipped, QStringList{"+2"}); // already in the book
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 2);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrnam1='Kept'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Team'"), 2);
    ASSERT_TRUE(db.exec("create trigger stop before insert on tbaddrs when new.addrno='+4' "
                        "begin select raise(abort,'no'); end"));
    EXPECT_FALSE(importSimEntries(db, {{"Cy", "+3"}, {"Di", "+4"}}, QString(), &error));
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 2);
}
