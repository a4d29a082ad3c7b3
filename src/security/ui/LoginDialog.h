#pragma once
// The login window (frmLogin) and the two password change windows
// (frmChgPwdUsr, frmChgPwdAdm).
//
// The login asks for a password in one of three modes: at start-up (the
// start procedure runs it with exec()), to bring the windows back from the
// tray, and before a password change (then only the administrator password
// is accepted and the change window follows). The third wrong password, or
// Cancel, closes it; at start-up the single-instance lock is let go first.
#include <QDialog>
#include <functional>

#include "security/Security.h"

class Database;
class QLabel;
class QLineEdit;
class QPushButton;
class UserPrompt;
class ChangePasswordDialog;

class LoginDialog : public QDialog {
    Q_OBJECT
public:
    // kind: the password the change after an administrator check is for.
    LoginDialog(Database& db, UserPrompt& prompt, security::LoginMode mode,
                int kind = security::UserPassword, QWidget* parent = nullptr);

    // Called at start-up before the window closes without a login (Cancel,
    // the third wrong password), so that a new start works at once.
    std::function<void()> releaseInstance;

    security::LoginMode mode() const { return check_.mode(); }
    int tries() const { return check_.tries(); }
    // The change window opened after a successful administrator check.
    ChangePasswordDialog* changeWindow() const { return change_; }

    QLabel* lblPassword = nullptr;
    QLineEdit* txtPassword = nullptr;
    QPushButton* cmdLogin = nullptr;
    QPushButton* cmdCancel = nullptr;

signals:
    // The password was right (before the change window of an administrator
    // check). At start-up and restore the dialog is then accepted.
    void loginAccepted();

public slots:
    // cmdLogin.
    void login();
    // cmdCancel, Escape and the close box.
    void reject() override;

private:
    Database& db_;
    UserPrompt& prompt_;
    LoginCheck check_;
    int kind_;
    ChangePasswordDialog* change_ = nullptr;
};

class ChangePasswordDialog : public QDialog {
    Q_OBJECT
public:
    ChangePasswordDialog(Database& db, UserPrompt& prompt, int kind, QWidget* parent = nullptr);

    int kind() const { return kind_; }

    QLineEdit* txtNewPwd1 = nullptr;
    QLineEdit* txtNewPwd2 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

public slots:
    // cmdOK: closes the window once the new password is stored.
    void ok();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Database& db_;
    UserPrompt& prompt_;
    int kind_;
};

// The start-up login: with no user password stored it returns true at once;
// otherwise it runs the login window and returns whether it was passed. A
// database that cannot be read is reported and counts as not passed.
bool runStartUpLogin(Database& db, UserPrompt& prompt, std::function<void()> releaseInstance);
