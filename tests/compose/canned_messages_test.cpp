// Canned messages in tbcannedmsg: titles in order, the checks of a new
// canned message, changes and deletions, with the values bound (titles
// with apostrophes and SQL in them are kept as typed). The merge-field
// codes of the field dialog are checked against the Outbox's filling.
#include <gtest/gtest.h>

#include <QSet>

#include "base/Database.h"
#include "compose/CannedMessages.h"
#include "base/EngineState.h"
#include "engine/OutboxQueue.h"
#include "support/TestEnv.h"

using compose::CannedMessages;
using Result = compose::CannedMessages::Result;
using Lookup = compose::CannedMessages::Lookup;

namespace {

struct CannedTest : ::testing::Test {
    testenv::FreshDb fresh;
    Database& db = fresh.db();
    CannedMessages canned{db};

    void SetUp() override { testenv::prompt().reset(); }
    int rows() { return db.query("SELECT COUNT(*) FROM tbcannedmsg").value(0, 0).toInt(); }
    QString stored(const QString& title)
    {
        const Recordset rs = db.query("SELECT canmsg FROM tbcannedmsg WHERE canttl=?", {title});
        return rs.isEmpty() ? QStringLiteral("<none>") : rs.value(0, 0).toString();
    }
};

} // namespace

TEST_F(CannedTest, AddedMessagesAreListedInTitleOrderAndReadBack)
{
    QString title, text;
    EXPECT_EQ(canned.add("  Late  ", "  Running late, sorry.  ", &title, &text), Result::Ok);
    EXPECT_EQ(title, "Late");
    EXPECT_EQ(text, "Running late, sorry.");
    EXPECT_EQ(canned.add("Bob's", "It's {fn}'s turn", &title, &text), Result::Ok);
    EXPECT_EQ(canned.add("x'); DROP TABLE tbcannedmsg; --", "text"), Result::Ok);
    EXPECT_EQ(canned.add("apple", "lower case first letter"), Result::Ok);

    QStringList titles;
    ASSERT_TRUE(canned.titles(&titles));
    EXPECT_EQ(titles, QStringList({"apple", "Bob's", "Late", "x'); DROP TABLE tbcannedmsg; --"}))
        << "ordered without regard to case";

    QString read;
    EXPECT_EQ(canned.text("Bob's", &read), Lookup::Found);
    EXPECT_EQ(read, "It's {fn}'s turn");
    EXPECT_EQ(canned.text("late", &read), Lookup::Found) << "titles compare without regard to case";
    EXPECT_EQ(read, "Running late, sorry.");
    EXPECT_EQ(canned.text("Gone", &read), Lookup::Missing);
    EXPECT_TRUE(read.isEmpty());
    EXPECT_EQ(rows(), 4);
}

TEST_F(CannedTest, ANewMessageIsRefusedInTheOrderOfItsChecks)
{
    ASSERT_EQ(canned.add("Home", "On my way home"), Result::Ok);

    QString title, text;
    EXPECT_EQ(canned.add("   ", "", &title, &text), Result::TitleBlank) << "the title is checked first";
    EXPECT_EQ(title, "");
    EXPECT_EQ(canned.add(" Home ", "", &title), Result::TitleExists) << "blanks around do not make it new";
    EXPECT_EQ(title, "Home");
    EXPECT_EQ(canned.add("HOME", "x"), Result::TitleExists) << "nor does case";
    EXPECT_EQ(canned.add("Away", "    ", &title, &text), Result::TextBlank);
    EXPECT_EQ(text, "");
    // Only blanks are trimmed: other white space is text.
    EXPECT_EQ(canned.add("Tab", "\t", &title, &text), Result::Ok);
    EXPECT_EQ(text, "\t");
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(stored("Home"), "On my way home");
}

TEST_F(CannedTest, UpdateChangesOnlyTheTextOfItsTitle)
{
    ASSERT_EQ(canned.add("One", "first"), Result::Ok);
    ASSERT_EQ(canned.add("Two", "second"), Result::Ok);

    QString text;
    EXPECT_EQ(canned.update("One", "   ", &text), Result::TextBlank);
    EXPECT_EQ(stored("One"), "first");
    EXPECT_EQ(canned.update("One", "  changed 'text'  ", &text), Result::Ok);
    EXPECT_EQ(text, "changed 'text'");
    EXPECT_EQ(stored("One"), "changed 'text'");
    EXPECT_EQ(stored("Two"), "second");

    EXPECT_TRUE(canned.remove("two"));
    EXPECT_EQ(stored("Two"), "<none>");
    EXPECT_EQ(stored("One"), "changed 'text'");
    EXPECT_TRUE(canned.remove("not there")) << "removing a title that is gone is no failure";
    EXPECT_EQ(rows(), 1);
}

TEST_F(CannedTest, DatabaseFailuresAreReportedNotTakenForEmpty)
{
    ASSERT_EQ(canned.add("Kept", "text"), Result::Ok);
    ASSERT_TRUE(db.exec("ALTER TABLE tbcannedmsg RENAME TO tbcannedgone"));

    QStringList titles{"stale"};
    EXPECT_FALSE(canned.titles(&titles));
    EXPECT_TRUE(titles.isEmpty());
    QString text;
    EXPECT_EQ(canned.text("Kept", &text), Lookup::Failed);
    EXPECT_EQ(canned.add("New", "text"), Result::Failed);
    EXPECT_EQ(canned.update("Kept", "text"), Result::Failed);
    EXPECT_FALSE(canned.remove("Kept"));
    EXPECT_FALSE(canned.lastError().isEmpty());
}

TEST_F(CannedTest, EveryFieldCodeIsFilledByTheOutboxFromItsColumn)
{
    const auto& fields = compose::mergeFields();
    ASSERT_EQ(fields.size(), 8u);
    EXPECT_STREQ(fields[compose::kDefaultMergeField].code, "{fn}");

    // An address whose every merge column holds its own name.
    QStringList columns;
    QVariantList values;
    for (const auto& f : fields) {
        columns << QString::fromLatin1(f.column);
        values << (QString::fromLatin1(f.column) == "addrno" ? QVariant("+4479") : QVariant(QString::fromLatin1(f.column)));
    }
    ASSERT_TRUE(db.exec(QStringLiteral("INSERT INTO tbaddrs (%1) VALUES (?,?,?,?,?,?,?,?)").arg(columns.join(',')),
                        values))
        << db.lastError().toStdString();

    CycleState cycle;
    OutboxQueue queue(db, testenv::prompt(), cycle);
    QSet<QString> codes;
    for (const auto& f : fields) {
        const QString code = QString::fromLatin1(f.code);
        codes << code;
        EXPECT_TRUE(QString::fromLatin1(f.caption).startsWith(code + ' ')) << f.caption;
        bool ok = false;
        const QString merged = queue.MergeFields("+4479", "<" + code + ">", &ok);
        ASSERT_TRUE(ok);
        const QString want = QString::fromLatin1(f.column) == "addrno" ? "+4479" : QString::fromLatin1(f.column);
        EXPECT_EQ(merged, "<" + want + ">") << code.toStdString();
    }
    EXPECT_EQ(codes.size(), 8) << "eight different codes";
}
