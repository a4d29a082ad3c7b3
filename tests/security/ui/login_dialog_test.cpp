// The login window in its three modes and the password change windows, as
// the user drives them.
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "base/Database.h"
#include "base/UserPrompt.h"
#include "controls/FormHelpers.h"
#include "controls/QtUserPrompt.h"
#include "security/ui/LoginDialog.h"
#include "support/BoxAnswerer.h"
#include "support/TestEnv.h"

using security::LoginMode;

namespace {

struct Login : ::testing::Test {
    testenv::FreshDb f;
    ScriptedPrompt& prompt = testenv::prompt();
    int released = 0;
    void SetUp() override
    {
        prompt.reset();
        ASSERT_TRUE(f.db().exec("UPDATE tbsecurity SET pwduser='user1', pwdadmin='admin1'"));
    }
    QString stored(const char* column)
    {
        return f.db().query(QStringLiteral("SELECT %1 FROM tbsecurity").arg(QLatin1String(column))).value(0, 0).toString();
    }
    void enter(LoginDialog& d, const QString& text)
    {
        d.txtPassword->setText(text);
        d.cmdLogin->click();
    }
    // The next widget the Tab key reaches from w.
    static QWidget* nextTabStop(QWidget* w)
    {
        for (QWidget* n = w->nextInFocusChain(); n && n != w; n = n->nextInFocusChain())
            if (n->focusPolicy() & Qt::TabFocus)
                return n;
        return nullptr;
    }
};

} // namespace

TEST_F(Login, TheWindowAsTheUserSeesIt)
{
    LoginDialog d(f.db(), prompt, LoginMode::StartUp);
    EXPECT_EQ(d.objectName(), "frmLogin");
    EXPECT_EQ(d.windowTitle(), "Velquarin 1.2");
    EXPECT_EQ(d.lblPassword->text(), "Enter Password");
    EXPECT_EQ(d.lblPassword->buddy(), d.txtPassword);
    EXPECT_EQ(d.txtPassword->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(d.cmdLogin->isDefault());
    EXPECT_EQ(d.cmdLogin->text(), "Login");
    EXPECT_EQ(d.cmdCancel->text(), "Cancel");
    EXPECT_EQ(nextTabStop(d.txtPassword), d.cmdLogin);
    EXPECT_EQ(nextTabStop(d.cmdLogin), d.cmdCancel);
    // Eleven characters cannot be typed.
    QTest::keyClicks(d.txtPassword, "abcdefghijk");
    EXPECT_EQ(d.txtPassword->text(), "abcdefghij");

    LoginDialog admin(f.db(), prompt, LoginMode::AdminCheck);
    EXPECT_EQ(admin.lblPassword->text(), "Admin Password");
}

TEST_F(Login, StartUpAcceptsTheUserOrTheAdminPassword)
{
    for (const char* pwd : {"user1", "admin1"}) {
        LoginDialog d(f.db(), prompt, LoginMode::StartUp);
        d.releaseInstance = [this] { ++released; };
        QSignalSpy ok(&d, &LoginDialog::loginAccepted);
        d.show();
        enter(d, pwd);
        EXPECT_EQ(ok.size(), 1) << pwd;
        EXPECT_EQ(d.result(), QDialog::Accepted);
        EXPECT_FALSE(d.isVisible());
    }
    EXPECT_EQ(released, 0);
    EXPECT_EQ(prompt.count(), 0);
}

TEST_F(Login, StartUpGivesUpAfterTheThirdWrongPasswordAndLetsTheLockGo)
{
    LoginDialog d(f.db(), prompt, LoginMode::StartUp);
    d.releaseInstance = [this] { ++released; };
    d.show();
    enter(d, "wrong");
    enter(d, "wrong");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(d.txtPassword->text(), "wrong"); // the entry stays
    EXPECT_EQ(released, 0);
    enter(d, "Admin1");
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(released, 1);
    EXPECT_EQ(prompt.count(), 3);
    EXPECT_EQ(prompt.shown().last().text, "Invalid Password");
}

TEST_F(Login, CancelAndEscapeLetTheLockGoOnlyAtStartUp)
{
    LoginDialog start(f.db(), prompt, LoginMode::StartUp);
    start.releaseInstance = [this] { ++released; };
    start.show();
    start.cmdCancel->click();
    EXPECT_EQ(released, 1);
    EXPECT_FALSE(start.isVisible());

    LoginDialog escape(f.db(), prompt, LoginMode::StartUp);
    escape.releaseInstance = [this] { ++released; };
    escape.show();
    QTest::keyClick(escape.txtPassword, Qt::Key_Escape);
    EXPECT_EQ(released, 2);
    EXPECT_FALSE(escape.isVisible());

    LoginDialog restore(f.db(), prompt, LoginMode::Restore);
    restore.releaseInstance = [this] { ++released; };
    restore.show();
    for (int i = 0; i < 3; ++i)
        enter(restore, "nope");
    EXPECT_FALSE(restore.isVisible());
    EXPECT_EQ(restore.result(), QDialog::Rejected);
    EXPECT_EQ(released, 2);
}

TEST_F(Login, AdminCheckOpensTheChangeWindowThenClosesWithIt)
{
    QWidget main;
    auto* d = new LoginDialog(f.db(), prompt, LoginMode::AdminCheck, security::UserPassword, &main);
    QPointer<LoginDialog> alive = d;
    d->setAttribute(Qt::WA_DeleteOnClose);
    main.show();
    d->show();
    enter(*d, "user1"); // the user password does not allow a change
    EXPECT_EQ(d->changeWindow(), nullptr);
    EXPECT_TRUE(prompt.sawText("Invalid Password"));
    enter(*d, "admin1");
    ChangePasswordDialog* change = d->changeWindow();
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(change->objectName(), "frmChgPwdUsr");
    EXPECT_EQ(change->windowTitle(), "Change User Password");
    EXPECT_TRUE(change->isVisible());
    EXPECT_NE(change->windowModality(), Qt::NonModal);
    EXPECT_TRUE(d->isVisible());

    change->txtNewPwd1->setText("fresh");
    change->txtNewPwd2->setText("fresh");
    prompt.reset();
    change->cmdOK->click();
    EXPECT_TRUE(prompt.sawText("User Password successfully updated"));
    EXPECT_EQ(stored("pwduser"), "fresh");
    // The login window went with it.
    EXPECT_EQ(d->changeWindow(), nullptr);
    EXPECT_FALSE(d->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(alive.isNull());
}

TEST_F(Login, ChangeWindowsKeepTheFocusOnTheFirstBoxUntilStored)
{
    ChangePasswordDialog d(f.db(), prompt, security::AdminPassword);
    EXPECT_EQ(d.objectName(), "frmChgPwdAdm");
    EXPECT_EQ(d.windowTitle(), "Change Admin Password");
    EXPECT_EQ(d.findChild<QLabel*>("Label2")->text(), "New Admin Password");
    EXPECT_EQ(d.findChild<QLabel*>("Label2")->buddy(), d.txtNewPwd1);
    EXPECT_EQ(d.findChild<QLabel*>("Label3")->text(), "Confirm Password");
    EXPECT_TRUE(d.cmdOK->isDefault());
    EXPECT_EQ(d.txtNewPwd1->maxLength(), 10);
    EXPECT_EQ(d.txtNewPwd2->echoMode(), QLineEdit::Password);
    EXPECT_EQ(nextTabStop(d.txtNewPwd1), d.txtNewPwd2);
    EXPECT_EQ(nextTabStop(d.txtNewPwd2), d.cmdOK);
    EXPECT_EQ(nextTabStop(d.cmdOK), d.cmdCancel);

    d.show();
    QApplication::setActiveWindow(&d);
    d.txtNewPwd1->setText("one");
    d.txtNewPwd2->setText("two");
    d.txtNewPwd2->setFocus();
    d.cmdOK->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(prompt.sawText("New Password does not match."));
    EXPECT_EQ(d.focusWidget(), d.txtNewPwd1);

    d.txtNewPwd1->setText("");
    d.txtNewPwd2->setText("");
    d.cmdOK->click();
    EXPECT_TRUE(d.isVisible());
    EXPECT_TRUE(prompt.sawText("Admin Password cannot be blank."));
    EXPECT_EQ(stored("pwdadmin"), "admin1");

    d.cmdCancel->click();
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(stored("pwdadmin"), "admin1");
}

// The administrator check opened over the main window, with the program's
// real boxes: after "Invalid Password" is answered the login is the active
// window again and the next password typed goes into its box.
TEST_F(Login, AfterAWrongPasswordTheNextOneIsTypedIntoTheLogin)
{
    QWidget main;
    main.setObjectName("frmMain");
    main.resize(640, 480);
    main.show();
    QtUserPrompt boxes;
    BoxAnswerer person;
    QPointer<LoginDialog> d =
        openSingleDialog<LoginDialog>(&main, f.db(), boxes, LoginMode::AdminCheck, int(security::UserPassword));
    ASSERT_TRUE(QTest::qWaitForWindowActive(d));
    QTest::keyClicks(QApplication::focusWidget(), "wrong");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(person.texts, QStringList{"Invalid Password"});
    EXPECT_EQ(person.owners.value(0), d.data());
    ASSERT_TRUE(testenv::waitUntil([&] { return QApplication::activeWindow() == d; }, 20000));
    ASSERT_EQ(QApplication::focusWidget(), d->txtPassword);
    d->txtPassword->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), "admin1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(d->tries(), 1);
    ASSERT_NE(d->changeWindow(), nullptr);
    delete d;
}

TEST_F(Login, StartUpWithoutAUserPasswordAsksNothing)
{
    ASSERT_TRUE(f.db().exec("UPDATE tbsecurity SET pwduser=NULL"));
    EXPECT_TRUE(runStartUpLogin(f.db(), prompt, [this] { ++released; }));
    EXPECT_EQ(prompt.count(), 0);
    EXPECT_EQ(released, 0);

    // A table that cannot be read lets nobody in.
    ASSERT_TRUE(f.db().exec("DROP TABLE tbsecurity"));
    EXPECT_FALSE(runStartUpLogin(f.db(), prompt, [this] { ++released; }));
    EXPECT_EQ(released, 1);
    ASSERT_EQ(prompt.count(), 1);
    EXPECT_EQ(prompt.shown()[0].title, "Error");
}
