#include "security/ui/LoginDialog.h"

#include "base/UserPrompt.h"
#include "controls/Twips.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using security::LoginMode;

namespace {

constexpr int px(int tw) { return twips::toPx(tw); }

// The padlock beside the entry boxes (Image1).
QLabel* padlock(QWidget* parent)
{
    const int size = px(480);
    QPixmap pm(size * 2, size * 2);
    pm.setDevicePixelRatio(2);
    pm.fill(Qt::transparent);
    {
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal s = size;
        QPen shackle(QColor(0x6b, 0x74, 0x80), s * 0.11);
        p.setPen(shackle);
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(s * 0.28, s * 0.08, s * 0.44, s * 0.5), 0, 180 * 16);
        p.drawLine(QPointF(s * 0.28, s * 0.33), QPointF(s * 0.28, s * 0.46));
        p.drawLine(QPointF(s * 0.72, s * 0.33), QPointF(s * 0.72, s * 0.46));
        p.setPen(QPen(QColor(0x8a, 0x6a, 0x10), s * 0.03));
        p.setBrush(QColor(0xe8, 0xb8, 0x30));
        p.drawRoundedRect(QRectF(s * 0.16, s * 0.44, s * 0.68, s * 0.5), s * 0.07, s * 0.07);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x5a, 0x44, 0x08));
        p.drawEllipse(QPointF(s * 0.5, s * 0.63), s * 0.07, s * 0.07);
        p.drawRect(QRectF(s * 0.475, s * 0.65, s * 0.05, s * 0.16));
    }
    auto* l = new QLabel(parent);
    l->setObjectName(QStringLiteral("Image1"));
    l->setPixmap(pm);
    l->setFixedSize(size, size);
    l->setAccessibleName(QStringLiteral("Password"));
    return l;
}

QLineEdit* passwordBox(QWidget* parent, const char* name)
{
    auto* e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setEchoMode(QLineEdit::Password);
    e->setMaxLength(security::kMaxPasswordLength);
    e->setMinimumWidth(px(1095) + 20);
    return e;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    b->setMinimumSize(px(975), px(375));
    return b;
}

} // namespace

// ------------------------------------------------------------------ login

LoginDialog::LoginDialog(Database& db, UserPrompt& prompt, LoginMode mode, int kind, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt), check_(db, prompt, mode), kind_(kind)
{
    setObjectName(QStringLiteral("frmLogin"));
    setWindowTitle(QStringLiteral("Velquarin 1.2"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblPassword = new QLabel(mode == LoginMode::AdminCheck ? QStringLiteral("Admin Password")
                                                           : QStringLiteral("Enter Password"),
                             this);
    lblPassword->setObjectName(QStringLiteral("lblPassword"));
    txtPassword = passwordBox(this, "txtPassword");
    lblPassword->setBuddy(txtPassword);
    cmdLogin = button(this, "cmdLogin", QStringLiteral("Login"));
    cmdLogin->setDefault(true);
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));

    auto* entry = new QHBoxLayout;
    entry->setSpacing(px(240));
    entry->addWidget(padlock(this), 0, Qt::AlignTop);
    entry->addWidget(lblPassword);
    entry->addWidget(txtPassword, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdLogin);
    buttons->addWidget(cmdCancel);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(px(240), px(240), px(240), px(240));
    v->addLayout(entry);
    v->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(px(3480), px(1320))));

    setTabOrder(txtPassword, cmdLogin);
    setTabOrder(cmdLogin, cmdCancel);
    txtPassword->setFocus();

    connect(cmdLogin, &QPushButton::clicked, this, &LoginDialog::login);
    connect(cmdCancel, &QPushButton::clicked, this, &LoginDialog::reject);
}

void LoginDialog::login()
{
    if (change_)
        return; // the change window is open over this one
    switch (check_.submit(txtPassword->text())) {
    case LoginCheck::Result::Accepted:
        emit loginAccepted();
        if (mode() != LoginMode::AdminCheck) {
            accept();
            return;
        }
        // The change window, modal to this one; this one closes with it.
        change_ = new ChangePasswordDialog(db_, prompt_, kind_, this);
        change_->setAttribute(Qt::WA_DeleteOnClose);
        connect(change_, &QDialog::finished, this, [this] {
            change_ = nullptr;
            close();
        });
        change_->open();
        return;
    case LoginCheck::Result::Rejected:
        // The entered text stays in the box.
        txtPassword->setFocus();
        return;
    case LoginCheck::Result::GiveUp:
        reject();
        return;
    }
}

void LoginDialog::reject()
{
    if (change_)
        return; // closed by the change window
    if (mode() == LoginMode::StartUp && releaseInstance)
        releaseInstance();
    QDialog::reject();
}

// ----------------------------------------------------------------- change

ChangePasswordDialog::ChangePasswordDialog(Database& db, UserPrompt& prompt, int kind, QWidget* parent)
    : QDialog(parent), db_(db), prompt_(prompt), kind_(kind)
{
    const bool user = kind == security::UserPassword;
    setObjectName(user ? QStringLiteral("frmChgPwdUsr") : QStringLiteral("frmChgPwdAdm"));
    setWindowTitle(user ? QStringLiteral("Change User Password") : QStringLiteral("Change Admin Password"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* label2 = new QLabel(user ? QStringLiteral("New User Password") : QStringLiteral("New Admin Password"), this);
    label2->setObjectName(QStringLiteral("Label2"));
    auto* label3 = new QLabel(QStringLiteral("Confirm Password"), this);
    label3->setObjectName(QStringLiteral("Label3"));
    txtNewPwd1 = passwordBox(this, "txtNewPwd1");
    txtNewPwd2 = passwordBox(this, "txtNewPwd2");
    label2->setBuddy(txtNewPwd1);
    label3->setBuddy(txtNewPwd2);
    cmdOK = button(this, "cmdOK", QStringLiteral("OK"));
    cmdOK->setDefault(true);
    cmdCancel = button(this, "cmdCancel", QStringLiteral("Cancel"));

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(px(240));
    grid->setVerticalSpacing(px(120));
    grid->addWidget(padlock(this), 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(label2, 0, 1);
    grid->addWidget(txtNewPwd1, 0, 2);
    grid->addWidget(label3, 1, 1);
    grid->addWidget(txtNewPwd2, 1, 2);
    grid->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);
    buttons->addStretch(1);
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(px(240), px(240), px(240), px(240));
    v->setSpacing(px(240));
    v->addLayout(grid);
    v->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(px(3720), px(1575))));

    setTabOrder(txtNewPwd1, txtNewPwd2);
    setTabOrder(txtNewPwd2, cmdOK);
    setTabOrder(cmdOK, cmdCancel);
    txtNewPwd1->setFocus();

    // Entering a box selects all of it, however the focus came.
    txtNewPwd1->installEventFilter(this);
    txtNewPwd2->installEventFilter(this);
    connect(cmdOK, &QPushButton::clicked, this, &ChangePasswordDialog::ok);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ChangePasswordDialog::ok()
{
    switch (changePassword(db_, prompt_, kind_, txtNewPwd1->text(), txtNewPwd2->text())) {
    case PasswordChange::Mismatch:
    case PasswordChange::Blank:
        txtNewPwd1->setFocus();
        txtNewPwd1->selectAll();
        return;
    case PasswordChange::Declined:
    case PasswordChange::Failed: return;
    case PasswordChange::Stored: accept(); return;
    }
}

bool ChangePasswordDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == txtNewPwd1 || watched == txtNewPwd2)) {
        // After the click that gave the focus has placed the caret.
        QPointer<QLineEdit> box = static_cast<QLineEdit*>(watched);
        QTimer::singleShot(0, this, [box] {
            if (box)
                box->selectAll();
        });
    }
    return QDialog::eventFilter(watched, event);
}

// --------------------------------------------------------------- start-up

bool runStartUpLogin(Database& db, UserPrompt& prompt, std::function<void()> releaseInstance)
{
    bool ok = true;
    QString error;
    const QString user = GetPassword(db, security::UserPassword, &ok, &error);
    if (!ok) {
        prompt.error(error);
        if (releaseInstance)
            releaseInstance();
        return false;
    }
    if (user.isEmpty())
        return true;
    LoginDialog login(db, prompt, LoginMode::StartUp);
    login.releaseInstance = std::move(releaseInstance);
    return login.exec() == QDialog::Accepted;
}
