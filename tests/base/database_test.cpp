// The message database: schema defaults, running numbers, bound values,
// transactions and the literal helpers.
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include "base/Database.h"
#include "support/TestEnv.h"

using testenv::FreshDb;

TEST(Schema, CreatesAllTablesWithShippedRows)
{
    FreshDb f;
    Database& db = f.db();
    ASSERT_TRUE(db.isOpen()) << db.lastError().toStdString();
    EXPECT_TRUE(db.created());
    const Recordset tables =
        db.query("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
    QStringList names;
    for (int i = 0; i < tables.size(); ++i)
        names << tables.value(i, 0).toString();
    EXPECT_EQ(names, QStringList({"tbaddrgrps", "tbaddrs", "tbcannedmsg", "tbgrps", "tbinbox",
                                  "tbindigest", "tbinqueue", "tbintemp", "tbipallowed", "tbnumbers", "tboperators",
                                  "tboutlog", "tboutqueue", "tbouttemp", "tbsecurity", "tbsentitems"}));
    const Recordset numbers = db.query("SELECT msgcode, incode, outcode FROM tbnumbers");
    ASSERT_EQ(numbers.size(), 1);
    EXPECT_EQ(numbers.value(0, 0).toLongLong(), 0);
    EXPECT_EQ(numbers.value(0, 1).toLongLong(), 0);
    EXPECT_EQ(numbers.value(0, 2).toLongLong(), 0);
    const Recordset sec = db.query("SELECT pwduser, pwdadmin FROM tbsecurity");
    ASSERT_EQ(sec.size(), 1);
    EXPECT_TRUE(sec.value(0, 0).isNull());
    EXPECT_TRUE(sec.value(0, 1).isNull());
    EXPECT_GT(db.query("SELECT COUNT(*) FROM tboperators").value(0, 0).toInt(), 100);
    EXPECT_EQ(QFileInfo(f.path()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);
    EXPECT_EQ(db.query("PRAGMA journal_mode").value(0, 0).toString(), "wal");
}

TEST(Schema, DefaultsFillLeftOutColumns)
{
    FreshDb f;
    Database& db = f.db();
    const QDateTime before = QDateTime::currentDateTime().addSecs(-2);

    ASSERT_TRUE(db.exec("INSERT INTO tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype) "
                        "VALUES (1, '+44', 'AB', 1, 0)"));
    Recordset in = db.query("SELECT msgcreated, msgstatus, msgfolder, msgresponded FROM tbinqueue");
    EXPECT_EQ(in.value(0, "msgstatus").toString(), "N");
    EXPECT_EQ(in.value(0, "msgfolder").toString(), "Inbox");
    EXPECT_EQ(in.value(0, "msgresponded").toInt(), 0);
    const QDateTime created = dbtime::fromDb(in.value(0, "msgcreated"));
    ASSERT_TRUE(created.isValid()) << in.value(0, "msgcreated").toString().toStdString();
    // Local time, not UTC.
    EXPECT_GE(created, before);
    EXPECT_LE(created, QDateTime::currentDateTime().addSecs(2));

    ASSERT_TRUE(db.exec("INSERT INTO tboutqueue (msgcode, msgno, msgtype, msgcontent) VALUES (1, '1', 1, 'AB')"));
    Recordset out = db.query("SELECT msgout, msgoutpri, msgcreated, msgstatus FROM tboutqueue");
    EXPECT_EQ(out.value(0, "msgoutpri").toInt(), 9);
    EXPECT_TRUE(dbtime::fromDb(out.value(0, "msgout")).isValid());
    EXPECT_TRUE(dbtime::fromDb(out.value(0, "msgcreated")).isValid());
    EXPECT_TRUE(out.value(0, "msgstatus").isNull());

    ASSERT_TRUE(db.exec("INSERT INTO tboutlog (msgcode, msgno, msgstatus) VALUES (1, '1', 'C')"));
    Recordset log = db.query("SELECT logcreated, msgfolder FROM tboutlog");
    EXPECT_EQ(log.value(0, "msgfolder").toString(), "SentItems");
    EXPECT_TRUE(dbtime::fromDb(log.value(0, "logcreated")).isValid());

    ASSERT_TRUE(db.exec("INSERT INTO tbipallowed (IP11) VALUES (127)"));
    EXPECT_EQ(db.query("SELECT IP21 + IP31 + IP41 + IP42 FROM tbipallowed").value(0, 0).toInt(), 0);
}

TEST(Schema, NamesAndKeysCompareWithoutCase)
{
    FreshDb f;
    Database& db = f.db();
    ASSERT_TRUE(db.exec("INSERT INTO tbgrps (grpnam) VALUES ('Sales')"));
    EXPECT_FALSE(db.exec("INSERT INTO tbgrps (grpnam) VALUES ('sales')"));
    EXPECT_EQ(db.query("SELECT COUNT(*) FROM tbgrps WHERE grpnam = ?", {"SALES"}).value(0, 0).toInt(), 1);
    ASSERT_TRUE(db.exec("INSERT INTO tbinqueue (msgcode, msgfolder) VALUES (5, 'InboxWork')"));
    EXPECT_EQ(db.query("SELECT COUNT(*) FROM tbinqueue WHERE msgfolder = ?", {"inboxwork"}).value(0, 0).toInt(), 1);
}

TEST(GetNextCode, CountsEachKindSeparately)
{
    FreshDb f;
    EXPECT_EQ(GetNextCode(f.db(), CodeOutbox), 1);
    EXPECT_EQ(GetNextCode(f.db(), CodeOutbox), 2);
    EXPECT_EQ(GetNextCode(f.db(), CodeInbox), 1);
    EXPECT_EQ(GetNextCode(f.db(), CodeSentItems), 1);
    EXPECT_EQ(GetNextCode(f.db(), 7), 0);
    const Recordset rs = f.db().query("SELECT msgcode, incode, outcode FROM tbnumbers");
    EXPECT_EQ(rs.value(0, 0).toLongLong(), 2);
    EXPECT_EQ(rs.value(0, 1).toLongLong(), 1);
    EXPECT_EQ(rs.value(0, 2).toLongLong(), 1);
}

TEST(GetNextCode, WrapsAfterTheLargestCode)
{
    FreshDb f;
    ASSERT_TRUE(f.db().exec("UPDATE tbnumbers SET msgcode = 999999999, incode = 999999998"));
    EXPECT_EQ(GetNextCode(f.db(), CodeOutbox), 1);
    EXPECT_EQ(f.db().query("SELECT msgcode FROM tbnumbers").value(0, 0).toLongLong(), 1);
    EXPECT_EQ(GetNextCode(f.db(), CodeInbox), 999999999);
    EXPECT_EQ(GetNextCode(f.db(), CodeInbox), 1);
}

TEST(GetNextCode, FailsWithMinusOneAndLeavesTheCounter)
{
    FreshDb f;
    ASSERT_TRUE(f.db().exec("UPDATE tbnumbers SET outcode = NULL"));
    EXPECT_EQ(GetNextCode(f.db(), CodeSentItems), -1);
    EXPECT_TRUE(f.db().query("SELECT outcode FROM tbnumbers").value(0, 0).isNull());
    ASSERT_TRUE(f.db().exec("DELETE FROM tbnumbers"));
    EXPECT_EQ(GetNextCode(f.db(), CodeOutbox), -1);
}

TEST(GetNextCode, InsideATransactionRollsBackWithIt)
{
    FreshDb f;
    {
        Transaction t(f.db());
        ASSERT_TRUE(t.ok());
        EXPECT_EQ(GetNextCode(f.db(), CodeOutbox), 1);
        // t goes out of scope without commit
    }
    EXPECT_EQ(GetNextCode(f.db(), CodeOutbox), 1);
}

TEST(BoundValues, SurviveApostrophesAndSqlFragments)
{
    FreshDb f;
    Database& db = f.db();
    const QString hostile = "O'Neil'); DROP TABLE tbaddrs; --";
    ASSERT_TRUE(db.exec("INSERT INTO tbaddrs (addrno, addrnam1) VALUES (?, ?)", {"+44'1", hostile}));
    const Recordset rs = db.query("SELECT addrnam1 FROM tbaddrs WHERE addrno = ?", {"+44'1"});
    ASSERT_EQ(rs.size(), 1);
    EXPECT_EQ(rs.value(0, 0).toString(), hostile);
    EXPECT_TRUE(db.query("SELECT COUNT(*) FROM tbaddrs").ok());
    // Non-ASCII text round-trips.
    ASSERT_TRUE(db.exec("UPDATE tbaddrs SET addrnam2 = ? WHERE addrno = ?", {QString::fromUtf8("José €"), "+44'1"}));
    EXPECT_EQ(db.query("SELECT addrnam2 FROM tbaddrs").value(0, 0).toString(), QString::fromUtf8("José €"));
    // A null QVariant is NULL, an empty string through NullIfEmpty too.
    ASSERT_TRUE(db.exec("UPDATE tbaddrs SET addreml = ?, addrco = ?", {QVariant(), NullIfEmpty("")}));
    const Recordset n = db.query("SELECT addreml IS NULL, addrco IS NULL FROM tbaddrs");
    EXPECT_EQ(n.value(0, 0).toInt(), 1);
    EXPECT_EQ(n.value(0, 1).toInt(), 1);
}

TEST(Database, ReportsFailureWithoutAMessage)
{
    FreshDb f;
    testenv::prompt().reset();
    ASSERT_TRUE(f.db().exec("INSERT INTO tboutqueue (msgcode) VALUES (1)"));
    EXPECT_FALSE(f.db().exec("INSERT INTO tboutqueue (msgcode) VALUES (1)"));
    EXPECT_FALSE(f.db().lastError().isEmpty());
    EXPECT_FALSE(f.db().exec("this is not sql"));
    EXPECT_EQ(testenv::prompt().count(), 0);
    EXPECT_FALSE(f.db().query("SELECT nothing FROM nowhere").ok());
}

TEST(Transactions, NestAsSavepoints)
{
    FreshDb f;
    Database& db = f.db();
    {
        Transaction outer(db);
        ASSERT_TRUE(outer.ok());
        ASSERT_TRUE(db.exec("INSERT INTO tbgrps VALUES ('a')"));
        {
            Transaction inner(db);
            ASSERT_TRUE(inner.ok());
            ASSERT_TRUE(db.exec("INSERT INTO tbgrps VALUES ('b')"));
            inner.rollback();
        }
        EXPECT_TRUE(db.inTransaction());
        ASSERT_TRUE(outer.commit());
    }
    EXPECT_FALSE(db.inTransaction());
    const Recordset rs = db.query("SELECT grpnam FROM tbgrps");
    ASSERT_EQ(rs.size(), 1);
    EXPECT_EQ(rs.value(0, 0).toString(), "a");
}

TEST(Literals, HelpersKeepTheirMeaning)
{
    EXPECT_EQ(NullToEmpty(QVariant()), "");
    EXPECT_EQ(NullToEmpty(5), "5");
}

TEST(Database, ReopensAnExistingFileWithoutTouchingIt)
{
    FreshDb f;
    ASSERT_TRUE(f.db().exec("INSERT INTO tbgrps VALUES ('kept')"));
    f.db().close();
    ASSERT_TRUE(f.db().open(f.path()));
    EXPECT_FALSE(f.db().created());
    EXPECT_EQ(f.db().query("SELECT COUNT(*) FROM tbgrps").value(0, 0).toInt(), 1);
}

// Another program holds the write lock: a statement gives up after a short
// wait and says it was the lock, so that the caller tries again later
// instead of freezing the window or blaming the data.
TEST(Database, AHeldLockEndsAStatementQuicklyAndIsToldApartFromARealError)
{
    FreshDb f;
    Database& db = f.db();
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(f.path()).constData(), &other, SQLITE_OPEN_READWRITE, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    db.resetBusyWaitStatistics();
    for (int i = 0; i < 5; ++i) {
        EXPECT_FALSE(db.exec("INSERT INTO tbgrps VALUES (?)", {QStringLiteral("g%1").arg(i)}));
        EXPECT_TRUE(db.lastWasBusy());
    }
    EXPECT_FALSE(db.begin());
    EXPECT_TRUE(db.lastWasBusy());
    // Counted by the database's own wait, not by the clock of a busy
    // machine: a little over the limit, never the seconds it used to be.
    EXPECT_GT(db.longestBusyWaitMs(), 0);
    EXPECT_LT(db.longestBusyWaitMs(), 1000);
    // Reading goes on meanwhile.
    EXPECT_TRUE(db.query("SELECT COUNT(*) FROM tbgrps").ok());
    EXPECT_FALSE(db.lastWasBusy());

    sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    ASSERT_TRUE(db.exec("INSERT INTO tbgrps VALUES ('a')"));
    EXPECT_FALSE(db.exec("INSERT INTO tbgrps VALUES ('A')")); // the key, not the lock
    EXPECT_FALSE(db.lastWasBusy());
    EXPECT_FALSE(db.exec("SELECT nosuchcolumn FROM tbgrps"));
    EXPECT_FALSE(db.lastWasBusy());
}
