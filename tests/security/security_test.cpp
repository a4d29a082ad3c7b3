// The stored passwords, the login's rules in its three modes, and the
// password change windows' rules.
#include <gtest/gtest.h>

#include "base/Database.h"
#include "base/UserPrompt.h"
#include "security/Security.h"
#include "support/TestEnv.h"

using security::LoginMode;

namespace {

struct Passwords : ::testing::Test {
    testenv::FreshDb f;
    ScriptedPrompt& prompt = testenv::prompt();
    void SetUp() override { prompt.reset(); }

    // Read straight from the table, not through the code under test.
    QVariant stored(const char* column)
    {
        return f.db().query(QStringLiteral("SELECT %1 FROM tbsecurity").arg(QLatin1String(column))).value(0, 0);
    }
    void store(const QVariant& user, const QVariant& admin)
    {
        ASSERT_TRUE(f.db().exec("UPDATE tbsecurity SET pwduser=?, pwdadmin=?", {user, admin}));
    }
};

} // namespace

TEST_F(Passwords, StoredAsGivenEmptyAsNullApostropheIntact)
{
    EXPECT_EQ(GetPassword(f.db(), security::UserPassword), "");
    ASSERT_TRUE(SetPassword(f.db(), security::UserPassword, "it's"));
    ASSERT_TRUE(SetPassword(f.db(), security::AdminPassword, "Adm1n"));
    EXPECT_EQ(stored("pwduser").toString(), "it's");
    EXPECT_EQ(stored("pwdadmin").toString(), "Adm1n");
    EXPECT_EQ(GetPassword(f.db(), security::UserPassword), "it's");
    EXPECT_EQ(GetPassword(f.db(), security::AdminPassword), "Adm1n");

    ASSERT_TRUE(SetPassword(f.db(), security::UserPassword, ""));
    EXPECT_TRUE(stored("pwduser").isNull());
    EXPECT_EQ(stored("pwdadmin").toString(), "Adm1n");

    // Another kind reads as nothing and stores nothing.
    EXPECT_EQ(GetPassword(f.db(), 2), "");
    EXPECT_FALSE(SetPassword(f.db(), 2, "x"));
    EXPECT_EQ(stored("pwdadmin").toString(), "Adm1n");
}

TEST_F(Passwords, AMissingRowReadsAsNoneAndRefusesToStore)
{
    ASSERT_TRUE(f.db().exec("DELETE FROM tbsecurity"));
    bool ok = false;
    EXPECT_EQ(GetPassword(f.db(), security::UserPassword, &ok), "");
    EXPECT_TRUE(ok);
    // Reporting success here would leave the user believing a password guards
    // the program.
    EXPECT_FALSE(SetPassword(f.db(), security::UserPassword, "secret"));

    ASSERT_TRUE(f.db().exec("DROP TABLE tbsecurity"));
    QString error;
    EXPECT_EQ(GetPassword(f.db(), security::UserPassword, &ok, &error), "");
    EXPECT_FALSE(ok);
    EXPECT_TRUE(error.contains("tbsecurity")) << error.toStdString();
}

TEST_F(Passwords, BuiltInAdminPasswordOnlyWhileNoneIsStored)
{
    store(QVariant(), QVariant());
    for (LoginMode mode : {LoginMode::StartUp, LoginMode::Restore, LoginMode::AdminCheck}) {
        LoginCheck check(f.db(), prompt, mode);
        EXPECT_EQ(check.submit("5927"), LoginCheck::Result::Accepted) << int(mode);
    }
    store("user", "boss");
    for (LoginMode mode : {LoginMode::StartUp, LoginMode::Restore, LoginMode::AdminCheck}) {
        LoginCheck check(f.db(), prompt, mode);
        EXPECT_EQ(check.submit("5927"), LoginCheck::Result::Rejected) << int(mode);
        EXPECT_EQ(check.submit("boss"), LoginCheck::Result::Accepted) << int(mode);
    }
    // Unless it is the stored one.
    store("user", "5927");
    LoginCheck check(f.db(), prompt, LoginMode::AdminCheck);
    EXPECT_EQ(check.submit("5927"), LoginCheck::Result::Accepted);
}

TEST_F(Passwords, UserPasswordOpensTheProgramButNotAChange)
{
    store("Secret", QVariant());
    LoginCheck start(f.db(), prompt, LoginMode::StartUp);
    EXPECT_EQ(start.submit("secret"), LoginCheck::Result::Rejected); // exact, case-sensitive
    EXPECT_EQ(start.submit("Secret "), LoginCheck::Result::Rejected);
    EXPECT_EQ(start.submit("Secret"), LoginCheck::Result::Accepted);
    LoginCheck restore(f.db(), prompt, LoginMode::Restore);
    EXPECT_EQ(restore.submit("Secret"), LoginCheck::Result::Accepted);
    LoginCheck change(f.db(), prompt, LoginMode::AdminCheck);
    EXPECT_EQ(change.submit("Secret"), LoginCheck::Result::Rejected);
}

TEST_F(Passwords, ThirdWrongPasswordGivesUpAfterItsWarning)
{
    store("right", QVariant());
    LoginCheck check(f.db(), prompt, LoginMode::StartUp);
    EXPECT_EQ(check.submit("a"), LoginCheck::Result::Rejected);
    EXPECT_EQ(check.submit("b"), LoginCheck::Result::Rejected);
    EXPECT_EQ(check.submit("c"), LoginCheck::Result::GiveUp);
    ASSERT_EQ(prompt.count(), 3);
    for (const auto& box : prompt.shown()) {
        EXPECT_EQ(box.text, "Invalid Password");
        EXPECT_EQ(box.title, "Warning");
        EXPECT_EQ(box.icon, UserPrompt::Icon::Warning);
    }
    // Two wrong ones and then the right one get in.
    LoginCheck again(f.db(), prompt, LoginMode::StartUp);
    again.submit("a");
    again.submit("b");
    EXPECT_EQ(again.submit("right"), LoginCheck::Result::Accepted);
    EXPECT_EQ(again.tries(), 2);
}

TEST_F(Passwords, AnUnreadableTableAcceptsNothingAndCountsNoTry)
{
    ASSERT_TRUE(f.db().exec("DROP TABLE tbsecurity"));
    LoginCheck check(f.db(), prompt, LoginMode::StartUp);
    EXPECT_EQ(check.submit("5927"), LoginCheck::Result::Rejected);
    EXPECT_EQ(check.tries(), 0);
    ASSERT_EQ(prompt.count(), 1);
    EXPECT_EQ(prompt.shown()[0].title, "Error");
}

TEST_F(Passwords, UserChangeRefusesMismatchConfirmsRemovalAndReports)
{
    store("old", "boss");
    EXPECT_EQ(changePassword(f.db(), prompt, security::UserPassword, "new1", "new2"), PasswordChange::Mismatch);
    EXPECT_TRUE(prompt.sawText("New Password does not match."));
    EXPECT_EQ(stored("pwduser").toString(), "old");

    prompt.reset();
    prompt.queue(UserPrompt::Answer::No);
    EXPECT_EQ(changePassword(f.db(), prompt, security::UserPassword, "", ""), PasswordChange::Declined);
    ASSERT_EQ(prompt.count(), 1);
    EXPECT_EQ(prompt.shown()[0].text, "Confirm remove User Password?");
    EXPECT_EQ(prompt.shown()[0].buttons, UserPrompt::Buttons::YesNo);
    EXPECT_EQ(stored("pwduser").toString(), "old");

    prompt.reset();
    EXPECT_EQ(changePassword(f.db(), prompt, security::UserPassword, "", ""), PasswordChange::Stored);
    EXPECT_TRUE(stored("pwduser").isNull());
    EXPECT_EQ(prompt.shown().last().text, "User Password successfully removed");
    EXPECT_EQ(prompt.shown().last().title, "Note");

    prompt.reset();
    EXPECT_EQ(changePassword(f.db(), prompt, security::UserPassword, "n'ew", "n'ew"), PasswordChange::Stored);
    EXPECT_EQ(stored("pwduser").toString(), "n'ew");
    EXPECT_EQ(prompt.shown().last().text, "User Password successfully updated");
    EXPECT_EQ(stored("pwdadmin").toString(), "boss");
}

TEST_F(Passwords, AdminChangeRefusesBlankAndReportsFailureWithItsOwnText)
{
    store(QVariant(), "boss");
    EXPECT_EQ(changePassword(f.db(), prompt, security::AdminPassword, "", ""), PasswordChange::Blank);
    EXPECT_TRUE(prompt.sawText("Admin Password cannot be blank."));
    EXPECT_EQ(stored("pwdadmin").toString(), "boss");

    prompt.reset();
    EXPECT_EQ(changePassword(f.db(), prompt, security::AdminPassword, "chief", "chief"), PasswordChange::Stored);
    EXPECT_EQ(stored("pwdadmin").toString(), "chief");
    EXPECT_TRUE(prompt.sawText("Admin Password successfully updated"));

    // The two windows' failure texts differ by the full stop.
    ASSERT_TRUE(f.db().exec("DELETE FROM tbsecurity"));
    prompt.reset();
    EXPECT_EQ(changePassword(f.db(), prompt, security::AdminPassword, "x", "x"), PasswordChange::Failed);
    EXPECT_TRUE(prompt.sawText("Unable to update password. Please restart program and try again."));
    EXPECT_EQ(prompt.shown().last().icon, UserPrompt::Icon::Critical);
    prompt.reset();
    EXPECT_EQ(changePassword(f.db(), prompt, security::UserPassword, "x", "x"), PasswordChange::Failed);
    EXPECT_TRUE(prompt.sawText("Unable to update password. Please restart program and try again"));
    EXPECT_EQ(prompt.shown().last().title, "Error");
}
