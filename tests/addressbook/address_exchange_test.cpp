// The address book's text files: the export, the import with its log, and
// the round trip. Files are read and written here by code of the test's
// own; the expected logs are written out line by line.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include "remote/QtPrint.h"

#include "addressbook/AddressExchange.h"
#include "base/Database.h"
#include "mainwindow/Seed.h"
#include "support/TestEnv.h"

namespace {

const char* const kColumns[17] = {"addrslt", "addrnam1", "addrnam2", "addrno",  "addreml", "addrstaddr",
                                  "addrpcd", "addrctn",  "addrcte",  "addrfax", "addrco",  "addrdpt",
                                  "addrttl", "addrrem",  "addrf1",   "addrf2",  "addrf3"};

QByteArray readBytes(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

// The export file as records of fields: every record must end in CR LF and
// hold exactly 17 fields.
QList<QStringList> readExport(const QByteArray& bytes)
{
    QList<QStringList> out;
    const QString text = QString::fromUtf8(bytes);
    EXPECT_TRUE(text.isEmpty() || text.endsWith("\r\n"));
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains('\r') || line.contains('\n')) << line.toStdString();
        const QStringList fields = line.split('\t');
        EXPECT_EQ(fields.size(), 17) << line.toStdString();
        out << fields;
    }
    return out;
}

// Every address row, all 17 columns, ordered by number; NULL as "<null>".
QList<QStringList> book(Database& db)
{
    QStringList cols;
    for (const char* c : kColumns)
        cols << c;
    const Recordset rs = db.query(QStringLiteral("select %1 from tbaddrs order by addrno").arg(cols.join(',')));
    EXPECT_TRUE(rs.ok()) << rs.error().toStdString();
    QList<QStringList> out;
    for (const QVariantList& row : rs.rows()) {
        QStringList r;
        for (const QVariant& v : row)
            r << (v.isNull() ? QStringLiteral("<null>") : v.toString());
        out << r;
    }
    return out;
}

QStringList members(Database& db, const QString& group)
{
    QStringList out;
    for (const auto& row : db.query("select addrno from tbaddrgrps where grpnam=? order by addrno", {group}).rows())
        out << row[0].toString();
    return out;
}

QString logText(const QStringList& records, bool ended = true)
{
    QString out = "Rec No\tStatus\tRemark\r\n------\t------\t------\r\n";
    for (const QString& r : records)
        out += r + "\r\n";
    if (ended)
        out += "--- End of Log ---\r\n";
    return out;
}

addrx::Mapping identity()
{
    addrx::Mapping m{};
    for (int i = 0; i < 17; ++i)
        m[size_t(i)] = i + 1;
    return m;
}

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testenv::prompt().reset();
        dir = testenv::newDir("exchange");
        logPath = QDir(dir).filePath("import.log");
    }
    QString file(const QString& name) const { return QDir(dir).filePath(name); }

    addrx::ImportResult import(const QByteArray& bytes, addrx::ImportOptions o)
    {
        const QString path = file("in.csv");
        writeBytes(path, bytes);
        o.file = path;
        return addrx::importFile(db, o, logPath);
    }
    QString log() const { return QString::fromUtf8(readBytes(logPath)); }

    testenv::FreshDb f;
    Database& db = f.db();
    QString dir, logPath;
};

void fullRow(Database& db, const QStringList& values)
{
    QStringList cols, marks;
    QVariantList binds;
    for (int i = 0; i < 17; ++i) {
        cols << kColumns[i];
        marks << "?";
        binds << NullIfEmpty(values.value(i));
    }
    seed::exec(db, QStringLiteral("insert into tbaddrs (%1) values (%2)").arg(cols.join(','), marks.join(',')), binds);
}

} // namespace

// ------------------------------------------------------------ export

TEST_F(ExchangeTest, ExportWritesFullRowsInTheOrderGiven)
{
    seed::address(db, "+441", "Ann", "");
    fullRow(db, {"Dr", "Bob", "Ray", "+442", "b@x.org", "1 Main St\r\nLeeds\tLS1", "LS1", "0113", "22", "0114",
                 "Acme", "Sales", "Boss", "likes\ntea\rand cake", "f1", "f2", "f3"});
    const QString path = file("out.txt");
    ASSERT_TRUE(addrx::exportAddresses(db, testenv::prompt(), {"+442", "+441", "+gone"}, path));

    const QByteArray bytes = readBytes(path);
    // A first name and a number only: a TAB, the name, two TABs, the
    // number, 13 TABs, CR LF.
    EXPECT_TRUE(bytes.endsWith(QByteArray("\tAnn\t\t+441") + QByteArray(13, '\t') + "\r\n"));
    const QList<QStringList> records = readExport(bytes);
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[0], (QStringList{"Dr", "Bob", "Ray", "+442", "b@x.org", "1 Main St Leeds LS1", "LS1", "0113",
                                       "22", "0114", "Acme", "Sales", "Boss", "likes tea and cake", "f1", "f2", "f3"}));
    EXPECT_EQ(records[1][1], "Ann");
    EXPECT_EQ(records[1][3], "+441");
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Export completed");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Note");
    EXPECT_EQ(testenv::prompt().shown()[0].icon, UserPrompt::Icon::Information);
}

TEST_F(ExchangeTest, ExportAsksBeforeReplacingAndReportsFailuresNotSuccess)
{
    seed::address(db, "+441", "Ann", "");
    const QString path = file("old.txt");
    writeBytes(path, "keep me");

    testenv::prompt().queue(UserPrompt::Answer::Cancel);
    EXPECT_FALSE(addrx::exportAddresses(db, testenv::prompt(), {"+441"}, path));
    EXPECT_EQ(readBytes(path), QByteArray("keep me"));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].text, "Overwrite existing file?");
    EXPECT_EQ(testenv::prompt().shown()[0].title, "File already exists");
    EXPECT_EQ(testenv::prompt().shown()[0].buttons, UserPrompt::Buttons::OkCancel);

    testenv::prompt().reset();
    testenv::prompt().queue(UserPrompt::Answer::Ok);
    EXPECT_TRUE(addrx::exportAddresses(db, testenv::prompt(), {"+441"}, path));
    EXPECT_EQ(readBytes(path), QByteArray("\tAnn\t\t+441") + QByteArray(13, '\t') + "\r\n");

    // A file that cannot be written: the error, never "Export completed".
    testenv::prompt().reset();
    EXPECT_FALSE(addrx::exportAddresses(db, testenv::prompt(), {"+441"}, file("no/such/dir/x.txt")));
    ASSERT_EQ(testenv::prompt().count(), 1);
    EXPECT_EQ(testenv::prompt().shown()[0].title, "Error");
    EXPECT_FALSE(testenv::prompt().sawText("Export completed"));

    // A database error halfway leaves the old file as it was.
    testenv::prompt().reset();
    testenv::prompt().queue(UserPrompt::Answer::Ok);
    seed::exec(db, "drop table tbaddrs");
    EXPECT_FALSE(addrx::exportAddresses(db, testenv::prompt(), {"+441"}, path));
    EXPECT_EQ(readBytes(path), QByteArray("\tAnn\t\t+441") + QByteArray(13, '\t') + "\r\n");
    EXPECT_EQ(testenv::prompt().shown().last().title, "Error");
    EXPECT_FALSE(testenv::prompt().sawText("Export completed"));
}

// ------------------------------------------------------------ round trip

TEST_F(ExchangeTest, ExportThenImportGivesTheSameBook)
{
    fullRow(db, {"Dr", "Bob", "Ray", "+442", "b@x.org", "1 Main St", "LS1", "0113", "22", "0114", "Acme", "Sales",
                 "Boss", "likes tea", "f1", "f2", "f3"});
    fullRow(db, {"", QString::fromUtf8("Zoë"), QString::fromUtf8("Ørsted"), "+443", "", "", "", "", "", "", "", "",
                 "", QString::fromUtf8("€ 5 “quoted” mid"), "", "", "x"});
    seed::address(db, "+441", "Ann", "");
    seed::address(db, "0044 1", " Cy ", "O\"Neil");
    const QList<QStringList> before = book(db);
    const QString path = file("book.txt");
    ASSERT_TRUE(addrx::exportAddresses(db, testenv::prompt(), {"+441", "+442", "+443", "0044 1"}, path));

    seed::exec(db, "delete from tbaddrs");
    addrx::ImportOptions o;
    o.file = path;
    o.skipHeader = false;
    o.mapping = identity();
    const addrx::ImportResult r = addrx::importFile(db, o, logPath);
    EXPECT_FALSE(r.aborted) << r.error.toStdString();
    EXPECT_EQ(r.total, 4);
    EXPECT_EQ(r.imported, 4);
    EXPECT_TRUE(r.inserted);
    EXPECT_EQ(book(db), before);
    EXPECT_EQ(log(), logText({"0000001\tOK      ", "0000002\tOK      ", "0000003\tOK      ", "0000004\tOK      "}));
}

// ------------------------------------------------------------ import

TEST_F(ExchangeTest, TrickyFileGivesTheExactLog)
{
    seed::address(db, "+449", "Old", "Row");
    seed::group(db, "Sales");
    seed::member(db, "Sales", "+449");
    seed::member(db, "Work", "+449");
    // A BOM, a heading line, LF and CR line ends, quotes with separators,
    // a blank line, short records, a long number with blanks around it.
    QByteArray bytes = "\xEF\xBB\xBF" "Name,Number,Notes\r\n";
    bytes += "\"Lee, Ann\",+441,\"tab\there\"\n";             // 1 OK
    bytes += "Bob,\"+442\"\r";                                 // 2 OK, no notes field
    bytes += "\r\n";                                           // blank: no record
    bytes += "Cy,   ,x\r\n";                                   // 3 number blank
    bytes += "   ,+443\r\n";                                   // 4 first name blank
    bytes += "Ann again,+441\r\n";                             // 5 duplicate, replaced
    bytes += "Dee,  +4412345678901234567890123  \r\n";          // 6 cut to 20
    bytes += "Ed\r\n";                                         // 7 short: number missing
    bytes += "\"Fay \"\"F\"\"\",+449";                         // 8 replaces, last line unended
    addrx::ImportOptions o;
    o.group = "Sales";
    o.mapping[1] = 1;  // first name
    o.mapping[3] = 2;  // mobile number
    o.mapping[13] = 3; // remark
    const addrx::ImportResult r = import(bytes, o);
    ASSERT_FALSE(r.aborted) << r.error.toStdString();
    EXPECT_EQ(log(), logText({
                         "0000001\tOK      ",
                         "0000002\tOK      ",
                         "0000003\tFailed\t(Mobile Number is blank)",
                         "0000004\tFailed\t(First Name is blank)",
                         "0000005\tOK      ",
                         "0000006\tOK      (One or more fields truncated)",
                         "0000007\tFailed\t(Mobile Number is blank)",
                         "0000008\tOK      ",
                     }));
    EXPECT_EQ(r.total, 8);
    EXPECT_EQ(r.imported, 5);
    EXPECT_EQ(r.skipped, 0);
    EXPECT_EQ(r.failed, 3);
    EXPECT_EQ(r.summaryText(),
              "Total: 8\r\nImported: 5\r\nSkipped: 0\r\nFailed: 3\r\n\r\nClick Yes to view the log file");

    const QList<QStringList> rows = book(db);
    ASSERT_EQ(rows.size(), 4);
    auto row = [&](const QString& number) {
        for (const QStringList& r : rows)
            if (r[3] == number)
                return r;
        return QStringList();
    };
    EXPECT_EQ(row("+441")[1], "Ann again");
    EXPECT_EQ(row("+441")[13], "<null>");  // replaced whole: the new record had no notes
    EXPECT_EQ(row("+442")[1], "Bob");
    EXPECT_EQ(row("+4412345678901234567")[1], "Dee");
    EXPECT_EQ(row("+449")[1], "Fay \"F\"");
    EXPECT_EQ(row("+449")[2], "<null>");
    // Every imported number is in the group once; the replaced row kept its
    // memberships.
    EXPECT_EQ(members(db, "Sales"), (QStringList{"+441", "+4412345678901234567", "+442", "+449"}));
    EXPECT_EQ(members(db, "Work"), (QStringList{"+449"}));
    // The TAB inside quotes stayed in the value of record 1 until record 5
    // replaced it; check it with a fresh import of that line alone.
    seed::exec(db, "delete from tbaddrs");
    o.skipHeader = false;
    import("\"Lee, Ann\",+441,\"tab\there\"", o);
    EXPECT_EQ(book(db)[0][1], "Lee, Ann");
    EXPECT_EQ(book(db)[0][13], "tab\there");
}

TEST_F(ExchangeTest, SkipKeepsTheStoredRowAndCutNumbersAreFoundAsDuplicates)
{
    seed::address(db, "+4412345678901234567", "Stored", "");
    seed::address(db, "+441", "Ann", "");
    addrx::ImportOptions o;
    o.replace = false;
    o.skipHeader = false;
    o.mapping[1] = 2;
    o.mapping[3] = 1;
    // The untrimmed, uncut numbers are duplicates once trimmed and cut.
    const addrx::ImportResult r =
        import("+4412345678901234567999\tLong\r\n +441 \tAnn2\r\n+445\tNew\r\n", o);
    EXPECT_EQ(log(), logText({"0000001\tSkipped\t(Duplicate record)", "0000002\tSkipped\t(Duplicate record)",
                              "0000003\tOK      "}));
    EXPECT_EQ(r.skipped, 2);
    EXPECT_EQ(r.imported, 1);
    EXPECT_EQ(book(db).size(), 3);
    EXPECT_EQ(db.query("select addrnam1 from tbaddrs where addrno='+441'").value(0, 0).toString(), "Ann");

    // Replace with the long number: the cut one is replaced, not doubled.
    o.replace = true;
    import("+4412345678901234567999\tLong\r\n", o);
    EXPECT_EQ(log(), logText({"0000001\tOK      (One or more fields truncated)"}));
    EXPECT_EQ(db.query("select addrnam1 from tbaddrs where addrno='+4412345678901234567'").value(0, 0).toString(),
              "Long");
    EXPECT_EQ(book(db).size(), 3);
}

TEST_F(ExchangeTest, HeaderOnlyAndReimportIntoTheSameGroup)
{
    addrx::ImportOptions o;
    o.mapping[1] = 1;
    o.mapping[3] = 2;
    addrx::ImportResult r = import("First,Mobile", o);
    EXPECT_EQ(r.total, 0);
    EXPECT_EQ(log(), logText({}));

    seed::group(db, "Club");
    o.group = "Club";
    o.skipHeader = false;
    r = import("Ann,+441\nBob,+442\n", o);
    EXPECT_EQ(r.imported, 2);
    r = import("Ann,+441\nBob,+442\n", o);
    EXPECT_EQ(r.imported, 2);
    EXPECT_EQ(r.failed, 0);
    EXPECT_EQ(log(), logText({"0000001\tOK      ", "0000002\tOK      "}));
    EXPECT_EQ(members(db, "Club"), (QStringList{"+441", "+442"}));
}

TEST_F(ExchangeTest, RefusedStatementsFailTheirRecordOnly)
{
    seed::group(db, "G");
    seed::address(db, "+443", "Keep", "");
    seed::exec(db, "create trigger no_insert before insert on tbaddrs when new.addrno='+441' "
                   "begin select raise(abort, 'refused'); end");
    seed::exec(db, "create trigger no_member before insert on tbaddrgrps when new.addrno='+442' "
                   "begin select raise(abort, 'refused'); end");
    seed::exec(db, "create trigger no_delete before delete on tbaddrs when old.addrno='+443' "
                   "begin select raise(abort, 'refused'); end");
    addrx::ImportOptions o;
    o.group = "G";
    o.skipHeader = false;
    o.mapping[1] = 1;
    o.mapping[3] = 2;
    o.mapping[2] = 3;  // last name, cut to 255
    const QByteArray longName(300, 'x');
    const addrx::ImportResult r =
        import("A,+441,\r\nB,+442," + longName + "\r\nC,+443,\r\nD,+444," + longName + "\r\n", o);
    EXPECT_EQ(log(), logText({"0000001\tFailed  ", "0000002\tFailed  (One or more fields truncated)",
                              "0000003\tFailed\t", "0000004\tOK      (One or more fields truncated)"}));
    EXPECT_EQ(r.failed, 3);
    EXPECT_EQ(r.imported, 1);
    // The address row of the refused membership went back with it.
    EXPECT_EQ(book(db).size(), 2);
    EXPECT_EQ(db.query("select addrnam1 from tbaddrs where addrno='+443'").value(0, 0).toString(), "Keep");
    EXPECT_EQ(db.query("select length(addrnam2) from tbaddrs where addrno='+444'").value(0, 0).toInt(), 255);
    EXPECT_EQ(members(db, "G"), QStringList{"+444"});
}

TEST_F(ExchangeTest, ADatabaseErrorStopsTheImportWithoutEndLine)
{
    addrx::ImportOptions o;
    o.skipHeader = false;
    o.mapping[1] = 1;
    o.mapping[3] = 2;
    addrx::ImportResult r = import("A,+441\r\n", o);
    ASSERT_EQ(r.imported, 1);
    // The lookup of record 2 fails once the table is gone.
    seed::exec(db, "alter table tbaddrs rename to tbaddrs_gone");
    r = import(",\r\nA,+441\r\nB,+442\r\n", o);
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(r.total, 2);
    EXPECT_EQ(log(), logText({"0000001\tFailed\t(Mobile Number is blank)"}, false));
    // The log is closed: it can be removed and written again at once.
    EXPECT_TRUE(QFile::remove(logPath));

    // A file that is gone: the import stops before any record, and the
    // error names the file.
    o.file = file("missing.csv");
    r = addrx::importFile(db, o, logPath);
    EXPECT_TRUE(r.aborted);
    EXPECT_TRUE(r.error.startsWith(QDir::toNativeSeparators(o.file) + "\n")) << r.error.toStdString();
    EXPECT_EQ(r.total, 0);
    EXPECT_EQ(log(), logText({}, false));
}

TEST_F(ExchangeTest, Windows1252FileIsDecoded)
{
    addrx::ImportOptions o;
    o.skipHeader = false;
    o.mapping[1] = 1;
    o.mapping[3] = 2;
    o.mapping[13] = 3;
    import("Ren\xE9,+441,\x93" "caf\xE9\x94 \x80" "5\r\n", o);
    const QList<QStringList> rows = book(db);
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0][1], QString::fromUtf8("René"));
    EXPECT_EQ(rows[0][13], QString::fromUtf8("“café” €5"));
}

TEST_F(ExchangeTest, AHundredThousandLines)
{
    // Written and expected by the test's own loop: every 7th record lacks
    // its first name, every 11th repeats an earlier number (skipped).
    const int n = 100000;
    QByteArray bytes = "first\tmobile\r\n";
    QStringList expected;
    int ok = 0, failed = 0, skipped = 0;
    for (int i = 1; i <= n; ++i) {
        const bool blankName = i % 7 == 0;
        const bool duplicate = !blankName && i % 11 == 0;
        const int number = duplicate ? i - 1 : i;
        bytes += (blankName ? QByteArray() : "N" + QByteArray::number(i)) + "\t+" + QByteArray::number(number) +
                 (i % 3 == 0 ? "\n" : "\r\n");
        QString line = QString::number(i).rightJustified(7, '0') + "\t";
        if (blankName) {
            line += "Failed\t(First Name is blank)";
            ++failed;
        } else if (duplicate && (i - 1) % 7 != 0) {
            line += "Skipped\t(Duplicate record)";
            ++skipped;
        } else {
            line += "OK      ";
            ++ok;
        }
        expected << line;
    }
    addrx::ImportOptions o;
    o.replace = false;
    o.mapping[1] = 1;
    o.mapping[3] = 2;
    // One transaction per record: without a disk flush at every commit the
    // test stays within its time on a busy machine.
    seed::exec(db, "PRAGMA synchronous = NORMAL");
    const QString path = file("big.txt");
    writeBytes(path, bytes);
    o.file = path;
    qint64 lastDone = -1, reports = 0;
    const addrx::ImportResult r = addrx::importFile(db, o, logPath, [&](qint64 done, qint64 total) {
        EXPECT_GT(done, lastDone);
        EXPECT_LE(done, total);
        lastDone = done;
        ++reports;
    });
    ASSERT_FALSE(r.aborted) << r.error.toStdString();
    EXPECT_EQ(r.total, n);
    EXPECT_EQ(r.imported, ok);
    EXPECT_EQ(r.skipped, skipped);
    EXPECT_EQ(r.failed, failed);
    EXPECT_GT(reports, 10);
    EXPECT_EQ(log(), logText(expected));
    EXPECT_EQ(db.query("select count(*) from tbaddrs").value(0, 0).toInt(), ok);
}
