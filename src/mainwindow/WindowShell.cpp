#include "mainwindow/WindowShell.h"

#include "mainwindow/AppCommands.h"
#include "mainwindow/HelpFiles.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/StatusLight.h"
#include "mainwindow/ToolbarKeys.h"
#include "mainwindow/TrayController.h"

WindowShell installWindowShell(MainWindow& window, AppCommands& app, TrayIcon* icon)
{
    WindowShell shell;
    shell.tray = new TrayController(&window, icon, &window);
    shell.tray->setObjectName(QStringLiteral("trayController"));
    TrayController* tray = shell.tray;

    window.setMenuAction(QStringLiteral("mnuHelpContent"), [] { HelpFiles::openContent(); });
    window.setMenuAction(QStringLiteral("mnuHelpUserManual"), [] { HelpFiles::openManual(); });
    window.setMenuAction(QStringLiteral("mnuMinimise"), [tray] { tray->minimise(); });
    // The minimise key of each toolbar ("minimize" on the message toolbars,
    // "Minimise" on the others).
    for (ToolbarId id : allToolbars())
        for (const char* key : {"minimize", "Minimise"})
            window.setToolbarAction(id, QLatin1String(key), [tray] { tray->minimise(); });

    shell.light = new StatusLight(window, app.state(), app.sound(), tray);
    shell.light->setObjectName(QStringLiteral("statusLight"));
    shell.light->start();
    return shell;
}
