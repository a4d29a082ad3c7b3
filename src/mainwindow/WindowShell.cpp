#include "mainwindow/WindowShell.h"

#include "mainwindow/AboutBox.h"
#include "mainwindow/AppCommands.h"
#include "mainwindow/HelpFiles.h"
#include "mainwindow/LogWindow.h"
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

    window.setMenuAction(QStringLiteral("mnuHelpContent"),
                         [a = &app] { HelpFiles::showContent(a->prompt(), a->windows()); });
    window.setMenuAction(QStringLiteral("mnuHelpUserManual"),
                         [a = &app] { HelpFiles::showManual(a->prompt(), a->windows()); });
    window.setMenuAction(QStringLiteral("mnuHelpAbout"), [w = &window] { openAboutBox(w); });
    // The log as it is now; later traffic shows at the next opening.
    window.setMenuAction(QStringLiteral("mnuSystemLog"),
                         [w = &window, a = &app] { openLogWindow(w, a->modemLog()); });
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
