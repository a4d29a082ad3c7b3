#include "security/ui/LoginWiring.h"

#include "base/UserPrompt.h"
#include "controls/FormHelpers.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/TrayController.h"
#include "mainwindow/WindowShell.h"
#include "security/Security.h"
#include "security/ui/LoginDialog.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <memory>

using security::LoginMode;

WindowShell installLoginAndTray(MainWindow& window, AppCommands& app, TrayIcon* icon)
{
    WindowShell shell = installWindowShell(window, app, icon);
    TrayController* tray = shell.tray;
    AppCommands* appp = &app;
    MainWindow* main = &window;

    // Change User Password / Change Admin Password: the administrator
    // password first, in a login window over the main window.
    for (const int kind : {int(security::UserPassword), int(security::AdminPassword)}) {
        const QString name = kind == security::UserPassword ? QStringLiteral("mnuChgPwdUsr")
                                                            : QStringLiteral("mnuChgPwdAdm");
        window.setMenuAction(name, [appp, main, kind] {
            openSingleDialog<LoginDialog>(main, appp->db(), appp->prompt(), LoginMode::AdminCheck, kind);
        });
    }

    // Back from the tray: at once without a user password, otherwise after
    // the login (one login window at a time).
    auto login = std::make_shared<QPointer<LoginDialog>>();
    QObject::connect(tray, &TrayController::restoreRequested, tray, [appp, tray, login] {
        if (*login && (*login)->isVisible()) {
            (*login)->raise();
            (*login)->activateWindow();
            return;
        }
        bool ok = true;
        QString error;
        const QString user = GetPassword(appp->db(), security::UserPassword, &ok, &error);
        if (ok && user.isEmpty()) {
            tray->restore();
            return;
        }
        if (!ok)
            appp->prompt().error(error);
        auto* dialog = new LoginDialog(appp->db(), appp->prompt(), LoginMode::Restore);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(dialog, &QDialog::accepted, tray, [tray] { tray->restore(); });
        *login = dialog;
        dialog->show();
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            dialog->move(screen->availableGeometry().center() - dialog->rect().center());
        dialog->raise();
        dialog->activateWindow();
    });
    return shell;
}
