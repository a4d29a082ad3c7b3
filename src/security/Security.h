#pragma once
// The two passwords of the program, kept in the one row of tbsecurity: the
// user password guards the start and the return from the tray; the
// administrator password guards the changing of either and is accepted
// wherever the user password is asked for. While no administrator password
// is stored, the built-in one stands in for it.
#include <QString>

class Database;
class UserPrompt;

namespace security {

// The kind argument of GetPassword and SetPassword.
enum PasswordKind { AdminPassword = 0, UserPassword = 1 };

// Every password entry box takes at most this many characters.
constexpr int kMaxPasswordLength = 10;
// Accepted as the administrator password while none is stored.
inline QString builtInAdminPassword() { return QStringLiteral("5927"); }

// Why the login window is shown.
enum class LoginMode { StartUp = 0, Restore = 1, AdminCheck = 2 };

} // namespace security

// The stored password of that kind, or "" when none is stored, the row is
// missing or the kind is neither 0 nor 1. A database failure sets *ok to
// false and *error to its description (and returns "").
QString GetPassword(Database& db, int kind, bool* ok = nullptr, QString* error = nullptr);
// Stores the password of that kind; "" removes it (NULL). False when the
// update failed or there was no row to update; any other kind stores nothing
// and returns false.
bool SetPassword(Database& db, int kind, const QString& password);

// One opening of the login window: counts the wrong passwords and says what
// the window does next. The warning for a wrong password is shown here.
class LoginCheck {
public:
    enum class Result {
        Accepted, // the password is right: the window does what its mode asks
        Rejected, // wrong; the window stays open for another try
        GiveUp,   // the third wrong password: the window closes
    };
    static constexpr int kMaxTries = 3;

    LoginCheck(Database& db, UserPrompt& prompt, security::LoginMode mode);

    // Compares the entered text exactly with the passwords the mode accepts:
    // the administrator password (or the built-in one while none is stored)
    // in every mode, the user password too at start-up and restore.
    Result submit(const QString& entered);

    security::LoginMode mode() const { return mode_; }
    int tries() const { return tries_; }

private:
    Database& db_;
    UserPrompt& prompt_;
    security::LoginMode mode_;
    int tries_ = 0;
};

// The OK of a password change window: checks the two entries, asks before
// removing the user password, stores, and tells the user how it went.
enum class PasswordChange {
    Mismatch, // the entries differ; the focus goes back to the first box
    Blank,    // an empty administrator password; the focus goes to the first box
    Declined, // the user kept the user password after all
    Failed,   // the store failed; the window stays open
    Stored,   // stored; the window closes
};
PasswordChange changePassword(Database& db, UserPrompt& prompt, int kind, const QString& newPassword,
                              const QString& confirmation);
