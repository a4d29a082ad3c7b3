// The tidy at start: purge cut-offs, incomplete parts, renumbering, the
// backup copy and the compaction. The backup is read back with SQLite's own
// interface, apart from the program's database wrapper.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "base/Clock.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "base/UserPrompt.h"
#include "housekeeping/Housekeeping.h"
#include "support/TestEnv.h"

namespace {

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime t) : t_(std::move(t)) {}
    QDateTime now() const override { return t_; }

private:
    QDateTime t_;
};

void exec(Database& db, const QString& sql, const QVariantList& binds = {})
{
    ASSERT_TRUE(db.exec(sql, binds)) << sql.toStdString() << ": " << db.lastError().toStdString();
}

void inbox(Database& db, const QVariant& code, const QString& created, const QString& text = "x")
{
    exec(db, "INSERT INTO tbinqueue (msgcode, msgfrom, msgcontent, msgtype, msgreqtype, msgcreated) "
             "VALUES (?, '+4470', ?, 1, 0, ?)",
         {code, text, created});
}

void sent(Database& db, qint64 code, const QString& logged, const QString& text = "x")
{
    exec(db, "INSERT INTO tboutlog (msgcode, msgno, msgtype, msgcontent, msgstatus, logcreated) "
             "VALUES (?, '+4471', 1, ?, 'C', ?)",
         {code, text, logged});
}

void outbox(Database& db, qint64 code, const QString& text)
{
    exec(db, "INSERT INTO tboutqueue (msgcode, msgno, msgtype, msgcontent) VALUES (?, '+4472', 1, ?)", {code, text});
}

QStringList column(Database& db, const QString& sql)
{
    QStringList out;
    const Recordset rs = db.query(sql);
    for (int r = 0; r < rs.size(); ++r) {
        QStringList row;
        for (int c = 0; c < rs.columns().size(); ++c)
            row << (rs.value(r, c).isNull() ? QStringLiteral("NULL") : rs.value(r, c).toString());
        out << row.join('|');
    }
    return out;
}

// Every row of every table of a database file, read with SQLite's C
// interface: "table: v1|v2|...", in the file's row order.
QStringList dumpFile(const QString& path)
{
    QStringList out;
    sqlite3* h = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &h, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(h);
        return {"cannot open " + path};
    }
    QStringList tables;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(h, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", -1, &s, nullptr);
    while (sqlite3_step(s) == SQLITE_ROW)
        tables << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
    sqlite3_finalize(s);
    for (const QString& t : tables) {
        const QByteArray sql = "SELECT * FROM " + t.toUtf8() + " ORDER BY rowid";
        if (sqlite3_prepare_v2(h, sql.constData(), -1, &s, nullptr) != SQLITE_OK) {
            out << t + ": unreadable";
            continue;
        }
        while (sqlite3_step(s) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(s); ++c) {
                const auto* v = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
                row << (v ? QString::fromUtf8(v) : QStringLiteral("NULL"));
            }
            out << t + ": " + row.join('|');
        }
        sqlite3_finalize(s);
    }
    sqlite3_close(h);
    return out;
}

struct Tidy : ::testing::Test {
    testenv::FreshDb f;
    ScriptedPrompt& prompt = testenv::prompt();
    QString backup;
    void SetUp() override
    {
        prompt.reset();
        Settings::clear();
        backup = QDir(f.dir()).filePath("data-backup.db");
    }
};

} // namespace

TEST(PurgeCutoff, MidnightOfTheDayThatManyDaysBack)
{
    EXPECT_EQ(housekeeping::purgeCutoff(QDate(2024, 3, 10), 7), QDateTime(QDate(2024, 3, 3), QTime(0, 0)));
    // Across a leap day and a year end.
    EXPECT_EQ(housekeeping::purgeCutoff(QDate(2024, 3, 1), 1), QDateTime(QDate(2024, 2, 29), QTime(0, 0)));
    EXPECT_EQ(housekeeping::purgeCutoff(QDate(2025, 1, 2), 3), QDateTime(QDate(2024, 12, 30), QTime(0, 0)));
    EXPECT_FALSE(housekeeping::purgeCutoff(QDate(2024, 3, 10), 0).isValid());
    EXPECT_FALSE(housekeeping::purgeCutoff(QDate(2024, 3, 10), -5).isValid());
    // A count beyond the calendar keeps everything rather than failing.
    EXPECT_FALSE(housekeeping::purgeCutoff(QDate(2024, 3, 10), 2147483647).isValid());
}

TEST_F(Tidy, PurgeTakesWhatWasStoredAtOrBeforeTheCutoff)
{
    Database& db = f.db();
    inbox(db, 1, "2024-03-02 23:59:59");
    inbox(db, 2, "2024-03-03 00:00:00");
    inbox(db, 3, "2024-03-03 00:00:01");
    inbox(db, 4, "2024-03-10 08:00:00");
    sent(db, 1, "2024-03-06 23:00:00");
    sent(db, 2, "2024-03-07 00:00:00");
    sent(db, 3, "2024-03-07 12:00:00");
    exec(db, "INSERT INTO tbintemp (msgfrom, msgcontent, msgtype, msgreqtype) VALUES ('+1', '0504158A', 4, 0)");

    housekeeping::purge(db, QDate(2024, 3, 10), 7, 3);
    EXPECT_EQ(column(db, "SELECT msgcode FROM tbinqueue ORDER BY msgcode"), QStringList({"3", "4"}));
    EXPECT_EQ(column(db, "SELECT msgcode FROM tboutlog ORDER BY msgcode"), QStringList({"3"}));
    EXPECT_EQ(column(db, "SELECT COUNT(*) FROM tbintemp"), QStringList({"0"}));
}

// Waiting parts were acknowledged when they were kept: a restart keeps a
// set that may still be completed, and drops only those that waited a week
// or that carry no arrival time.
TEST_F(Tidy, WaitingPartsSurviveARestartUntilTheyAreAWeekOld)
{
    Database& db = f.db();
    const auto part = [&](const char* from, const QVariant& received) {
        ASSERT_TRUE(db.exec(QStringLiteral("INSERT INTO tbintemp (msgfrom, msgcontent, msgtype, msgreqtype, msgreceived) "
                                           "VALUES (?, '0504158A', 4, 0, ?)"),
                            {QString::fromLatin1(from), received}));
    };
    part("+1", QStringLiteral("2024-03-09 23:00:00"));
    part("+2", QStringLiteral("2024-03-03 00:00:01"));
    part("+3", QStringLiteral("2024-03-03 00:00:00"));
    part("+4", QStringLiteral("2024-02-01 12:00:00"));
    part("+5", QVariant());
    housekeeping::purge(db, QDate(2024, 3, 10), 0, 0);
    EXPECT_EQ(column(db, "SELECT msgfrom FROM tbintemp ORDER BY msgfrom"), QStringList({"+1", "+2"}));
}

TEST_F(Tidy, NoRetentionKeepsEveryMessageButDropsIncompleteParts)
{
    Database& db = f.db();
    inbox(db, 1, "1999-01-01 00:00:00");
    sent(db, 1, "1999-01-01 00:00:00");
    exec(db, "INSERT INTO tbintemp (msgfrom, msgcontent, msgtype, msgreqtype) VALUES ('+1', '05041581', 2, 0)");
    housekeeping::purge(db, QDate(2024, 3, 10), 0, 0);
    EXPECT_EQ(column(db, "SELECT COUNT(*) FROM tbinqueue"), QStringList({"1"}));
    EXPECT_EQ(column(db, "SELECT COUNT(*) FROM tboutlog"), QStringList({"1"}));
    EXPECT_EQ(column(db, "SELECT COUNT(*) FROM tbintemp"), QStringList({"0"}));
}

TEST_F(Tidy, RenumberingKeepsTheOrderAndSetsTheCounters)
{
    Database& db = f.db();
    inbox(db, 12, "2024-01-01 00:00:00", "twelve");
    inbox(db, 3, "2024-01-02 00:00:00", "three");
    inbox(db, 7, "2024-01-03 00:00:00", "seven");
    // Codes that the new ones run into: 1 and 2 are taken until renumbered.
    outbox(db, 2, "two");
    outbox(db, 1000000, "million");
    outbox(db, 1, "one");
    exec(db, "UPDATE tbnumbers SET incode = 12, msgcode = 1000000, outcode = 55");

    EXPECT_EQ(housekeeping::renumber(db, housekeeping::kCodeTables[0]), 3);
    EXPECT_EQ(housekeeping::renumber(db, housekeeping::kCodeTables[1]), 3);
    EXPECT_EQ(housekeeping::renumber(db, housekeeping::kCodeTables[2]), 0);
    EXPECT_EQ(column(db, "SELECT msgcode, msgcontent FROM tbinqueue ORDER BY msgcode"),
              QStringList({"1|three", "2|seven", "3|twelve"}));
    EXPECT_EQ(column(db, "SELECT msgcode, msgcontent FROM tboutqueue ORDER BY msgcode"),
              QStringList({"1|one", "2|two", "3|million"}));
    // The empty table's counter starts again from 0.
    EXPECT_EQ(column(db, "SELECT incode, msgcode, outcode FROM tbnumbers"), QStringList({"3|3|0"}));
    // The next received message gets code 4.
    EXPECT_EQ(GetNextCode(db, CodeInbox), 4);
}

TEST_F(Tidy, ARowWithoutACodeGetsOneToo)
{
    Database& db = f.db();
    inbox(db, 5, "2024-01-01 00:00:00", "five");
    inbox(db, QVariant(), "2024-01-02 00:00:00", "none");
    inbox(db, 1, "2024-01-03 00:00:00", "one");
    EXPECT_EQ(housekeeping::renumber(db, housekeeping::kCodeTables[0]), 3);
    EXPECT_EQ(column(db, "SELECT msgcode, msgcontent FROM tbinqueue ORDER BY msgcode"),
              QStringList({"1|none", "2|one", "3|five"}));
}

TEST_F(Tidy, AFailedRenumberingChangesNothingAndEndsTheTidy)
{
    Database& db = f.db();
    sent(db, 40, "2024-01-01 00:00:00");
    sent(db, 50, "2024-01-01 00:00:00");
    exec(db, "UPDATE tbnumbers SET outcode = 50");
    exec(db, "CREATE TRIGGER no_renumber BEFORE UPDATE OF msgcode ON tboutlog "
             "WHEN NEW.msgcode > 0 BEGIN SELECT RAISE(ABORT, 'refused'); END");
    QString error;
    EXPECT_EQ(housekeeping::renumber(db, housekeeping::kCodeTables[2], &error), -1);
    EXPECT_TRUE(error.contains("refused")) << error.toStdString();
    EXPECT_EQ(column(db, "SELECT msgcode FROM tboutlog ORDER BY msgcode"), QStringList({"40", "50"}));
    EXPECT_EQ(column(db, "SELECT outcode FROM tbnumbers"), QStringList({"50"}));
    EXPECT_FALSE(db.inTransaction());

    FixedClock clock(QDateTime(QDate(2024, 3, 10), QTime(9, 0)));
    EXPECT_FALSE(MaintainDatabase(db, prompt, clock, backup));
    ASSERT_EQ(prompt.count(), 1);
    EXPECT_EQ(prompt.shown()[0].text, "Database Error");
    EXPECT_EQ(prompt.shown()[0].title, "Error");
    EXPECT_EQ(prompt.shown()[0].icon, UserPrompt::Icon::Critical);
    EXPECT_FALSE(QFile::exists(backup));
}

TEST_F(Tidy, BackupHoldsTheTidiedStateAndReplacesTheOldOne)
{
    Database& db = f.db();
    Settings::save("SettingInbox", 30);
    inbox(db, 9, "2024-01-01 00:00:00", "old enough to go");
    inbox(db, 20, "2024-03-01 10:00:00", "kept");
    inbox(db, 31, "2024-03-09 10:00:00", "kept too");
    outbox(db, 77, "waiting");
    sent(db, 5, "2023-01-01 00:00:00", "kept, no retention for sent");
    exec(db, "UPDATE tbsecurity SET pwduser = 'o''brien'");
    // Bulk that the compaction gives back.
    for (int i = 0; i < 200; ++i)
        exec(db, "INSERT INTO tbintemp (msgfrom, msgcontent) VALUES (?, ?)", {QString::number(i), QString(2000, 'A')});

    // A backup from an earlier start, and a copy an interrupted one left.
    {
        QFile old(backup);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("an older backup");
        QFile stale(backup + ".tmp");
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
        stale.write("half a copy");
    }
    const QString live = f.path();
    db.query("PRAGMA wal_checkpoint(TRUNCATE)");
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(live).constData(), &before), 0);

    FixedClock clock(QDateTime(QDate(2024, 3, 10), QTime(9, 0)));
    ASSERT_TRUE(MaintainDatabase(db, prompt, clock, backup)) << prompt.shown().value(0).text.toStdString();
    EXPECT_EQ(prompt.count(), 0);

    const QStringList copy = dumpFile(backup);
    EXPECT_TRUE(copy.contains("tbinqueue: 1|+4470|kept|1|0|2024-03-01 10:00:00|N|Inbox|0")) << copy.join('\n').toStdString();
    EXPECT_TRUE(copy.contains("tbinqueue: 2|+4470|kept too|1|0|2024-03-09 10:00:00|N|Inbox|0"));
    EXPECT_TRUE(copy.contains("tboutqueue: 1|+4472|1|waiting|" + column(db, "SELECT msgout FROM tboutqueue")[0] +
                              "|9|" + column(db, "SELECT msgcreated FROM tboutqueue")[0] + "|NULL"));
    EXPECT_TRUE(copy.contains("tbnumbers: 1|2|1"));
    EXPECT_TRUE(copy.contains("tbsecurity: o'brien|NULL"));
    EXPECT_FALSE(copy.join('\n').contains("old enough to go"));
    EXPECT_FALSE(copy.join('\n').contains("tbintemp:"));
    // The live file holds the same rows after its compaction.
    db.query("PRAGMA wal_checkpoint(TRUNCATE)");
    EXPECT_EQ(dumpFile(live), copy);

    EXPECT_FALSE(QFile::exists(backup + ".tmp"));
    EXPECT_EQ(QFileInfo(backup).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());
    // Compacted in place: the same file, never renamed away, now smaller.
    struct stat after {};
    ASSERT_EQ(::stat(QFile::encodeName(live).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_LT(after.st_size, before.st_size);
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(GetNextCode(db, CodeInbox), 3);
}

TEST_F(Tidy, AFailedBackupLeavesTheDatabaseAndTheOldBackup)
{
    Database& db = f.db();
    inbox(db, 4, "2024-03-01 10:00:00", "kept");
    const QString nowhere = QDir(f.dir()).filePath("missing/data-backup.db");
    FixedClock clock(QDateTime(QDate(2024, 3, 10), QTime(9, 0)));
    EXPECT_FALSE(MaintainDatabase(db, prompt, clock, nowhere));
    ASSERT_EQ(prompt.count(), 1);
    EXPECT_EQ(prompt.shown()[0].title, "Error");
    EXPECT_TRUE(prompt.shown()[0].text.contains("missing")) << prompt.shown()[0].text.toStdString();
    EXPECT_TRUE(db.isOpen());
    EXPECT_EQ(column(db, "SELECT msgcode, msgcontent FROM tbinqueue"), QStringList({"1|kept"}));
}
