#include "security/Security.h"

#include "base/Database.h"
#include "base/UserPrompt.h"

using security::LoginMode;

namespace {

const char* columnOf(int kind)
{
    switch (kind) {
    case security::UserPassword: return "pwduser";
    case security::AdminPassword: return "pwdadmin";
    default: return nullptr;
    }
}

} // namespace

QString GetPassword(Database& db, int kind, bool* ok, QString* error)
{
    if (ok)
        *ok = true;
    const char* column = columnOf(kind);
    if (!column)
        return QString();
    const Recordset rs = db.query(QStringLiteral("SELECT %1 FROM tbsecurity").arg(QLatin1String(column)));
    if (!rs.ok()) {
        if (ok)
            *ok = false;
        if (error)
            *error = rs.error();
        return QString();
    }
    if (rs.isEmpty())
        return QString();
    return NullToEmpty(rs.value(0, 0));
}

bool SetPassword(Database& db, int kind, const QString& password)
{
    const char* column = columnOf(kind);
    if (!column)
        return false;
    // One row, so no WHERE clause. Nothing updated (no row) is a failure:
    // the password would not be there next time.
    if (!db.exec(QStringLiteral("UPDATE tbsecurity SET %1=?").arg(QLatin1String(column)), {NullIfEmpty(password)}))
        return false;
    return db.changes() > 0;
}

LoginCheck::LoginCheck(Database& db, UserPrompt& prompt, LoginMode mode) : db_(db), prompt_(prompt), mode_(mode) {}

LoginCheck::Result LoginCheck::submit(const QString& entered)
{
    bool userOk = true;
    bool adminOk = true;
    QString error;
    const QString user = GetPassword(db_, security::UserPassword, &userOk, &error);
    QString admin = GetPassword(db_, security::AdminPassword, &adminOk, &error);
    if (!userOk || !adminOk) {
        // Without the stored passwords nothing can be accepted; the try is
        // not counted against the user.
        prompt_.error(error);
        return Result::Rejected;
    }
    if (admin.isEmpty())
        admin = security::builtInAdminPassword();

    bool accepted = entered == admin;
    if (mode_ != LoginMode::AdminCheck)
        accepted = accepted || entered == user;
    if (accepted)
        return Result::Accepted;

    ++tries_;
    prompt_.warning(QStringLiteral("Invalid Password"));
    return tries_ >= kMaxTries ? Result::GiveUp : Result::Rejected;
}

PasswordChange changePassword(Database& db, UserPrompt& prompt, int kind, const QString& newPassword,
                              const QString& confirmation)
{
    if (newPassword != confirmation) {
        prompt.warning(QStringLiteral("New Password does not match."));
        return PasswordChange::Mismatch;
    }
    const bool user = kind == security::UserPassword;
    if (newPassword.isEmpty()) {
        if (!user) {
            prompt.warning(QStringLiteral("Admin Password cannot be blank."));
            return PasswordChange::Blank;
        }
        if (!prompt.confirm(QStringLiteral("Confirm remove User Password?")))
            return PasswordChange::Declined;
    }
    if (!SetPassword(db, kind, newPassword)) {
        prompt.error(user ? QStringLiteral("Unable to update password. Please restart program and try again")
                          : QStringLiteral("Unable to update password. Please restart program and try again."));
        return PasswordChange::Failed;
    }
    if (!user)
        prompt.note(QStringLiteral("Admin Password successfully updated"));
    else if (newPassword.isEmpty())
        prompt.note(QStringLiteral("User Password successfully removed"));
    else
        prompt.note(QStringLiteral("User Password successfully updated"));
    return PasswordChange::Stored;
}
