// Groups and their members: names, deletion with the settings that name a
// group, the pickers' candidates, unique memberships, and member removal.
#include <gtest/gtest.h>

#include "remote/QtPrint.h"

#include "addressbook/AddressGroups.h"
#include "addressbook/RecipientPicks.h"
#include "base/Database.h"
#include "base/Settings.h"
#include "mainwindow/Seed.h"
#include "base/EngineState.h"
#include "support/TestEnv.h"

namespace {

int count(Database& db, const QString& sql, const QVariantList& binds = {})
{
    return db.query(sql, binds).value(0, 0).toInt();
}

QStringList numbersOf(const AddressList& list)
{
    QStringList out;
    for (const auto& r : list.rows)
        out << r.number;
    return out;
}

using Add = AddressGroups::AddOutcome;

} // namespace

TEST(GroupNames, NumbersAreRefusedWordsAreNot)
{
    for (const char* n : {"123", "1e3", "-5", "+7", "1.5", ".5", "5.", "2E-3", " 42 "})
        EXPECT_TRUE(AddressGroups::readsAsNumber(QString::fromLatin1(n))) << n;
    for (const char* n : {"Nan", "inf", "Infinity", "&H10", "12a", "1 2", "e5", "-", "", "1e"})
        EXPECT_FALSE(AddressGroups::readsAsNumber(QString::fromLatin1(n))) << n;
}

TEST(GroupNames, AddChecksBlankNumericAndDuplicateIgnoringCase)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::group(db, "Sales");
    AddressGroups groups(db);

    EXPECT_EQ(groups.addGroup("   ").outcome, Add::Blank);
    EXPECT_EQ(groups.addGroup(" 1e3 ").outcome, Add::Numeric);
    EXPECT_EQ(groups.addGroup(" sales ").outcome, Add::Exists);
    EXPECT_EQ(count(db, "select count(*) from tbgrps"), 1);

    auto r = groups.addGroup("  O'Neil's 50%_off  ");
    ASSERT_EQ(r.outcome, Add::Added) << r.error.toStdString();
    EXPECT_EQ(r.name, "O'Neil's 50%_off");
    EXPECT_EQ(count(db, "select count(*) from tbgrps where grpnam=?", {"O'Neil's 50%_off"}), 1);
    // A look-alike under LIKE rules is another name.
    EXPECT_EQ(groups.addGroup("O'Neil's 50a_off").outcome, Add::Added);

    r = groups.addGroup(QString(45, 'g'));
    ASSERT_EQ(r.outcome, Add::Added);
    EXPECT_EQ(r.name, QString(40, 'g'));

    EXPECT_EQ(AddressGroups::messageFor(Add::Blank), "Group Name cannot be blank");
    EXPECT_EQ(AddressGroups::messageFor(Add::Numeric), "Group Name cannot be numeric.");
    EXPECT_EQ(AddressGroups::messageFor(Add::Exists), "This Group already exists.\nPlease use another Group Name.");
    EXPECT_EQ(AddressGroups::messageFor(Add::Failed), "Unable to add group.");
}

TEST(GroupDelete, MembershipsGoAddressesStayAndSettingsNamingItBecomeNone)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "Ann", "");
    seed::group(db, "Sales");
    seed::group(db, "Staff");
    seed::member(db, "Sales", "+441");
    seed::member(db, "Staff", "+441");
    seed::outbox(db, 1, "+441", "2024-01-01 10:00:00");
    Settings::save("SettingAutFwd", "sales");
    Settings::save("SettingGrpSnd", "Sales");
    EngineState st;
    st.sAutoFwdGroup = "Sales";
    st.sGroupSendGroup = "SALES";

    QString error;
    ASSERT_TRUE(AddressGroups(db, &st).deleteGroup("Sales", &error)) << error.toStdString();
    EXPECT_EQ(count(db, "select count(*) from tbgrps"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Sales'"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where grpnam='Staff'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs"), 1);
    EXPECT_EQ(count(db, "select count(*) from tboutqueue"), 1);
    EXPECT_EQ(Settings::text("SettingAutFwd"), "None");
    EXPECT_EQ(Settings::text("SettingGrpSnd"), "None");
    EXPECT_EQ(st.sAutoFwdGroup, "None");
    EXPECT_EQ(st.sGroupSendGroup, "None");

    // Deleting another group leaves settings that name a third one alone.
    Settings::save("SettingAutFwd", "Other");
    ASSERT_TRUE(AddressGroups(db).deleteGroup("Staff"));
    EXPECT_EQ(Settings::text("SettingAutFwd"), "Other");
}

TEST(GroupDelete, AFailureRollsBackAndKeepsTheSettings)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::group(db, "Sales");
    seed::member(db, "Sales", "+441");
    seed::exec(db, "create trigger keep before delete on tbaddrgrps begin select raise(abort, 'no'); end");
    Settings::save("SettingAutFwd", "Sales");

    QString error;
    EXPECT_FALSE(AddressGroups(db).deleteGroup("Sales", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(count(db, "select count(*) from tbgrps"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps"), 1);
    EXPECT_EQ(Settings::text("SettingAutFwd"), "Sales");
    EXPECT_FALSE(db.inTransaction());
}

TEST(GroupPickers, CandidatesLeaveOutWhatIsAlreadyThere)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::address(db, "+441", "bob", "");
    seed::address(db, "+442", "Ann", "");
    seed::address(db, "+443", "Cy", "");
    seed::group(db, "Zed");
    seed::group(db, "alpha");
    seed::group(db, "Mid");
    seed::member(db, "Zed", "+441");
    seed::member(db, "zed", "+442");
    AddressGroups groups(db);

    EXPECT_EQ(groups.groupsWithout(""), (QStringList{"alpha", "Mid", "Zed"}));
    EXPECT_EQ(groups.groupsWithout("+441"), (QStringList{"alpha", "Mid"}));
    EXPECT_EQ(numbersOf(groups.memberCandidates("ZED")), QStringList{"+443"});
    EXPECT_EQ(numbersOf(groups.memberCandidates("Mid")), (QStringList{"+442", "+441", "+443"}));
    seed::member(db, "Zed", "+443");
    EXPECT_TRUE(groups.memberCandidates("Zed").rows.empty());

    // The send form's pickers: entries by name ignoring case, groups by name.
    EXPECT_EQ(numbersOf(recipientChoices(db)), (QStringList{"+442", "+441", "+443"}));
    EXPECT_EQ(groupChoices(db), (QStringList{"alpha", "Mid", "Zed"}));
}

TEST(GroupMembers, AMemberIsListedOnceAndAFailureStopsTheWalk)
{
    testenv::FreshDb f;
    Database& db = f.db();
    seed::group(db, "Sales");
    seed::member(db, "Sales", "+441");
    AddressGroups groups(db);

    auto r = groups.addMembers("sales", {"+441", "+442", "+442"});
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.done, QStringList{"+442"});
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps"), 2);
    // The key itself refuses a second row, whatever writes it.
    EXPECT_FALSE(db.exec("insert into tbaddrgrps (grpnam, addrno) values ('SALES', '+441')"));

    seed::exec(db, "create trigger no5 before insert on tbaddrgrps when new.addrno='+445' "
                   "begin select raise(abort, 'no'); end");
    r = groups.addMembers("Sales", {"+444", "+445", "+446"});
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.done, QStringList{"+444"});
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno in ('+444','+445','+446')"), 1);
}

TEST(GroupMembers, RemovalWithAndWithoutTheAddress)
{
    testenv::FreshDb f;
    Database& db = f.db();
    for (const char* n : {"+441", "+442", "+443"}) {
        seed::address(db, n, "X", "");
        seed::member(db, "Sales", n);
        seed::member(db, "Staff", n);
    }
    AddressGroups groups(db);

    // No: the membership only.
    auto r = groups.removeMembers("Sales", {"+441"}, false);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+441'"), 1);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+441'"), 1);

    // Yes: the entry and its memberships of every group.
    r = groups.removeMembers("Sales", {"+442"}, true);
    EXPECT_EQ(r.done, QStringList{"+442"});
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+442'"), 0);
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+442'"), 0);

    // The first failure stops the walk and rolls back only its own item.
    seed::member(db, "Sales", "+441");
    seed::exec(db, "create trigger keep3 before delete on tbaddrs when old.addrno='+443' "
                   "begin select raise(abort, 'no'); end");
    r = groups.removeMembers("Sales", {"+441", "+443", "+442"}, true);
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.done, QStringList{"+441"});
    EXPECT_EQ(count(db, "select count(*) from tbaddrgrps where addrno='+443'"), 2);
    EXPECT_EQ(count(db, "select count(*) from tbaddrs where addrno='+443'"), 1);
    EXPECT_FALSE(db.inTransaction());
}
