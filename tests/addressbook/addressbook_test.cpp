// The address book's engine: entries and their checks, the number change
// that carries memberships and waiting messages along in one transaction,
// deletion, and the list fill.
#include <gtest/gtest.h>

#include "remote/QtPrint.h"

#include "addressbook/AddressBook.h"
#include "base/Database.h"
#include "mainwindow/Seed.h"
#include "support/TestEnv.h"

namespace {

int count(Database& db, const QString& sql, const QVariantList& binds = {})
{
    const Recordset rs = db.query(sql, binds);
    EXPECT_TRUE(rs.ok()) << sql.toStdString() << ": " << rs.error().toStdString();
    return rs.value(0, 0).toInt();
}

QVariant column(Database& db, const QString& number, const QString& col)
{
    return db.query(QStringLiteral("select %1 from tbaddrs where addrno=?").arg(col), {number}).value(0, 0);
}

QStringList groupsOf(Database& db, const QString& number)
{
    // The result is held in a local: rows() returns a reference into it, and
    // a temporary would be gone before the loop body runs.
    const Recordset rs = db.query("select grpnam from tbaddrgrps where addrno=? order by grpnam", {number});
    QStringList out;
    for (const auto& row : rs.rows())
        out << row[0].toString();
    return out;
}

AddressEntry entry(const QString& first, const QString& number, const QString& last = {})
{
    AddressEntry e;
    e[AddressField::FirstName] = first;
    e[AddressField::LastName] = last;
    e[AddressField::PhoneNo] = number;
    return e;
}

// Makes every statement that touches the given table and number fail.
void failOn(Database& db, const QString& table, const QString& when, const QString& number)
{
    const QString col = table == "tboutqueue" ? "msgno" : "addrno";
    const QString row = when == "delete" ? "old" : "new";
    seed::exec(db, QStringLiteral("create trigger fail_%1_%2 before %2 on %1 when %3.%4='%5' "
                                  "begin select raise(abort, 'refused'); end")
                       .arg(table, when, row, col, number));
}

using Outcome = AddressBook::SaveOutcome;

} // namespace

TEST(AddressBookAdd, BlankAndDuplicateAreRefusedBeforeAnyWrite)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    AddressBook book(db);

    EXPECT_EQ(book.addAddress(entry("   ", "+442"), {}).outcome, Outcome::FirstNameBlank);
    EXPECT_EQ(book.addAddress(entry("Bob", "  "), {}).outcome, Outcome::NumberBlank);
    // The first name is checked first.
    EXPECT_EQ(book.addAddress(entry("", ""), {}).outcome, Outcome::FirstNameBlank);
    EXPECT_EQ(book.addAddress(entry("Bob", " +441 "), {}).outcome, Outcome::DuplicateNumber);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 1);

    EXPECT_EQ(AddressBook::messageFor(Outcome::FirstNameBlank, false), "First Name cannot be blank");
    EXPECT_EQ(AddressBook::messageFor(Outcome::NumberBlank, true), "Mobile Phone Number cannot be blank");
    EXPECT_EQ(AddressBook::messageFor(Outcome::DuplicateNumber, false),
              "This Mobile Phone Number already exists.\nPlease check and try again.");
    EXPECT_EQ(AddressBook::messageFor(Outcome::Failed, false), "Unable to save record.");
    EXPECT_EQ(AddressBook::messageFor(Outcome::Failed, true), "Unable to Update Record.");
}

TEST(AddressBookAdd, StoresEveryFieldLiterallyWithEmptyAsNull)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::group(db, "Friends");
    seed::group(db, "50%_off");
    AddressBook book(db);

    AddressEntry e = entry("  O'Brien ", " +44'1 ", "100%_sure");
    e[AddressField::Salutation] = "Dr.";
    e[AddressField::StAddress] = "1 Main St\nFlat 2";
    e[AddressField::Remark] = QString(300, 'r');
    e[AddressField::ContactExt] = QString(25, '9');
    // The same group twice, in two spellings, and one that does not exist.
    const auto r = book.addAddress(e, {"Friends", "friends", "50%_off", "Nobody"});
    ASSERT_EQ(r.outcome, Outcome::Saved) << r.error.toStdString();
    EXPECT_EQ(r.saved.number(), "+44'1");
    EXPECT_EQ(r.saved.displayName(), "O'Brien 100%_sure");

    EXPECT_EQ(column(db, "+44'1", "addrnam1").toString(), "O'Brien");
    EXPECT_EQ(column(db, "+44'1", "addrnam2").toString(), "100%_sure");
    EXPECT_EQ(column(db, "+44'1", "addrslt").toString(), "Dr.");
    EXPECT_EQ(column(db, "+44'1", "addrstaddr").toString(), "1 Main St\nFlat 2");
    EXPECT_EQ(column(db, "+44'1", "addrrem").toString(), QString(255, 'r'));
    EXPECT_EQ(column(db, "+44'1", "addrcte").toString(), QString(20, '9'));
    EXPECT_TRUE(column(db, "+44'1", "addreml").isNull());
    EXPECT_TRUE(column(db, "+44'1", "addrdpt").isNull());
    EXPECT_EQ(groupsOf(db, "+44'1"), (QStringList{"50%_off", "Friends"}));
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps"), 2);
}

TEST(AddressBookAdd, AFailedMembershipLeavesNoEntry)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::group(db, "Friends");
    failOn(db, "tbaddrgrps", "insert", "+442");
    const auto r = AddressBook(db).addAddress(entry("Bob", "+442"), {"Friends"});
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_FALSE(r.error.isEmpty());
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 0);
    EXPECT_FALSE(db.inTransaction());
}

TEST(AddressBookUpdate, SameNumberSkipsTheDuplicateCheckAndKeepsTheDepartment)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    seed::exec(db, "update tbaddrs set addrdpt='Sales', addreml='a@x' where addrno='+441'");
    seed::group(db, "A");
    seed::group(db, "B");
    seed::member(db, "A", "+441");
    seed::outbox(db, 1, "+441", "2024-01-01 10:00:00");

    const auto r = AddressBook(db).updateAddress("+441", entry("Annie", "+441"), {"B"});
    ASSERT_EQ(r.outcome, Outcome::Saved);
    EXPECT_EQ(column(db, "+441", "addrnam1").toString(), "Annie");
    EXPECT_TRUE(column(db, "+441", "addrnam2").isNull());
    EXPECT_TRUE(column(db, "+441", "addreml").isNull());
    EXPECT_EQ(column(db, "+441", "addrdpt").toString(), "Sales");
    EXPECT_EQ(groupsOf(db, "+441"), QStringList{"B"});
    EXPECT_EQ(count(db, "select count(*) from tboutqueue where msgno='+441'"), 1);

    // Removing every group deletes every membership.
    ASSERT_EQ(AddressBook(db).updateAddress("+441", entry("Annie", "+441"), {}).outcome, Outcome::Saved);
    EXPECT_TRUE(groupsOf(db, "+441").isEmpty());
}

TEST(AddressBookUpdate, NumberChangeMovesMembershipsAndWaitingMessagesOnly)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    seed::address(db, "+443", "Cy", "");
    seed::group(db, "A");
    seed::member(db, "A", "+441");
    seed::member(db, "A", "+443");
    seed::outbox(db, 1, "+441", "2024-01-01 10:00:00");
    seed::outbox(db, 2, "+441", "2024-01-01 11:00:00", "A");  // being sent right now
    seed::outbox(db, 3, "+443", "2024-01-01 12:00:00");
    seed::sent(db, 10, "+441", "2023-12-31 10:00:00", "2023-12-31 10:00:05");
    seed::inbox(db, 20, "+441", "2023-12-30 10:00:00");

    const auto r = AddressBook(db).updateAddress("+441", entry("Ann", " +442 ", "Lee"), {"A"});
    ASSERT_EQ(r.outcome, Outcome::Saved) << r.error.toStdString();
    EXPECT_EQ(r.saved.number(), "+442");
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+441'"), 0);
    EXPECT_EQ(column(db, "+442", "addrnam1").toString(), "Ann");
    EXPECT_EQ(groupsOf(db, "+442"), QStringList{"A"});
    EXPECT_TRUE(groupsOf(db, "+441").isEmpty());
    EXPECT_EQ(groupsOf(db, "+443"), QStringList{"A"});
    EXPECT_EQ(db.query("select msgno from tboutqueue where msgcode=1").value(0, 0).toString(), "+442");
    EXPECT_EQ(db.query("select msgno from tboutqueue where msgcode=2").value(0, 0).toString(), "+441");
    EXPECT_EQ(db.query("select msgno from tboutqueue where msgcode=3").value(0, 0).toString(), "+443");
    EXPECT_EQ(db.query("select msgno from tboutlog").value(0, 0).toString(), "+441");
    EXPECT_EQ(db.query("select msgfrom from tbinqueue").value(0, 0).toString(), "+441");
    EXPECT_EQ(r.waitingKept, 0);

    // A number no message can be sent to is saved, but the queue takes no
    // row for it: the waiting message stays on the number it was queued to.
    const auto bad = AddressBook(db).updateAddress("+442", entry("Ann", "12 34 x", "Lee"), {"A"});
    ASSERT_EQ(bad.outcome, Outcome::Saved) << bad.error.toStdString();
    EXPECT_EQ(column(db, "12 34 x", "addrnam1").toString(), "Ann");
    EXPECT_EQ(db.query("select msgno from tboutqueue where msgcode=1").value(0, 0).toString(), "+442");
    EXPECT_EQ(bad.waitingKept, 1);
}

TEST(AddressBookUpdate, ChangingToAnotherEntrysNumberIsRefusedAndTouchesNothing)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    seed::address(db, "+442", "Bob", "Ray");
    seed::group(db, "A");
    seed::group(db, "B");
    seed::member(db, "B", "+442");

    // Entry A given B's number with a group picked: B must stay as it was.
    const auto r = AddressBook(db).updateAddress("+441", entry("Ann", "+442", "Lee"), {"A"});
    EXPECT_EQ(r.outcome, Outcome::DuplicateNumber);
    EXPECT_EQ(column(db, "+442", "addrnam1").toString(), "Bob");
    EXPECT_EQ(column(db, "+441", "addrnam1").toString(), "Ann");
    EXPECT_EQ(groupsOf(db, "+442"), QStringList{"B"});
    EXPECT_TRUE(groupsOf(db, "+441").isEmpty());
}

TEST(AddressBookUpdate, AnEntryGoneSinceLoadingIsNotReportedAsSaved)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::group(db, "A");
    seed::outbox(db, 1, "+441", "2024-01-01 10:00:00");
    // "+441" was deleted after the form loaded it.
    const auto r = AddressBook(db).updateAddress("+441", entry("Ann", "+449"), {"A"});
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps"), 0);
    EXPECT_EQ(db.query("select msgno from tboutqueue").value(0, 0).toString(), "+441");
    EXPECT_FALSE(db.inTransaction());
}

TEST(AddressBookUpdate, AFailureLateInTheCascadeRollsEverythingBack)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    seed::group(db, "A");
    seed::group(db, "B");
    seed::member(db, "A", "+441");
    seed::outbox(db, 1, "+441", "2024-01-01 10:00:00");
    failOn(db, "tboutqueue", "update", "+442");

    const auto r = AddressBook(db).updateAddress("+441", entry("Annie", "+442"), {"B"});
    EXPECT_EQ(r.outcome, Outcome::Failed);
    EXPECT_EQ(column(db, "+441", "addrnam1").toString(), "Ann");
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+442'"), 0);
    EXPECT_EQ(groupsOf(db, "+441"), QStringList{"A"});
    EXPECT_TRUE(groupsOf(db, "+442").isEmpty());
    EXPECT_EQ(db.query("select msgno from tboutqueue").value(0, 0).toString(), "+441");
    EXPECT_FALSE(db.inTransaction());
}

TEST(AddressBookDelete, EachEntryGoesWithItsMembershipsAndAFailureStaysAlone)
{
    testenv::FreshDb f;
    Database& db = f.db();
    for (const char* n : {"+441", "+44'2", "+443"}) {
        seed::address(db, n, "X", "");
        seed::group(db, QStringLiteral("G") + n);
        seed::member(db, QStringLiteral("G") + n, n);
    }
    seed::outbox(db, 1, "+441", "2024-01-01 10:00:00");
    failOn(db, "tbaddrgrps", "delete", "+443");

    const QStringList removed = AddressBook(db).deleteAddresses({"+443", "+44'2", "+441"});
    EXPECT_EQ(removed, (QStringList{"+44'2", "+441"}));
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+443'"), 1);
    EXPECT_EQ(groupsOf(db, "+443"), QStringList{"G+443"});
    EXPECT_TRUE(groupsOf(db, "+441").isEmpty());
    EXPECT_TRUE(groupsOf(db, "+44'2").isEmpty());
    // Queued messages stay queued.
    EXPECT_EQ(count(db, "select count(*) from tboutqueue"), 1);
    EXPECT_FALSE(db.inTransaction());
}

TEST(AddressBookRead, ListsAndLookups)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "Lee");
    seed::address(db, "+442", "", "");
    seed::address(db, "+443", "Cy", "");
    seed::group(db, "50%_off");
    seed::group(db, "50a_off");
    seed::member(db, "50%_off", "+441");
    seed::member(db, "50a_off", "+443");
    AddressBook book(db);

    const AddressList all = book.listAddresses("");
    ASSERT_TRUE(all.ok);
    ASSERT_EQ(all.rows.size(), 3u);
    EXPECT_EQ(all.rows[0].name, "Ann Lee");
    EXPECT_EQ(all.rows[1].name, " ");
    EXPECT_EQ(all.rows[2].name, "Cy ");

    // Group names match literally and without regard to case.
    const AddressList members = book.listAddresses("50%_OFF");
    ASSERT_EQ(members.rows.size(), 1u);
    EXPECT_EQ(members.rows[0].number, "+441");

    QString n = "  +441  ";
    EXPECT_EQ(book.numberExists(n), 1);
    EXPECT_EQ(n, "+441");
    n = "+449";
    EXPECT_EQ(book.numberExists(n), 0);

    AddressEntry e;
    EXPECT_EQ(book.load("+441", &e), AddressBook::LoadResult::Loaded);
    EXPECT_EQ(e[AddressField::LastName], "Lee");
    EXPECT_EQ(book.load("+449", &e), AddressBook::LoadResult::NotFound);
    QStringList groups;
    ASSERT_TRUE(book.loadGroups("+443", &groups));
    EXPECT_EQ(groups, QStringList{"50a_off"});

    seed::exec(db, "drop table tbaddrs");
    QString error;
    n = "+441";
    EXPECT_EQ(book.numberExists(n, &error), -1);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(book.listAddresses("").ok);
}

TEST(AddressEntry, CleanedTrimsBlanksOnlyAndCutsToTheFieldLength)
{
    AddressEntry e;
    e[AddressField::FirstName] = "  Ann\t ";
    e[AddressField::PhoneNo] = " " + QString(30, '1');
    e[AddressField::Remark] = " line\n ";
    const AddressEntry c = e.cleaned();
    EXPECT_EQ(c[AddressField::FirstName], "Ann\t");
    EXPECT_EQ(c[AddressField::PhoneNo], QString(20, '1'));
    EXPECT_EQ(c[AddressField::Remark], "line\n");
    int multi = 0;
    for (const auto& info : addressFields())
        multi += info.multiLine ? 1 : 0;
    EXPECT_EQ(multi, 2);
    EXPECT_EQ(addressFieldInfo(AddressField::Salutation).maxLength, 20);
    EXPECT_EQ(addressFieldInfo(AddressField::Field3).maxLength, 255);
}
